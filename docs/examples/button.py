"""Buttons: a text, an icon, a value and the selected look."""

from PySide6.QtWidgets import QApplication, QHBoxLayout, QWidget

from tovane.material import Button, RenderContext, apply_theme

app = QApplication([])
apply_theme(app)
window = QWidget()
row = QHBoxLayout(window)
ctx = RenderContext()

save = Button("Save", value="save").renderUi(ctx, parent=window)
clock = Button(startIcon="access_time", size="small").renderUi(ctx, parent=window)  # an icon only: square
clock.setToolTip("Choose a time")
chosen = Button("Chosen", selected=True).renderUi(ctx, parent=window)
save.clicked.connect(lambda: print("clicked", save.value()))
for button in (save, clock, chosen):
    row.addWidget(button)

assert chosen.isSelected() and clock.width() == clock.height() == 32
window.show()
app.exec()
