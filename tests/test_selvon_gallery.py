"""The gallery's list page: selection through the shared key, checkboxes, the
reported click, and every item restyled by a theme switch."""

import pytest
from PySide6.QtCore import Qt
from PySide6.QtTest import QTest
from PySide6.QtWidgets import QLabel

from tovane.material.list_item_checkbox import ListItemCheckbox
from tovane.material.selvon import ListItemButton
from tovane.material.styles import useTheme


@pytest.fixture
def lists_page(gallery_page):
    return gallery_page("lists", size=(900, 700))


def _items(page):
    return {(b.text() or b.findChild(QLabel).text()): b for b in page.findChildren(ListItemButton)}


def _texts(page):
    return [label.text() for label in page.findChildren(QLabel)]


def test_single_choice_and_last_click(lists_page):
    items = [b for b in lists_page.findChildren(ListItemButton) if b.text() in ("Inbox", "Drafts", "Sent")]
    by_text = {b.text(): b for b in items}
    assert [by_text[t].property("selected") for t in ("Inbox", "Drafts", "Sent")] == ["true", "false", "false"]
    QTest.mouseClick(by_text["Sent"], Qt.MouseButton.LeftButton)
    assert [by_text[t].property("selected") for t in ("Inbox", "Drafts", "Sent")] == ["false", "false", "true"]
    assert "Last click: 'sent'" in _texts(lists_page) and "selectedKey: 'sent'" in _texts(lists_page)
    trash = next(b for b in lists_page.findChildren(ListItemButton) if b.text() == "Trash (disabled)")
    assert not trash.isEnabled()
    QTest.mouseClick(trash, Qt.MouseButton.LeftButton)
    assert "Last click: 'sent'" in _texts(lists_page)  # a disabled item takes no click


def test_checkbox_list_selects_several(lists_page):
    rows = {b.findChild(QLabel).text(): b for b in lists_page.findChildren(ListItemButton)
            if b.findChild(ListItemCheckbox)}
    assert {k: r.findChild(ListItemCheckbox).isChecked() for k, r in rows.items()} == \
        {"Wi-Fi": True, "Bluetooth": False, "Location": True}
    QTest.mouseClick(rows["Bluetooth"], Qt.MouseButton.LeftButton)
    QTest.mouseClick(rows["Wi-Fi"], Qt.MouseButton.LeftButton)
    assert {k: r.findChild(ListItemCheckbox).isChecked() for k, r in rows.items()} == \
        {"Wi-Fi": False, "Bluetooth": True, "Location": True}
    assert "selectedKey: ['location', 'bluetooth']" in _texts(lists_page)
    assert "Last click: 'wifi'" in _texts(lists_page)


def test_theme_switch_restyles_every_item(lists_page):
    theme = useTheme()
    items = lists_page.findChildren(ListItemButton)
    assert len(items) >= 14
    light = [b.styleSheet() for b in items]
    theme.setMode("dark")
    assert all(b.styleSheet() != s for b, s in zip(items, light))
    assert all(theme.palette.text.primary in b.styleSheet() for b in items)
    dense = [b for b in items if b._dense]
    assert dense and all("padding: 4px 16px;" in b.styleSheet() for b in dense)
