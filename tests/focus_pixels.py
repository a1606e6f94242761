"""How much a control's look changes when it takes focus: the pixels that
change by at least 3:1 (WCAG's contrast between the unfocused and the
focused state of a focus indicator), over the page's colour."""

from PySide6.QtGui import QColor, QImage, QPainter

from tovane.material.styles import contrast_ratio, useTheme


def on_page(pixmap):
    """A grab as the page shows it: drawn over the page's colour."""
    image = QImage(pixmap.size(), QImage.Format.Format_RGB32)
    image.fill(QColor(useTheme().palette.background.default))
    painter = QPainter(image)
    painter.drawPixmap(0, 0, pixmap)
    painter.end()
    return image


def ring_pixels(before, after):
    """The pixels of two grabs of one region that differ by at least 3:1."""
    a, b = on_page(before), on_page(after)
    assert (a.width(), a.height()) == (b.width(), b.height())
    seen, count = {}, 0
    for y in range(a.height()):
        for x in range(a.width()):
            p, q = a.pixel(x, y), b.pixel(x, y)
            if p != q:
                if (p, q) not in seen:
                    seen[p, q] = contrast_ratio(QColor(p).name(), QColor(q).name()) >= 3.0
                count += seen[p, q]
    return count
