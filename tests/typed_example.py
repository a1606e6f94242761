"""A small application written against tovane's public names: mypy --strict must pass on it.

tests/test_packaging.py type-checks it and also runs it offscreen, so the
types it relies on are the ones the modules have at run time.
"""

from typing import Any

from PySide6.QtCore import QModelIndex, Qt, QTime
from PySide6.QtGui import QEnterEvent, QStandardItem, QStandardItemModel
from PySide6.QtWidgets import QApplication, QLabel, QVBoxLayout, QWidget

from tovane import DeZidOzezuzavuvArazo, State, useEffect
from tovane.material import (Button, DataGrid, DemoWidget, FormHelperText, HumanProxyModel, ListItemButton,
                             PyWidgetBase, RenderContext, Switch, Theme, TimePickerBase, ToggleButton, WidgetSetter,
                             apply_theme, useTheme)


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


class PeopleGrid(DataGrid):
    """A data grid of people; a subclass of the real class, not of Any."""

    def chosen(self) -> list[int]:
        return self.getselectedRowsFast()


def sorted_names(names: list[str]) -> list[str]:
    """The names in the proxy model's natural order."""
    source = QStandardItemModel()
    for name in names:
        source.appendRow(QStandardItem(name))
    proxy = HumanProxyModel()
    proxy.setSourceModel(source)
    proxy.filters = [(0, "item")]
    proxy.sort(0, Qt.SortOrder.AscendingOrder)
    return [str(proxy.index(row, 0, QModelIndex()).data()) for row in range(proxy.rowCount())]


def main() -> int:
    app = QApplication.instance() or QApplication([])
    theme: Theme = useTheme()
    binding = apply_theme()
    window = QWidget()
    layout = QVBoxLayout(window)
    ctx = RenderContext(theme=theme)
    caption = Caption("Natural order", window)
    layout.addWidget(caption)

    # State and effects: the label follows the count.
    count: State[int] = State(0)
    shown: list[int] = []
    useEffect(lambda: shown.append(count.value), [count], component=window)
    count.value = 2
    assert shown == [0, 2]

    picker = ClockPicker(showSeconds=True)
    seen: list[QTime] = []
    picker.timeChanged.connect(seen.append)
    picker.setTime(QTime(7, 30))
    assert picker.getTime() == QTime(7, 30) and seen == [QTime(7, 30)] and picker.isSecondVisible()

    names = sorted_names(["item10", "item2", "other", "item1"])
    assert names == ["item1", "item2", "item10"], names

    wifi = Switch(label="Wi-Fi", checked=True, color="secondary", size="small")
    assert wifi._get_label() == "Wi-Fi" and wifi.checkedState.value is True
    layout.addWidget(wifi)

    selected = State("inbox")
    clicks: list[Any] = []
    item = ListItemButton(key="inbox", selectedKey=selected, onClick=clicks.append, divider=True)
    layout.addWidget(item.renderUi(ctx, parent=window))
    helper = FormHelperText(text="Required", error=False)
    layout.addWidget(helper.renderUi(ctx, parent=window))
    save = Button("Save", size="small").renderUi(ctx, parent=window)
    toggle = ToggleButton(text="Clock", value="clock", selected=True)
    toggle.renderUi(ctx, parent=window)
    assert toggle.isChecked() and save.height() == theme.controlHeight("small")

    misspelt: dict[str, Any] = {"eror": True}  # a name built at run time: refused at run time
    try:
        FormHelperText(**misspelt)
    except DeZidOzezuzavuvArazo as error:
        assert "did you mean 'error'?" in str(error)
    else:
        raise AssertionError("a misspelt parameter was taken")

    grid = PeopleGrid([{"field": "name", "headerName": "Name"}], [{"name": "Ada"}, {"name": "Bruno"}])
    grid.selectRow(1)
    assert grid.chosen() == [1]

    theme.setMode("dark")
    assert QApplication.palette().window().color().name().upper() == theme.palette.background.default
    theme.setMode("light")
    binding.remove()

    demo = DemoWidget()
    WidgetSetter(lambda: None)  # a runnable for deferred work, as PyWidgetBase makes them
    window.close()
    demo.close()
    app.processEvents()
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
