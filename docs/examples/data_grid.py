"""A data grid of people: columns, a computed column, a frozen column of buttons."""

import threading

from PySide6.QtCore import Qt
from PySide6.QtWidgets import QApplication, QPushButton, QStyledItemDelegate, QVBoxLayout, QWidget

from tovane.material import DataGrid, apply_theme

app = QApplication([])
apply_theme(app)
window = QWidget()
layout = QVBoxLayout(window)

people = [
    {"name": "Ada Achebe", "id": 1002, "city": "Lagos", "orders": 12},
    {"name": "Bruno Berg", "id": 1010, "city": "Oslo", "orders": 3},
    {"name": "Chloé Castillo", "id": 1001, "city": "Lyon", "orders": 40},
]


def open_button(record: dict) -> QPushButton:
    button = QPushButton("Open")
    button.clicked.connect(lambda: print("open", record["id"]))
    return button


columns = [
    {"field": "name", "headerName": "Name"},
    {"field": "id", "headerName": "ID", "align": "right"},
    {"field": "city", "headerName": "City"},
    {"field": "orders", "headerName": "Orders", "align": "right"},
    {"field": "label", "headerName": "Label", "valueGetter": lambda r: f"{r['name']} ({r['city']})"},
    {"field": "actions", "headerName": "", "renderCell": open_button},  # a widget per row
]
# The last column stays in view while the others scroll sideways; the last
# delegate given draws it (here Qt's plain one).
grid = DataGrid(columns, people, isFrozenLastColumn=True, itemDelegates=[QStyledItemDelegate()])
for column, width in enumerate((160, 70, 90, 80, 200, 80)):
    grid.setColumnWidth(column, width)
grid.sortByColumn(1, Qt.SortOrder.AscendingOrder)  # by id: sorting reorders `people` too
layout.addWidget(grid)

# Cell widgets are made on the GUI thread; a worker thread may ask for them.
worker = threading.Thread(target=grid._thread_set_index_widget)
worker.start()
worker.join()
app.processEvents()  # the queued requests build the buttons

assert [p["id"] for p in people] == [1001, 1002, 1010]
assert isinstance(grid._frozenColumn.indexWidget(grid.model().index(0, 5)), QPushButton)
window.resize(700, 260)
window.show()
app.exec()
