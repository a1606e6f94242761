"""Toggle buttons: buttons that stay down, alone and in an exclusive group."""

from __future__ import annotations

from typing import Any

from PySide6.QtWidgets import QAbstractButton, QButtonGroup, QVBoxLayout, QWidget

from tovane.material.component import RenderContext

from ._common import caption, code_text, columns, page, row, section, space, toggle


def _checked_text(button: QAbstractButton) -> str:
    return "checked" if button.isChecked() else "not checked"


@page("toggle-buttons", "Toggle buttons",
      "Buttons that stay down when pressed. Click one, or press Space or Enter on it, to toggle it; "
      "the text next to it follows its checked state. The icon takes the colour of the button's text.")
def toggle_buttons_page(ctx: RenderContext, widget: QWidget, layout: QVBoxLayout) -> None:
    cells = []

    examples: list[tuple[str, str, dict[str, Any], tuple[Any, ...]]] = [
        ("Default icon", "ToggleButton()", {}, ()),
        ("With a text", 'ToggleButton(text="Reminders")', {"text": "Reminders"}, ()),
        ("Selected", "ToggleButton(selected=True)", {"selected": True}, ()),
        ("Selected, with a text", 'ToggleButton(text="Alarm on", selected=True)',
         {"text": "Alarm on", "selected": True}, ()),
    ]
    for title, code, kwargs, args in examples:
        button = toggle(ctx, widget, *args, **kwargs)
        if not button.text():
            button.setToolTip("Clock")  # a button with only an icon is known by its tool tip
        state = caption(_checked_text(button))
        state.setWordWrap(False)
        button.toggled.connect(lambda _on, b=button, s=state: s.setText(_checked_text(b)))
        about = QVBoxLayout()
        about.setSpacing(space(1))
        about.addWidget(section(title))
        about.addWidget(code_text(code))
        cells += [row(button, state), about]
    # The button and its state beside what it is, one example a row (stacked when narrow).
    layout.addLayout(columns(2, 200, *cells, row_spacing=1))

    layout.addSpacing(space(1))
    layout.addWidget(section("A group: one choice at a time"))
    layout.addWidget(caption("The arrow keys move the choice along the group; Tab stops once, on the chosen one."))
    group = QButtonGroup(widget)
    group.setExclusive(True)
    choices = []
    for text, value, selected in (("Day", "day", False), ("Week", "week", True), ("Month", "month", False)):
        button = toggle(ctx, widget, icon=None, text=text, value=value, selected=selected)
        group.addButton(button)
        choices.append(button)
    layout.addLayout(row(*choices))
    chosen = caption("")

    def show_choice(*_: object) -> None:
        button: Any = group.checkedButton()  # a ToggleButton
        chosen.setText(f"value() of the checked button: {button.value()!r}" if button else "nothing checked")

    group.buttonToggled.connect(show_choice)
    show_choice()
    layout.addWidget(chosen)
    layout.addStretch(1)
