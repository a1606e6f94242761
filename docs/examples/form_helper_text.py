"""A helper text under a field: it follows a State and turns to the error style."""

from PySide6.QtWidgets import QApplication, QLineEdit, QVBoxLayout, QWidget

from tovane import State
from tovane.material import FormHelperText, RenderContext, apply_theme, set_style_property

app = QApplication([])
apply_theme(app)
window = QWidget()
layout = QVBoxLayout(window)

age = QLineEdit()
age.setPlaceholderText("Your age in years")
message = State("A whole number of years")
invalid = State(False)
helper = FormHelperText(text=message, error=invalid).renderUi(RenderContext(), parent=window)


def check(text: str) -> None:
    invalid.value = bool(text) and not text.isdigit()
    message.value = "Use digits only, e.g. 42" if invalid.value else "A whole number of years"
    set_style_property(age, "error", "true" if invalid.value else "false")  # the field's error outline


age.textChanged.connect(check)
layout.addWidget(age)
layout.addWidget(helper)

age.setText("forty")
assert helper.text() == "Use digits only, e.g. 42"
window.show()
app.exec()
