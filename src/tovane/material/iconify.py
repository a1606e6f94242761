"""Icons from a name or a resource/file path."""

import os

from PySide6.QtCore import QFile
from PySide6.QtGui import QIcon


class Iconify:
    """An icon source: a bundled icon name ("access_time", "round:access_time"),
    a Qt resource path (":/...") or a file path; ``icon()`` gives the QIcon."""

    PREFIX = ":/round/resource_tovane/round/"

    def __init__(self, name):
        if not isinstance(name, str) or not name:
            raise TypeError(f"Iconify() needs an icon name or path, got {name!r}")
        self.name = name

    @property
    def path(self):
        if self.name.startswith(":") or os.path.sep in self.name or os.path.exists(self.name):
            return self.name
        return f"{self.PREFIX}{self.name.split(':')[-1]}.svg"

    def icon(self):
        path = self.path
        if not QFile.exists(path):
            raise ValueError(f"icon {self.name!r} not found (looked for {path})")
        return QIcon(path)

    @staticmethod
    def toIcon(source):
        """QIcon for None (a null icon), a QIcon, an Iconify or a name/path."""
        if source is None:
            return QIcon()
        if isinstance(source, QIcon):
            return source
        if isinstance(source, Iconify):
            return source.icon()
        return Iconify(source).icon()
