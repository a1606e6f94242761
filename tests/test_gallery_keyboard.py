"""The gallery with the keyboard alone: every page walked with Tab and
Shift+Tab, the compact navigation, the time field's clock, and reflow in a
small window."""

import pytest
import shiboken6
from PySide6.QtCore import QPoint, QRect, QTime, Qt
from PySide6.QtGui import QAccessible
from PySide6.QtTest import QTest
from PySide6.QtWidgets import (QAbstractButton, QAbstractItemView, QAbstractScrollArea, QAbstractSlider,
                               QAbstractSpinBox, QApplication, QComboBox, QLabel, QLineEdit, QWidget)

import tovane.gallery as gallery
from focus_pixels import ring_pixels
from tovane.material.button import Button
from tovane.material.styles import useTheme

INTERACTIVE = (QAbstractButton, QAbstractSlider, QAbstractSpinBox, QAbstractItemView, QComboBox, QLineEdit)
MOST_STOPS = 120  # a page whose walk goes on longer traps the Tab key


@pytest.fixture
def window(qtbot, theme):
    window = gallery.GalleryWindow()
    qtbot.addWidget(window)
    yield window
    if shiboken6.isValid(window):
        shiboken6.delete(window)


def shown(window, qtbot, size):
    window.show()
    window.resize(*size)
    window.activateWindow()
    qtbot.waitUntil(lambda: QApplication.activeWindow() is window)
    QApplication.processEvents()


def controls(scroll):
    """What a user can operate on the page: the page's scroll area, and the
    enabled, shown controls inside it (not the parts of another control)."""
    found = [scroll]
    for widget in scroll.widget().findChildren(QWidget):
        if not isinstance(widget, INTERACTIVE) or not widget.isEnabled() or not widget.isVisibleTo(scroll):
            continue
        if widget.testAttribute(Qt.WidgetAttribute.WA_TransparentForMouseEvents):
            continue
        parent = widget.parentWidget()
        while parent is not None and parent is not scroll.widget() and not isinstance(parent, INTERACTIVE):
            parent = parent.parentWidget()
        if parent is scroll.widget():
            found.append(widget)
    return found


def walk(window, scroll, key):
    """The focus stops inside ``scroll`` met by pressing ``key`` from the
    control before (Tab) or after (Shift+Tab) the page, until focus leaves
    it; a control met several times in a row (a time editor's sections) is
    one stop."""
    stops = []
    for _ in range(MOST_STOPS):
        QTest.keyClick(QApplication.focusWidget(), key)
        focused = QApplication.focusWidget()
        inside = focused is scroll or scroll.isAncestorOf(focused)
        if not inside:
            return stops, focused
        if not stops or stops[-1] is not focused:
            stops.append(focused)
    pytest.fail(f"the Tab key does not leave the page after {MOST_STOPS} presses: "
                f"{[type(w).__name__ for w in stops[-5:]]}")


def page_rect(widget, page):
    return QRect(widget.mapTo(page, QPoint(0, 0)), widget.size())


def reads_before(first, second):
    """Whether ``first`` comes before ``second`` in reading order, told from
    their places alone: on one line, the one on the left; in one column,
    the one above. (Controls in different lines and columns may come in
    either order: a grid of cards reads card by card.)"""
    one_line = min(first.bottom(), second.bottom()) - max(first.top(), second.top()) > 0
    one_column = min(first.right(), second.right()) - max(first.left(), second.left()) > 0
    if one_line and not one_column:
        return first.center().x() < second.center().x()
    if one_column and not one_line:
        return first.center().y() < second.center().y()
    return True


def region(stop, page):
    """The part of the page that shows ``stop``'s focus: the control and
    16 px around it (a field's frame is its parent's)."""
    return page_rect(stop, page).adjusted(-16, -16, 16, 16).intersected(page.rect())


PAGES = [p.key for p in gallery.PAGES]
CASES = PAGES


def owner(stop, scroll):
    """The control a stop belongs to: the (outermost) data view for the
    controls in its cells (the Tab key goes through the current row's),
    else the stop."""
    found, parent = stop, stop.parentWidget()
    while parent is not None and parent is not scroll:
        if isinstance(parent, QAbstractItemView):
            found = parent
        parent = parent.parentWidget()
    return found


