"""Toggle button: ToggleButton, a Button that stays down when pressed."""

# The annotations are the module's own texts, bare generics (Callable, Dict, State) included.
# mypy: disable-error-code="type-arg"

from typing import Any, Callable, ClassVar, Optional, Union, Unpack

from PySide6.QtCore import QMetaObject
from PySide6.QtGui import QFocusEvent, QKeyEvent
from PySide6.QtWidgets import QWidget

from tovane.hooks import State
from tovane.material.button import Button, ButtonProps
from tovane.material.component import RenderContext
from tovane.material.iconify import Iconify

class ToggleButton(Button):
    """A checkable Button of the component model, with an icon and a value."""

    staticMetaObject: ClassVar[QMetaObject]
    def __init__(
        self,
        icon: Optional[Iconify] = ":/round/resource_tovane/round/access_time.svg",  # type: ignore[assignment]  # a resource path is accepted too
        text: Optional[Union[str, State, Callable]] = None,
        value: Optional[object] = None,
        selected: bool = False,
        *args: Any,
        **kwargs: Unpack[ButtonProps],
    ) -> None:
        """Store the parameters; the Qt widget is built by renderUi."""
    # ctx is required here, where Button's renderUi has a default for it.
    def renderUi(self, ctx: RenderContext, parent: Optional[QWidget] = None) -> QWidget:  # type: ignore[override]
        """Build the Button with the icon and value, name it and make it checkable."""
    def _setup_flintor(self) -> None:
        """Make the button checkable and show it selected when asked for."""
    def keyPressEvent(self, event: QKeyEvent) -> None:
        """Arrow keys move along the button's group (and its check, when exclusive); other keys go to Button."""
    def focusInEvent(self, event: QFocusEvent) -> None:
        """Focus from the Tab key goes on to the checked button of an exclusive group."""
