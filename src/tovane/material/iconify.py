"""Icons from a name or a resource/file path."""

from __future__ import annotations

import os

from PySide6 import QtCore
from PySide6.QtCore import QFile, QRect, QSize
from PySide6.QtGui import QColor, QIcon, QIconEngine, QPainter, QPixmap


class Iconify:
    """An icon source: a bundled icon name ("access_time", "round:access_time"),
    a Qt resource path (":/...") or a file path; ``icon()`` gives the QIcon."""

    PREFIX = ":/round/resource_tovane/round/"

    def __init__(self, name: str) -> None:
        if not isinstance(name, str) or not name:
            raise TypeError(f"Iconify() needs an icon name or path, got {name!r}")
        self.name = name

    @property
    def path(self) -> str:
        if self.name.startswith(":") or os.path.sep in self.name or os.path.exists(self.name):
            return self.name
        return f"{self.PREFIX}{self.name.split(':')[-1]}.svg"

    def icon(self) -> QIcon:
        path = self.path
        if not QFile.exists(path):
            raise ValueError(f"icon {self.name!r} not found (looked for {path})")
        return QIcon(path)

    @staticmethod
    def toIcon(source: QIcon | Iconify | str | None) -> QIcon:
        """QIcon for None (a null icon), a QIcon, an Iconify or a name/path."""
        if source is None:
            return QIcon()
        if isinstance(source, QIcon):
            return source
        if isinstance(source, Iconify):
            return source.icon()
        return Iconify(source).icon()

    @staticmethod
    def tinted(source: QIcon | Iconify | str | None, color: str | QColor,
               disabledColor: str | QColor | None = None) -> QIcon:
        """``source`` (as for ``toIcon``) drawn in one colour: ``color`` in the
        normal, active and selected modes, ``disabledColor`` (default
        ``color``) in the disabled one. Drawn at the painter's pixel ratio, so
        it stays sharp on high-density screens. A null source gives a null icon.
        """
        base = Iconify.toIcon(source)
        if base.isNull():
            return base
        return QIcon(_TintEngine(base, QColor(color), QColor(disabledColor or color)))


class _TintEngine(QIconEngine):
    """Paints the shape (the alpha) of a base icon in a flat colour."""

    def __init__(self, base: QIcon, color: QColor, disabledColor: QColor) -> None:
        super().__init__()
        self._base, self._color, self._disabled = base, color, disabledColor

    def scaledPixmap(self, size: QSize, mode: QIcon.Mode, state: QIcon.State, scale: float) -> QPixmap:
        shape = self._base.pixmap(size, scale, QIcon.Mode.Normal, state)
        out = QPixmap(shape.size())
        out.setDevicePixelRatio(shape.devicePixelRatio())
        out.fill(QtCore.Qt.GlobalColor.transparent)
        painter = QPainter(out)
        painter.drawPixmap(0, 0, shape)
        painter.setCompositionMode(QPainter.CompositionMode.CompositionMode_SourceIn)
        painter.fillRect(out.rect(), self._disabled if mode == QIcon.Mode.Disabled else self._color)
        painter.end()
        return out

    def pixmap(self, size: QSize, mode: QIcon.Mode, state: QIcon.State) -> QPixmap:
        return self.scaledPixmap(size, mode, state, 1.0)

    def paint(self, painter: QPainter, rect: QRect, mode: QIcon.Mode, state: QIcon.State) -> None:
        ratio = painter.device().devicePixelRatioF() if painter.device() is not None else 1.0
        pixmap = self.scaledPixmap(rect.size(), mode, state, ratio)
        painter.drawPixmap(QRect(rect), pixmap)

    def actualSize(self, size: QSize, mode: QIcon.Mode, state: QIcon.State) -> QSize:
        return self._base.actualSize(size, mode, state)

    def clone(self) -> QIconEngine:
        return _TintEngine(self._base, self._color, self._disabled)
