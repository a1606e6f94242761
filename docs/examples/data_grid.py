"""A data grid of people: typed and computed columns, sorting, and a frozen
column of buttons made for the rows in view."""

import datetime

from PySide6.QtCore import Qt
from PySide6.QtWidgets import QApplication, QPushButton, QVBoxLayout, QWidget

from tovane.material import DataGrid, apply_theme

app = QApplication([])
apply_theme(app)
window = QWidget()
layout = QVBoxLayout(window)

people = [
    {"name": "Ada Achebe", "id": 1002, "city": "Lagos", "joined": datetime.date(2021, 3, 9), "orders": 12},
    {"name": "Bruno Berg", "id": 1010, "city": "Oslo", "joined": datetime.date(2019, 7, 1), "orders": 3},
    {"name": "Chloé Castillo", "id": 1001, "city": "Lyon", "joined": datetime.date(2023, 1, 5), "orders": 40},
]


def open_button(record: dict) -> QPushButton:
    button = QPushButton("Open")
    button.clicked.connect(lambda: print("open", record["id"]))
    return button


columns = [
    {"field": "name", "headerName": "Name", "width": 160, "editable": True},
    {"field": "id", "headerName": "ID", "type": "number", "width": 70},
    {"field": "city", "headerName": "City", "flex": 1, "minWidth": 90},
    {"field": "joined", "headerName": "Joined", "type": "date", "width": 100},
    {"field": "orders", "headerName": "Orders", "type": "number", "width": 80},
    {"headerName": "Label", "valueGetter": lambda r: f"{r['name']} ({r['city']})", "width": 200},
    {"field": "actions", "headerName": "", "renderCell": open_button, "sortable": False, "width": 80},
]
# The last column stays in view while the others scroll sideways; its
# buttons are made for the rows in view only.
grid = DataGrid(columns, people, isFrozenLastColumn=True)
grid.setCellWidgetsOnDemand()
grid.sortByColumn(1, Qt.SortOrder.AscendingOrder)  # by id: sorting reorders `people` too
layout.addWidget(grid)
window.resize(700, 260)
window.show()
app.processEvents()

assert [p["id"] for p in people] == [1001, 1002, 1010]
assert len(grid.findChildren(QPushButton)) == 3  # one per row in view
app.exec()
