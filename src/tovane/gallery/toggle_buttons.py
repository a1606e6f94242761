"""Toggle buttons: buttons that stay down, alone and in an exclusive group."""

from PySide6.QtWidgets import QButtonGroup, QGridLayout, QHBoxLayout

from ._common import CLOCK_ICON, caption, code_text, page, page_frame, section, toggle


def _checked_text(button):
    return "checked" if button.isChecked() else "not checked"


@page("toggle-buttons", "Toggle buttons")
def toggle_buttons_page(ctx):
    widget, layout = page_frame(
        "Toggle buttons",
        "Buttons that stay down when pressed. Click one to toggle it; the text next to it "
        "follows its checked state.")
    grid = QGridLayout()
    grid.setHorizontalSpacing(16)
    grid.setVerticalSpacing(14)
    grid.setColumnStretch(2, 1)
    layout.addLayout(grid)

    rows = [
        ("Default icon", "ToggleButton()", {}, ()),
        ("Default icon with a text", 'ToggleButton(CLOCK, None, None, False, "Reminders")',
         {}, (CLOCK_ICON, None, None, False, "Reminders")),
        ("Selected", "ToggleButton(selected=True)", {"selected": True}, ()),
        ("Selected with a text", 'ToggleButton(CLOCK, None, None, True, "Alarm on")',
         {}, (CLOCK_ICON, None, None, True, "Alarm on")),
    ]
    for row, (title, code, kwargs, args) in enumerate(rows):
        button = toggle(ctx, widget, *args, **kwargs)
        state = caption(_checked_text(button))
        button.toggled.connect(lambda _on, b=button, s=state: s.setText(_checked_text(b)))
        cell = QHBoxLayout()
        cell.setSpacing(10)
        cell.addWidget(button)
        cell.addWidget(state)
        cell.addStretch(1)
        grid.addWidget(section(title), row, 0)
        grid.addLayout(cell, row, 1)
        grid.addWidget(code_text(code), row, 2)

    layout.addSpacing(8)
    layout.addWidget(section("A group: one choice at a time"))
    group = QButtonGroup(widget)
    group.setExclusive(True)
    row = QHBoxLayout()
    row.setSpacing(8)
    for text, value, selected in (("Day", "day", False), ("Week", "week", True), ("Month", "month", False)):
        button = toggle(ctx, widget, None, None, value, selected, text)
        group.addButton(button)
        row.addWidget(button)
    row.addStretch(1)
    layout.addLayout(row)
    chosen = caption("")

    def show_choice(*_):
        button = group.checkedButton()
        chosen.setText(f"value() of the checked button: {button.value()!r}" if button else "nothing checked")

    group.buttonToggled.connect(show_choice)
    show_choice()
    layout.addWidget(chosen)
    layout.addStretch(1)
    return widget
