"""Screenshots of a focused control of each kind, in both themes, to look at
the focus ring: one image per kind and mode, and one sheet per mode.

    python scripts/focus_screenshots.py DIR [--size 900x600] [--scale 2]

Each control gets focus from the Tab key (as a keyboard user gives it) in
the gallery window; the image is the control with 24 px of the page around
it. Runs offscreen without a display.
"""

import argparse
import os
import sys
from pathlib import Path

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

import shiboken6  # noqa: E402
from PySide6.QtCore import QPoint, QRect, Qt  # noqa: E402
from PySide6.QtGui import QColor, QImage, QPainter  # noqa: E402
from PySide6.QtWidgets import QAbstractSlider, QApplication, QLineEdit, QTableView, QTimeEdit  # noqa: E402


def kinds(window):
    """(name, page key or None for the window, how to find the control in it)"""
    from tovane.material.button import Button
    from tovane.material.flintor.flintor import ToggleButton
    from tovane.material.selvon import ListItemButton
    from tovane.material.switch import Switch

    def first(cls, test=lambda w: True):
        return lambda page: next(w for w in page.findChildren(cls) if test(w) and w.isEnabled())

    return [
        ("button", "switches", first(Button, lambda b: b.text() == "Swap sides")),
        ("toggle-button", "toggle-buttons", first(ToggleButton, lambda b: b.text() == "Reminders")),
        ("toggle-button-icon-checked", "toggle-buttons", first(ToggleButton, lambda b: b.isChecked() and not b.text())),
        ("toggle-group-checked", "toggle-buttons", first(ToggleButton, lambda b: b.text() == "Week")),
        ("switch", "switches", first(Switch, lambda s: s.text() == "Notifications")),
        ("list-item-selected", "lists", first(ListItemButton, lambda i: i.property("selected") == "true")),
        ("list-item-plain", "lists", first(ListItemButton, lambda i: i.text() == "Second")),
        ("list-item-checkbox", "lists", first(ListItemButton, lambda i: not i.text())),
        ("text-field", "forms", first(QLineEdit, lambda e: e.placeholderText() == "Pick a user name")),
        ("text-field-error", "forms", first(QLineEdit, lambda e: e.property("error") == "true")),
        ("time-field", "time-picker", first(QTimeEdit)),
        ("time-field-clock-button", "time-picker", first(Button, lambda b: b.toolTip() == "Choose a time")),
        ("slider", "sliders", first(QAbstractSlider)),
        ("table", "natural-order", first(QTableView)),
        ("navigation", None, lambda w: w.nav),
        ("dark-mode-switch", None, lambda w: w.modeSwitch),
    ]


def grab(window, widget, scale, margin=24):
    """``widget`` focused from the Tab key, with ``margin`` px of the window around it."""
    from tovane.gallery import _grab

    widget.clearFocus()  # (Qt may have given it focus already, when the page before it was hidden)
    # What the Tab key does: the focus reason, and the window marked as moved
    # through by the keyboard (Qt's styles draw their focus frames then).
    widget.window().setAttribute(Qt.WidgetAttribute.WA_KeyboardFocusChange, True)
    widget.setFocus(Qt.FocusReason.TabFocusReason)
    QApplication.processEvents()
    rect = QRect(widget.mapTo(window, QPoint(0, 0)), widget.size()).adjusted(-margin, -margin, margin, margin)
    rect = rect.intersected(window.rect())
    image = _grab(window, scale).copy(QRect(rect.topLeft() * scale, rect.size() * scale))
    image.setDevicePixelRatio(scale)
    return image


def sheet(images, scale, background):
    """The images one under the other, with a gap."""
    gap = 8 * scale
    width = max(i.width() for i in images)
    height = sum(i.height() for i in images) + gap * (len(images) + 1)
    out = QImage(width + 2 * gap, height, QImage.Format.Format_ARGB32_Premultiplied)
    out.fill(QColor(background))
    painter = QPainter(out)
    y = gap
    for image in images:
        copy = QImage(image)
        copy.setDevicePixelRatio(1)
        painter.drawImage(gap, y, copy)
        y += image.height() + gap
    painter.end()
    return out


def main(argv=None):
    import tovane.gallery as gallery

    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("directory")
    parser.add_argument("--size", type=gallery._size, default=gallery.DEFAULT_SIZE, metavar="WxH")
    parser.add_argument("--scale", type=gallery._scale, default=2)
    args = parser.parse_args(argv)
    (width, height), scale = args.size, args.scale
    out = Path(args.directory)
    out.mkdir(parents=True, exist_ok=True)

    app = QApplication.instance() or QApplication(sys.argv[:1])  # noqa: F841  (lives until main returns)

    window = gallery.GalleryWindow()
    window.show()
    window.resize(width, height)
    window.activateWindow()
    QApplication.processEvents()
    keys = [p.key for p in window.pages]
    for mode in ("light", "dark"):
        window.theme.setMode(mode)
        images = []
        for name, key, find in kinds(window):
            if key is not None:
                window.showPage(keys.index(key))
                QApplication.processEvents()
                widget = find(window.page(keys.index(key)))
                window.stack.currentWidget().ensureWidgetVisible(widget, 24, 24)
            else:
                widget = find(window)
            image = grab(window, widget, scale)
            path = out / f"focus-{name}-{mode}.png"
            image.save(str(path))
            images.append(image)
            print(path)
        path = out / f"focus-sheet-{mode}.png"
        sheet(images, scale, window.theme.palette.background.default).save(str(path))
        print(path)
    window.theme.setMode("light")
    shiboken6.delete(window)
    return 0


if __name__ == "__main__":
    sys.exit(main())
