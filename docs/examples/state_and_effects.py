"""State holds a value; useEffect runs a function now and after each change."""

from PySide6.QtWidgets import QApplication, QLabel

from tovane import State, useEffect

app = QApplication([])
clicks = State(0)  # a State[int]
label = QLabel()


def show_count() -> None:
    label.setText(f"{clicks.value} clicks")


# Runs once now, then after every change of `clicks`, while the label lives.
useEffect(show_count, [clicks], component=label)
assert label.text() == "0 clicks"

clicks.value += 1
clicks.value += 1
assert label.text() == "2 clicks"

clicks.value = 2  # the same value: no change, no run
label.show()
app.exec()
