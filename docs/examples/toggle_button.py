"""Toggle buttons: alone, and one choice of three in an exclusive group."""

from PySide6.QtWidgets import QApplication, QButtonGroup, QHBoxLayout, QWidget

from tovane.material import RenderContext, ToggleButton, apply_theme

app = QApplication([])
apply_theme(app)
window = QWidget()
row = QHBoxLayout(window)
ctx = RenderContext()

# ToggleButton(icon, text, value, selected, *args): further positional
# arguments reach Button, whose first text argument is the label.
alarm = ToggleButton(None, None, "alarm", True, "Alarm")
alarm.renderUi(ctx, parent=window)  # builds the button; it returns None
row.addWidget(alarm)

group = QButtonGroup(window)  # exclusive: one checked at a time
for label, value in (("Day", "day"), ("Week", "week"), ("Month", "month")):
    choice = ToggleButton(None, None, value, value == "week", label)
    choice.renderUi(ctx, parent=window)
    group.addButton(choice)
    row.addWidget(choice)

group.buttonToggled.connect(lambda button, on: on and print("period:", button.value()))
assert alarm.isChecked() and group.checkedButton().value() == "week"
window.show()
app.exec()
