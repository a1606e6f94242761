"""A first window: the theme on the whole application, a switch for dark mode."""

from PySide6.QtWidgets import QApplication, QLabel, QVBoxLayout, QWidget

from tovane.material import Button, RenderContext, Switch, apply_theme, useTheme

app = QApplication([])
theme = useTheme()
apply_theme(app)  # palette, body text and a style sheet for Qt's own widgets

window = QWidget()
window.setWindowTitle("Hello, tovane")
layout = QVBoxLayout(window)
layout.addWidget(QLabel("Qt's own widgets and tovane's share one theme."))

dark = Switch(label="Dark mode", checked=theme.mode == "dark")
dark.toggled.connect(lambda on: theme.setMode("dark" if on else "light"))
layout.addWidget(dark)

ctx = RenderContext(theme=theme)
hello = Button("Say hello", size="small").renderUi(ctx, parent=window)
hello.clicked.connect(lambda: print("hello"))
layout.addWidget(hello)

window.show()
app.exec()
