"""A list where one item at a time is selected, by a shared key."""

from PySide6.QtWidgets import QApplication, QVBoxLayout, QWidget

from tovane import State
from tovane.material import ListItemButton, RenderContext, apply_theme

app = QApplication([])
apply_theme(app)
window = QWidget()
layout = QVBoxLayout(window)
ctx = RenderContext()

folder = State("inbox")  # the selected key, shared by the items


def choose(key: str) -> None:
    folder.value = key  # every item restyles: the one with this key shows selected


items = {}
for key, text in (("inbox", "Inbox"), ("drafts", "Drafts"), ("sent", "Sent")):
    item = ListItemButton(key=key, selectedKey=folder, onClick=choose, divider=True)
    item.renderUi(ctx, parent=window)
    item.setText(text)
    layout.addWidget(item)
    items[key] = item

choose("sent")
assert items["sent"].property("selected") == "true" and items["inbox"].property("selected") == "false"
window.show()
app.exec()
