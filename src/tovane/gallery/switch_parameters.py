"""Switch parameters: what the switch's serializer accepts, resolves and rejects."""

from PySide6.QtWidgets import QGridLayout, QLabel

from ._common import caption, code_text, page, page_frame, section


_GETTERS = ("label", "checked", "disabled", "left", "color", "size", "edge", "value")


@page("switch-parameters", "Switch parameters")
def switch_parameters_page(ctx):
    from tovane.errors import DeZidOzezuzavuvArazo
    from tovane.hooks import State
    from tovane.material.switch._serializer import Serializer

    widget, layout = page_frame(
        "Switch parameters",
        "Parameters are validated at construction. The getters read through a State and fall "
        "back where a value is out of range: any colour string is kept, an unknown size gives "
        "\"small\", an unknown edge False.")

    examples = [
        ("defaults", "Serializer()", Serializer()),
        ("plain values",
         'Serializer(label="Wi-Fi", checked=True, color="success", size="small", edge="end", value="wifi")',
         Serializer(label="Wi-Fi", checked=True, color="success", size="small", edge="end", value="wifi")),
        ("States",
         'Serializer(label=State("Bluetooth"), left=State(False), color=State("#7635DC"), '
         'size=State("large"), edge=State(None))',
         Serializer(label=State("Bluetooth"), left=State(False), color=State("#7635DC"),
                    size=State("large"), edge=State(None))),
    ]
    for heading, code, _ in examples[1:]:
        layout.addWidget(code_text(f"{heading}: {code}"))
    grid = QGridLayout()
    grid.setHorizontalSpacing(18)
    grid.setVerticalSpacing(3)
    grid.addWidget(section("getter"), 0, 0)
    for column, (heading, _, _) in enumerate(examples, start=1):
        grid.addWidget(section(heading), 0, column)
        grid.setColumnStretch(column, 1)
    for row, name in enumerate(_GETTERS, start=1):
        getter = f"_get_{name}"
        grid.addWidget(code_text(f"{getter}()"), row, 0)
        for column, (_, _, serializer) in enumerate(examples, start=1):
            grid.addWidget(QLabel(repr(getattr(serializer, getter)())), row, column)
    layout.addLayout(grid)

    layout.addSpacing(6)
    layout.addWidget(section("Rejected values"))
    for code, kwargs in (('Serializer(color="purple")', {"color": "purple"}),
                         ('Serializer(checked="yes")', {"checked": "yes"})):
        try:
            Serializer(**kwargs)
        except DeZidOzezuzavuvArazo as error:
            outcome = f"{type(error).__name__}: {error}"
        else:
            outcome = "accepted (it should have been rejected)"
        layout.addWidget(code_text(code))
        message = caption(outcome)
        message.setProperty("role", "error")
        layout.addWidget(message)
    layout.addStretch(1)
    return widget
