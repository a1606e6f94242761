"""Reference discipline of selvon: items built and destroyed by the thousand,
repeated theme switches, and the error paths of the builders and the click."""

import shiboken6
from PySide6.QtWidgets import QLabel, QWidget

from leakcheck import assert_no_leak
from tovane.hooks import State
from tovane.material.component import RenderContext
from tovane.material.list_item_checkbox import ListItemCheckbox
from tovane.material.selvon import ListItemButton, selvon
from tovane.material.styles import Theme


def test_construct_render_destroy(qapp):
    host, ctx, selected = QWidget(), RenderContext(), State(["a"])
    keys = iter(range(10**9))

    def build():
        key = next(keys) % 3
        item = ListItemButton(key="a" if key == 0 else key, selectedKey=selected, dense=key == 1,
                              divider=True, sx={"color": "red"}, focusVisibleClassName=".f",
                              children=[ListItemCheckbox(), QLabel("text")], onClick=lambda k: None)
        item.renderUi(ctx, parent=host)
        shiboken6.delete(item)

    # Qt and PySide keep some bookkeeping of the widgets they made, whatever
    # other tests left alive (a few hundred blocks in the sanitizer build,
    # whatever the number of items): a leak per item shows in the objects and
    # as at least 4,000 blocks.
    assert_no_leak(build, calls=4_000, warmup=1_000, max_blocks=1_000, max_bytes=256 * 1024)
    assert host.findChildren(ListItemButton) == []
    assert ListItemButton._getStyleSheet.cache_info().currsize <= 1


def test_repeated_theme_switches(qapp, monkeypatch):
    # A theme of their own: a switch restyles these items only.
    theme, host, selected = Theme(), QWidget(), State("k3")
    monkeypatch.setattr(selvon, "useTheme", lambda: theme)
    items = [ListItemButton(key=f"k{n}", selectedKey=selected, active=n == 2, sx={"width": n})
             for n in range(16)]
    for item in items:
        item.renderUi(RenderContext(), parent=host)
    assert_no_leak(theme.toggleMode, calls=400, warmup=50)
    assert theme.palette.text.primary in items[0].styleSheet()
    shiboken6.delete(host)


def test_error_paths(qapp):
    host = QWidget()
    item = ListItemButton(key="k", onClick=lambda: None)
    item.renderUi(RenderContext(), parent=host)

    def run():
        for call in (lambda: ListItemButton._getStyleSheet(objectName=None),
                     lambda: ListItemButton._getSxQss(sxStr=None),
                     lambda: ListItemButton._setKwargs([])):
            try:
                call()
            except TypeError:
                pass
        ListItemButton._getSxQss(sxStr="{'a': lambda: 1}", className="#x")
        item.mouseReleaseEvent(_release(item))

    assert_no_leak(run, calls=20_000, warmup=500)


def _release(item):
    from PySide6.QtCore import QEvent, QPointF, Qt
    from PySide6.QtGui import QMouseEvent

    point = QPointF(1, 1)
    return QMouseEvent(QEvent.Type.MouseButtonRelease, point, point, Qt.MouseButton.LeftButton,
                       Qt.MouseButton.NoButton, Qt.KeyboardModifier.NoModifier)
