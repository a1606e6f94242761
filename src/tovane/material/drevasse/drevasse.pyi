"""Form helper text: FormHelperText, the label under a form control styled from the theme."""

# The annotations are the module's own texts, bare generics (Callable, Dict, State) included.
# mypy: disable-error-code="type-arg"

from typing import Any, Callable, ClassVar, Literal, Optional, Union

from PySide6.QtCore import QMetaObject
from PySide6.QtWidgets import QLabel, QWidget

from tovane.hooks import State
from tovane.material.component import Component, RenderContext
from tovane.material.drevasse._serializer import Serializer

class FormHelperText(QLabel, Component, Serializer):
    """A mouse-transparent label showing a translated helper text, in the error style on request."""

    staticMetaObject: ClassVar[QMetaObject]
    theme: Any
    def __init__(
        self,
        parent: Optional[QWidget] = None,
        *,
        text: Union[State, str, Callable[[], object], None] = None,
        error: Union[State, bool, str, None] = False,
        disabled: Union[State, bool] = False,
        required: bool = False,
        variant: Union[State, Literal["standard", "outlined", "filled"]] = "standard",
        margin: Optional[Literal["dense"]] = None,
        id: Optional[str] = None,
        sx: Union[State, dict[str, Any], Callable[..., Any], None] = None,
    ) -> None:
        """Validate and store the parameters (an unknown name is refused); the Qt widget is built by renderUi."""
    def renderUi(self, ctx: RenderContext, parent: Optional[QWidget] = None) -> QWidget:  # type: ignore[override]
        """Build the label, register its effects and show the first text and style."""
    def _getHelperText(self) -> Any:
        """The current text (a State's value)."""
    def _getError(self) -> Any:
        """The current error flag (a State's value)."""
    def _updateHelperText(self) -> None:
        """Show the translated text and the style sheet for the current error flag."""
    def _updateStyle(self) -> None:
        """Rebuild the style sheet for the current error flag and re-polish the label."""
    def setField(self, field: Optional[QWidget]) -> None:
        """Make the text the accessible description of field (None: of no field)."""
    def _describeField(self) -> None:
        """Give the field the text as its description, marked invalid in the error style."""
    @classmethod
    def _get_stylesheet(cls, error: str) -> str:
        """The label's rule, with the error declarations when error is "True" (cached, 128 entries)."""
