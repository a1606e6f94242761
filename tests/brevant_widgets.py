"""The test widget shared by the brevant tests."""

from PySide6.QtWidgets import QWidget

from tovane.material.brevant import PyWidgetBase


class Box(QWidget, PyWidgetBase):
    """A widget built as the library's components are: Qt half first, then the
    foundation, with Qt's resize, mouse and focus events routed to it."""

    def __init__(self, parent=None, sx=None, **kwargs):
        QWidget.__init__(self, parent)
        PyWidgetBase.__init__(self, parent, **kwargs)
        self._setup_sx_position(sx)

    resizeEvent = PyWidgetBase.resizeEvent
    enterEvent = PyWidgetBase.enterEvent
    leaveEvent = PyWidgetBase.leaveEvent
    mousePressEvent = PyWidgetBase.mousePressEvent
    mouseReleaseEvent = PyWidgetBase.mouseReleaseEvent
    focusInEvent = PyWidgetBase.focusInEvent
    focusOutEvent = PyWidgetBase.focusOutEvent
