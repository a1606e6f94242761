"""tovane: Material-design widgets for Qt 6 (PySide6).

The top-level package stays import-light: Qt is loaded by the submodules
(``tovane.hooks``, ``tovane.material`` ...) when they are imported.
"""

__version__ = "0.1.0"
