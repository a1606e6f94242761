"""Lists: list item buttons selecting one key or several, and their variants."""

from __future__ import annotations

from typing import Any

from PySide6.QtWidgets import QFrame, QLabel, QSizePolicy, QVBoxLayout, QWidget

from tovane.material.component import RenderContext

from ._common import caption, columns, page, section


def _list(title: str, *items: QWidget) -> tuple[QVBoxLayout, QFrame]:
    """A titled column of list items in a plain frame."""
    box = QVBoxLayout()
    box.setSpacing(6)
    box.addWidget(section(title))
    frame = QFrame()
    frame.setFrameShape(QFrame.Shape.StyledPanel)
    rows = QVBoxLayout(frame)
    rows.setContentsMargins(4, 4, 4, 4)
    rows.setSpacing(2)
    for item in items:
        rows.addWidget(item)
    box.addWidget(frame)
    box.addStretch(1)
    return box, frame


@page("lists", "Lists",
      "List item buttons report a click with their key. One list shares a selected key, one "
      "selects several keys with checkboxes; the others show the divider, gutter and size variants. "
      "Click an item, or press Space or Enter on it: the last click is reported below.")
def lists_page(ctx: RenderContext, widget: QWidget, layout: QVBoxLayout) -> None:
    from tovane.hooks import State
    from tovane.material.list_item_checkbox import ListItemCheckbox
    from tovane.material.selvon import ListItemButton

    last_click = caption("Last click: none yet")

    def report(key: object) -> None:
        last_click.setText(f"Last click: {key!r}")

    def item(key: str, text: str, checkbox: bool = False, **kwargs: Any) -> QWidget:
        # A plain row shows the button's own text, drawn inside the theme's
        # padding (the gutters); a checkbox row lays out its children.
        if not checkbox:
            button = ListItemButton(key=key, **kwargs)
            button.renderUi(ctx, parent=widget)
            button.setText(text)
            return button
        box = ListItemCheckbox()
        box_layout = box.layout()
        assert box_layout is not None
        box_layout.setContentsMargins(12, 0, 4, 0)
        box.setSizePolicy(QSizePolicy.Policy.Maximum, QSizePolicy.Policy.Preferred)
        label = QLabel(text)
        label.setSizePolicy(QSizePolicy.Policy.Expanding, QSizePolicy.Policy.Preferred)
        return ListItemButton(key=key, children=[box, label], **kwargs).renderUi(ctx, parent=widget)

    # One choice: every item of the list shares the selected key.
    folder = State("inbox")
    chosen = caption("")

    def choose(key: str) -> None:
        folder.value = key
        report(key)

    folder.valueChanged.connect(lambda key: chosen.setText(f"selectedKey: {key!r}"))
    chosen.setText(f"selectedKey: {folder.value!r}")
    single = [item(key, text, selectedKey=folder, onClick=choose)
              for key, text in (("inbox", "Inbox"), ("drafts", "Drafts"), ("sent", "Sent"))]
    # The item's sx adds rules after the theme's: here a grey text while disabled.
    single.append(item("trash", "Trash (disabled)", selectedKey=folder, onClick=choose, disabled=True,
                       sx={"&:disabled": {"color": "#919EAB"}}))

    # Several at once: the selected keys are a list held by a State.
    radios = State(["wifi", "location"])
    picked = caption("")

    def toggle(key: str) -> None:
        keys = list(radios.value)
        keys.remove(key) if key in keys else keys.append(key)
        radios.value = keys
        report(key)

    radios.valueChanged.connect(lambda keys: picked.setText(f"selectedKey: {keys!r}"))
    picked.setText(f"selectedKey: {radios.value!r}")
    several = [item(key, text, checkbox=True, selectedKey=radios, onClick=toggle)
               for key, text in (("wifi", "Wi-Fi"), ("bluetooth", "Bluetooth"), ("location", "Location"))]

    plain = [("one", "First"), ("two", "Second"), ("three", "Third")]
    short = plain[:2]
    lists = [
        ("One choice", single, chosen),
        ("Several keys", several, picked),
        ("divider=True", [item(k, t, divider=True, onClick=report) for k, t in plain], None),
        ("disableGutters=True", [item(k, t, disableGutters=True, onClick=report) for k, t in short], None),
        ("dense=True", [item(k, t, dense=True, onClick=report) for k, t in short], None),
        ("normal, minHeight=48", [item(k, t, minHeight=48, onClick=report) for k, t in short], None),
    ]
    boxes = []
    for title, items, note in lists:
        box, _ = _list(title, *items)
        if note is not None:
            box.insertWidget(2, note)
        boxes.append(box)
    layout.addWidget(last_click)
    # Three lists a row, fewer in a narrow window.
    layout.addLayout(columns(3, 160, *boxes, spacing=2, row_spacing=2))
    layout.addStretch(1)
