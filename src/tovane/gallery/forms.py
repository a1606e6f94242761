"""Forms: helper texts under real inputs, from a State, translated, in the error style."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any

from PySide6.QtWidgets import QAbstractButton, QButtonGroup, QVBoxLayout, QWidget

from tovane.material.component import RenderContext

from ._common import caption, columns, labelled, page, row, section, set_error, text_field, toggle

if TYPE_CHECKING:
    from tovane.material.drevasse import FormHelperText


def _field(title: str, editor: QWidget, helper: FormHelperText) -> QVBoxLayout:
    """A titled input with its helper text right under it: the title names
    the input, the helper text describes it."""
    box = QVBoxLayout()
    box.setSpacing(4)
    label = section(title)
    box.addWidget(label)
    box.addWidget(labelled(label, editor))
    box.addWidget(helper)
    helper.setField(editor)
    return box


@page("forms", "Forms",
      "Helper texts under inputs: a fixed text, a text that follows what you type, a translated "
      "text, and the error style, switched on and off by the value of the input.")
def forms_page(ctx: RenderContext, widget: QWidget, layout: QVBoxLayout) -> None:
    from tovane.hooks import State
    from tovane.i18n.use_translation import i18n
    from tovane.material.drevasse import FormHelperText

    def helper(**kwargs: Any) -> FormHelperText:
        label = FormHelperText(**kwargs)
        label.renderUi(ctx, parent=widget)  # builds the label itself (and returns it)
        return label

    # A fixed helper text.
    email = text_field()
    email.setPlaceholderText("name@example.com")
    fixed = helper(text="We never share your address.")

    # A text held by a State, changed as the user types.
    limit = 20
    counted = State(f"0/{limit} characters")
    username = text_field()
    username.setMaxLength(limit)
    username.setPlaceholderText("Pick a user name")
    username.textChanged.connect(lambda text: setattr(counted, "value", f"{len(text)}/{limit} characters"))
    counter = helper(text=counted)
    username.setText("ada")

    # A translated text: the source is a callable giving the catalogue key.
    required = State(lambda: "Required")
    phone = text_field()
    phone.setPlaceholderText("+84 ...")
    translated = helper(text=required)
    group = QButtonGroup(widget)
    for value, text in (("en", "English"), ("vi", "Tiếng Việt")):
        button = toggle(ctx, widget, None, None, value, value == i18n.language, text)
        group.addButton(button)
    languages = row(*group.buttons())

    def change_language(button: QAbstractButton, checked: bool) -> None:
        if checked:
            i18n.changeLanguage(str(button.value()))  # type: ignore[attr-defined]  # a ToggleButton
            required.notify()  # the helper text shows its source again, translated

    group.buttonToggled.connect(change_language)

    # The error style, on while the input holds something other than digits.
    message = State("")
    invalid = State(False)
    age = text_field()
    age.setPlaceholderText("Your age in years")

    def check_age(text: str) -> None:
        invalid.value = bool(text) and not text.isdigit()
        message.value = "Use digits only, e.g. 42" if invalid.value else "A whole number of years"

    age.textChanged.connect(check_age)
    check_age("")
    error = helper(text=message, error=invalid)
    age.setText("forty")
    state = caption("")

    def show_error(on: bool) -> None:
        state.setText(f"error: {on}")
        set_error(age, on)  # the field's outline turns the error colour too

    invalid.valueChanged.connect(show_error)
    show_error(invalid.value)

    phone_box = _field("Phone (translated)", phone, translated)
    phone_box.addLayout(languages)
    age_box = _field("Age (error style while not a number)", age, error)
    age_box.addWidget(state)
    # Two fields a row, one in a narrow window.
    layout.addLayout(columns(2, 240, _field("Email (a fixed text)", email, fixed),
                             _field("User name (a State, as you type)", username, counter),
                             phone_box, age_box))
    layout.addStretch(1)
