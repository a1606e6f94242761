"""The slider demonstration window: plain, range and styled sliders."""

from PySide6.QtWidgets import QApplication

from tovane.material import DemoWidget

app = QApplication([])
demo = DemoWidget()  # a window of its own, with its own style sheet
demo.show()
app.exec()
