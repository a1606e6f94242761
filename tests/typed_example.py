"""A small application written against tovane's types: mypy --strict must pass on it.

tests/test_packaging.py type-checks it and also runs it offscreen, so the
types it relies on are the ones the modules have at run time.
"""

from PySide6.QtCore import Qt, QTime
from PySide6.QtGui import QEnterEvent, QStandardItem, QStandardItemModel
from PySide6.QtWidgets import QApplication, QLabel, QVBoxLayout, QWidget

from tovane.material.brevant.brevant import PyWidgetBase, WidgetSetter
from tovane.material.drevasse.drevasse import FormHelperText
from tovane.material.flintor.flintor import ToggleButton
from tovane.material.marquel._velmora import HumanProxyModel, _human_key
from tovane.material.selvon.selvon import ListItemButton
from tovane.material.slider.pennard import QSS, DemoWidget
from tovane.material.switch._serializer import Serializer
from tovane.material.time_picker._cadrell import TimePickerBase


class Caption(QLabel, PyWidgetBase):
    """A label that counts the times the pointer entered it."""

    def __init__(self, text: str, parent: QWidget | None = None) -> None:
        QLabel.__init__(self, text, parent)
        PyWidgetBase.__init__(self, parent, onMouseEnter=self._entered, tooltip=text, tooltipLeaveDelay=200)
        self.entered = 0

    def _entered(self) -> None:
        self.entered += 1

    def enterEvent(self, event: QEnterEvent) -> None:
        PyWidgetBase.enterEvent(self, event)


class ClockPicker(TimePickerBase):
    """The simplest time picker: it only remembers the time."""

    def setTime(self, time: QTime) -> None:
        self._time = time
        self.timeChanged.emit(time)

    def setSecondVisible(self, isVisible: bool) -> None:
        self._isSecondVisible = isVisible


class SwitchParameters(Serializer):
    """The switch's parameters, validated on construction."""


def sorted_names(names: list[str]) -> list[str]:
    """The names in the proxy model's natural order."""
    source = QStandardItemModel()
    for name in names:
        source.appendRow(QStandardItem(name))
    proxy = HumanProxyModel()
    proxy.setSourceModel(source)
    proxy.filters = [(0, "item")]
    proxy.sort(0, Qt.SortOrder.AscendingOrder)
    return [str(proxy.index(row, 0).data()) for row in range(proxy.rowCount())]


def main() -> int:
    app = QApplication.instance() or QApplication([])
    window = QWidget()
    layout = QVBoxLayout(window)
    caption = Caption("Natural order", window)
    layout.addWidget(caption)

    picker = ClockPicker(showSeconds=True)
    seen: list[QTime] = []
    picker.timeChanged.connect(seen.append)
    picker.setTime(QTime(7, 30))
    assert picker.getTime() == QTime(7, 30) and seen == [QTime(7, 30)] and picker.isSecondVisible()

    names = sorted_names(["item10", "item2", "other", "item1"])
    assert names == ["item1", "item2", "item10"], names
    assert _human_key("a2") < _human_key("a10")

    params = SwitchParameters(label="Wi-Fi", checked=True, color="secondary")
    assert params._get_label() == "Wi-Fi" and params._get_checked() is True
    assert params._get_color() == "secondary" and params._get_size() == "medium"

    toggle = ToggleButton(text="Clock", value="clock", selected=True)
    # Components of the two-phase model: constructed, to be rendered into a parent later.
    components: list[QWidget] = [FormHelperText(text="Required"), ListItemButton(key="wifi")]
    demo = DemoWidget()
    assert QSS and demo.isWindow()
    WidgetSetter(lambda: None)  # a runnable for deferred work, as PyWidgetBase makes them
    del toggle, components
    window.close()
    demo.close()
    app.processEvents()
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
