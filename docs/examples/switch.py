"""Switches: plain values, a State shared with other code, refused values."""

from PySide6.QtWidgets import QApplication, QVBoxLayout, QWidget

from tovane import DeZidOzezuzavuvArazo, State
from tovane.material import Switch, apply_theme

app = QApplication([])
apply_theme(app)
window = QWidget()
layout = QVBoxLayout(window)

wifi = Switch(label="Wi-Fi", checked=True, color="success", size="small")
wifi.checkedState.valueChanged.connect(lambda on: print("Wi-Fi", "on" if on else "off"))

airplane = State(False)  # the switch and the State follow each other
flight = Switch(label="Airplane mode", checked=airplane, onChange=lambda on: print("changed by the user:", on))
airplane.value = True
assert flight.isChecked()

for switch in (wifi, flight):
    layout.addWidget(switch)

try:
    Switch(lable="Bluetooth")
except DeZidOzezuzavuvArazo as error:
    print(error)  # ... unknown parameter 'lable' for Switch; did you mean 'label'?

window.show()
app.exec()