@pytest.mark.parametrize("mode, size", [("light", (900, 600)), ("dark", (640, 420))])
@pytest.mark.parametrize("key", CASES)
def test_every_control_reached_once_in_reading_order_named_and_ringed(window, qtbot, theme, key, mode, size):
    theme.setMode(mode)
    shown(window, qtbot, size)
    index = PAGES.index(key)
    window.showPage(index)
    QApplication.processEvents()
    scroll, page = window.stack.widget(index), window.page(index)
    before = window.modeSwitch if window.isCompact() else window.nav
    before.setFocus(Qt.FocusReason.TabFocusReason)
    QApplication.processEvents()
    plain_page, plain_scroll = page.grab(), scroll.grab()

    forward, after = walk(window, scroll, Qt.Key.Key_Tab)
    # Reached once each, and only what a user operates.
    assert len(set(forward)) == len(forward), [type(w).__name__ for w in forward]
    expected = controls(scroll)
    grouped = [w for w in expected if w not in forward and isinstance(w, QAbstractButton) and w.group()]
    for button in grouped:  # one stop per exclusive group: its checked button, the others by arrow keys
        assert button.group().exclusive() and button.group().checkedButton() in forward, button.text()
    owners = {owner(w, scroll) for w in forward}
    assert {type(w).__name__ for w in owners ^ (set(expected) - set(grouped))} == set()
    assert forward[0] is scroll

    # Every stop is named for assistive technology.
    unnamed = [type(w).__name__ for w in forward
               if not QAccessible.queryAccessibleInterface(w).text(QAccessible.Text.Name).strip()]
    assert unnamed == []

    # In reading order.
    rects = [page_rect(w, page) for w in forward[1:]]
    for i, first in enumerate(rects):
        for j in range(i + 1, len(rects)):
            assert reads_before(first, rects[j]), (forward[1 + i].objectName() or type(forward[1 + i]).__name__,
                                                   forward[1 + j].objectName() or type(forward[1 + j]).__name__)

    # Shift+Tab goes back the same way.
    after.setFocus(Qt.FocusReason.TabFocusReason)
    backward, _ = walk(window, scroll, Qt.Key.Key_Backtab)
    assert backward[::-1] == forward

    # Each stop shows its focus, by at least 3:1 against how it looks unfocused.
    for stop in forward:
        stop.setFocus(Qt.FocusReason.TabFocusReason)
        QApplication.processEvents()
        if stop is scroll:
            changed = ring_pixels(plain_scroll, scroll.grab())
        else:
            area = region(stop, page)
            changed = ring_pixels(plain_page.copy(area), page.grab(area))
        assert changed >= 60, (key, type(stop).__name__, QAccessible.queryAccessibleInterface(stop).text(
            QAccessible.Text.Name), changed)


def test_compact_window_folds_the_navigation_behind_the_pages_button(window, qtbot):
    shown(window, qtbot, (640, 420))
    assert window.isCompact() and window.menuButton.isVisible() and not window.nav.isVisible()
    interface = QAccessible.queryAccessibleInterface(window.menuButton)
    assert interface.text(QAccessible.Text.Name) == "Pages" and interface.state().collapsed
    window.modeSwitch.setFocus(Qt.FocusReason.TabFocusReason)
    QTest.keyClick(window.modeSwitch, Qt.Key.Key_Backtab)
    assert QApplication.focusWidget() is window.menuButton
    QTest.keyClick(window.menuButton, Qt.Key.Key_Space)
    QApplication.processEvents()
    assert window.nav.isVisible() and not window.stack.isVisible() and QApplication.focusWidget() is window.nav
    assert interface.state().expanded and window.nav.width() > 500  # the list takes the page's place
    QTest.keyClick(window.nav, Qt.Key.Key_Down)
    QTest.keyClick(window.nav, Qt.Key.Key_Return)
    assert window.stack.currentIndex() == 1 and window.stack.isVisible() and not window.nav.isVisible()
    assert QApplication.focusWidget() is window.stack.currentWidget() and interface.state().collapsed
    QTest.keyClick(window.menuButton, Qt.Key.Key_Return)
    QTest.keyClick(window.nav, Qt.Key.Key_Escape)
    assert not window.nav.isVisible() and QApplication.focusWidget() is window.menuButton
    assert window.stack.currentIndex() == 1

    window.resize(1000, 600)  # wide again: the navigation is back beside the page
    QApplication.processEvents()
    assert not window.isCompact() and window.nav.isVisible() and window.stack.isVisible()
    assert not window.menuButton.isVisible() and window.nav.width() == gallery.NAV_WIDTH


def test_pages_reflow_without_sideways_scrolling(window, qtbot):
    shown(window, qtbot, (640, 420))
    for index, entry in enumerate(window.pages):
        window.showPage(index)
        QApplication.processEvents()
        scroll, page = window.stack.widget(index), window.page(index)
        assert scroll.horizontalScrollBar().maximum() == 0, entry.key
        width = scroll.viewport().width()
        for label in page.findChildren(QLabel):
            if label.isVisibleTo(page) and label.text():
                rect = page_rect(label, page)
                assert rect.right() < width, (entry.key, label.text()[:40])  # wrapped, not cut
                assert label.height() >= label.heightForWidth(label.width()) or not label.wordWrap(), \
                    (entry.key, label.text()[:40])
        # Only data views scroll sideways, inside themselves.
        for view in page.findChildren(QAbstractScrollArea):
            assert page_rect(view, page).right() < width, entry.key


