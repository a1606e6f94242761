"""Toggle buttons: buttons that stay down, alone and in an exclusive group."""

from PySide6.QtWidgets import QButtonGroup, QVBoxLayout

from ._common import CLOCK_ICON, caption, code_text, columns, page, row, section, space, toggle


def _checked_text(button):
    return "checked" if button.isChecked() else "not checked"


@page("toggle-buttons", "Toggle buttons",
      "Buttons that stay down when pressed. Click one, or press Space or Enter on it, to toggle it; "
      "the text next to it follows its checked state. The icon takes the colour of the button's text.")
def toggle_buttons_page(ctx, widget, layout):
    cells = []

    examples = [
        ("Default icon", "ToggleButton()", {}, ()),
        ("With a text", 'ToggleButton(CLOCK, None, None, False, "Reminders")',
         {}, (CLOCK_ICON, None, None, False, "Reminders")),
        ("Selected", "ToggleButton(selected=True)", {"selected": True}, ()),
        ("Selected, with a text", 'ToggleButton(CLOCK, None, None, True, "Alarm on")',
         {}, (CLOCK_ICON, None, None, True, "Alarm on")),
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
        button = toggle(ctx, widget, None, None, value, selected, text)
        group.addButton(button)
        choices.append(button)
    layout.addLayout(row(*choices))
    chosen = caption("")

    def show_choice(*_):
        button = group.checkedButton()
        chosen.setText(f"value() of the checked button: {button.value()!r}" if button else "nothing checked")

    group.buttonToggled.connect(show_choice)
    show_choice()
    layout.addWidget(chosen)
    layout.addStretch(1)
