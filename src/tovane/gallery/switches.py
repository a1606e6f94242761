"""Switches: live switches, the parameters they take and the values they refuse."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any

from PySide6.QtWidgets import QFrame, QVBoxLayout, QWidget

from tovane.errors import DeZidOzezuzavuvArazo
from tovane.material.component import RenderContext

if TYPE_CHECKING:
    from tovane.material.switch.switch import Switch

from ._common import button, caption, card, code_text, columns, error_text, page, row, section


def readable_error(error: DeZidOzezuzavuvArazo, owner: type) -> str:
    """A sentence for a parameter that ``owner`` (a class with validated
    parameters) refused, from the fields of the validation error."""
    name, value = error.param_name, error.param_value
    if error.error_type == "INVALID_VALUE":
        allowed = getattr(getattr(owner, f"_{name}", None), "valid_values", None) or []
        choices = ", ".join(repr(v) for v in allowed)
        return f"{name}={value!r} is not one of its values. Use one of {choices}, or a State."
    kinds = [getattr(t, "__name__", None) or getattr(t, "_name", None) or str(t) for t in error.expected_types]
    kinds = ["None" if k == "NoneType" else k for k in kinds]
    kind = type(value).__name__
    article = "an" if kind[0] in "aeiou" else "a"
    takes = f"{', '.join(kinds[:-1])} or {kinds[-1]}" if len(kinds) > 1 else kinds[0]
    return f"{name}={value!r} is {article} {kind}; {name} takes {takes}."


def _example(ctx: RenderContext, parent: QWidget, code: str, switch: Switch, note: str) -> QFrame:
    frame, layout = card()
    state = caption("")
    state.setWordWrap(False)

    def show(*_: object) -> None:
        state.setText(f"checkedState.value is {switch.checkedState.value!r}")

    switch.checkedState.valueChanged.connect(show)
    show()
    layout.addLayout(row(switch, state, spacing=3))
    layout.addWidget(code_text(code))
    if note:
        layout.addWidget(caption(note))
    return frame


@page("switches", "Switches",
      "Click a switch or press Space or Enter on it to turn it on or off. Its parameters are checked "
      "when it is made; colour, size, side and edge may be States that it follows.")
def switches_page(ctx: RenderContext, widget: QWidget, layout: QVBoxLayout) -> None:
    from tovane.errors import DeZidOzezuzavuvArazo
    from tovane.hooks import State
    from tovane.material.switch import Switch

    layout.addWidget(section("Defaults, plain values and States"))
    layout.addWidget(_example(ctx, widget, "Switch(label=\"Notifications\")", Switch(label="Notifications"),
                              "Defaults: off, primary colour, medium size, the switch before its label."))
    layout.addWidget(_example(
        ctx, widget, 'Switch(label="Wi-Fi", checked=True, color="success", size="small", edge="end", value="wifi")',
        Switch(label="Wi-Fi", checked=True, color="success", size="small", edge="end", value="wifi"), ""))
    left = State(False)
    states = Switch(label=State("Bluetooth"), left=left, color=State("#7635DC"), size=State("large"),
                    edge=State(None))
    frame = _example(
        ctx, widget,
        'Switch(label=State("Bluetooth"), left=State(False), color=State("#7635DC"), size=State("large"), '
        "edge=State(None))", states,
        "Any colour text is kept; \"large\" is no size, so the switch is small; None is no edge.")
    frame_layout = frame.layout()
    assert isinstance(frame_layout, QVBoxLayout)
    frame_layout.addLayout(row(button(ctx, frame, "Swap sides", lambda: setattr(left, "value", not left.value),
                                        size="small")))
    layout.addWidget(frame)

    layout.addWidget(section("Colours and sizes"))
    colours: tuple[Any, ...] = ("default", "primary", "secondary", "error", "info", "success", "warning")
    # Four a row in a wide window, fewer in a narrow one.
    layout.addLayout(columns(4, 120, *(Switch(label=colour, color=colour, checked=True) for colour in colours),
                             spacing=2, row_spacing=1))
    layout.addLayout(columns(4, 120, Switch(label="small", size="small", checked=True),
                             Switch(label="disabled", disabled=True),
                             Switch(label="disabled, on", disabled=True, checked=True),
                             Switch(label="required", required=True), spacing=2, row_spacing=1))

    layout.addWidget(section("Refused values"))
    refused: tuple[tuple[str, dict[str, Any]], ...] = (('Switch(color="purple")', {"color": "purple"}),
                                                       ('Switch(checked="yes")', {"checked": "yes"}))
    for code, params in refused:
        try:
            Switch(**params)
        except DeZidOzezuzavuvArazo as error:
            message = error_text(readable_error(error, Switch))
        else:
            message = error_text("accepted, though it should have been refused")
        layout.addWidget(code_text(code))
        layout.addWidget(message)
    layout.addStretch(1)