def test_a_grid_loaded_again_takes_the_old_ones_place_in_the_tab_order(window, qtbot, monkeypatch):
    import tovane.gallery.data_grid as data_grid
    from tovane.material.marquel import DataGrid

    monkeypatch.setattr(data_grid, "MANY", 30)
    shown(window, qtbot, (900, 600))
    index = [entry.key for entry in window.pages].index("data-grid")
    window.showPage(index)
    page = window.page(index)
    next(b for b in page.findChildren(QAbstractButton) if b.text().startswith("Try")).click()
    qtbot.waitUntil(lambda: any(g.model().rowCount() == 30 for g in page.findChildren(DataGrid)))
    grid = next(g for g in page.findChildren(DataGrid) if g.model().rowCount() == 30)
    qtbot.waitUntil(grid.isVisible)
    boxes = [box for box in page.findChildren(QLineEdit) if box.accessibleName().startswith("Filter")]
    boxes[-1].setFocus(Qt.FocusReason.TabFocusReason)
    QTest.keyClick(boxes[-1], Qt.Key.Key_Tab)
    assert QApplication.focusWidget() is grid


class TestTimeFieldClock:
    @pytest.fixture
    def field(self, qtbot):
        host = QWidget()
        qtbot.addWidget(host)
        field = gallery.TimeEditPicker(parent=host)
        after = QLineEdit(host)
        after.move(0, 60)
        field.setTime(QTime(10, 33))
        host.show()
        host.activateWindow()
        qtbot.waitUntil(lambda: QApplication.activeWindow() is host)
        yield field  # (host stays referenced while the test runs)

    @staticmethod
    def popup(field):
        return field._popup if field.__dict__.get("_popup") is not None and field._popup.isVisible() else None

    def test_open_from_the_editor_pick_with_keys_and_come_back(self, field):
        field._edit.setFocus(Qt.FocusReason.TabFocusReason)
        QTest.keyClick(field._edit, Qt.Key.Key_Down, Qt.KeyboardModifier.AltModifier)
        clock = self.popup(field)
        assert clock is not None and QApplication.focusWidget().text() == "10"
        assert field._clock.property("expanded") is True
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Right)
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Down)  # a row of six further
        assert QApplication.focusWidget().text() == "17"
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Return)
        assert field.getTime() == QTime(17, 33) and self.popup(field) is clock
        assert QApplication.focusWidget().text() == "30"  # on to the minutes, at the step before :33
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Left)
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Space)
        assert field.getTime() == QTime(17, 25) and self.popup(field) is None
        assert QApplication.focusWidget() is field._edit and field._clock.property("expanded") is False

    def test_escape_closes_and_tab_goes_between_the_grids(self, field):
        field._clock.setFocus(Qt.FocusReason.TabFocusReason)
        QTest.keyClick(field._clock, Qt.Key.Key_Space)
        cells = {b.accessibleName(): b for b in self.popup(field).findChildren(Button)}
        assert QApplication.focusWidget() is cells["10 hours"] and cells["10 hours"].isSelected()
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Left)
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Tab)  # one stop per grid
        assert QApplication.focusWidget() is cells["30 minutes"]
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Tab)
        assert QApplication.focusWidget() is cells["09 hours"]  # where the hours were left
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Up)
        assert QApplication.focusWidget() is cells["03 hours"]
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Up)  # past the first row: round to the last
        assert QApplication.focusWidget() is cells["21 hours"]
        QTest.keyClick(QApplication.focusWidget(), Qt.Key.Key_Escape)
        assert self.popup(field) is None and field.getTime() == QTime(10, 33)
        assert QApplication.focusWidget() is field._clock and field._clock._focusVisible
        QTest.keyClick(field._clock, Qt.Key.Key_F4)  # F4 opens from the editor only
        assert self.popup(field) is None
        field._edit.setFocus(Qt.FocusReason.TabFocusReason)
        QTest.keyClick(field._edit, Qt.Key.Key_F4)
        assert self.popup(field) is not None

    def test_the_clock_follows_the_theme(self, field, theme):
        field._open_clock()
        clock = self.popup(field)
        clock.hide()
        theme.setMode("dark")
        assert theme.palette.background.paper in clock.styleSheet()
        assert useTheme().getPalette("light").background.paper not in clock.styleSheet()
