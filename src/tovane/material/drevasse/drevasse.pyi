"""Form helper text: FormHelperText, the label under a form control styled from the theme."""

from typing import Any, ClassVar, Optional

from PySide6.QtCore import QMetaObject
from PySide6.QtWidgets import QLabel, QWidget

from tovane.material.component import Component, RenderContext
from tovane.material.drevasse._serializer import Serializer

class FormHelperText(QLabel, Component, Serializer):
    """A mouse-transparent label showing a translated helper text, in the error style on request."""

    staticMetaObject: ClassVar[QMetaObject]
    theme: Any
    def __init__(self, parent: Any = None, *args: Any, **kwargs: Any) -> None:
        """Validate and store the parameters; the Qt widget is built by renderUi."""
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
