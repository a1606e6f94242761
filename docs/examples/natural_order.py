"""Natural order: a table sorted as people count, filtered by column."""

from PySide6.QtCore import Qt
from PySide6.QtGui import QStandardItem, QStandardItemModel
from PySide6.QtWidgets import QApplication, QLineEdit, QTableView, QVBoxLayout, QWidget

from tovane.material import HumanProxyModel, apply_theme

app = QApplication([])
apply_theme(app)
files = QStandardItemModel()
files.setHorizontalHeaderLabels(["File", "Kind"])
for name, kind in (("img10.png", "Image"), ("img2.png", "Image"), ("report 1.25.pdf", "Document"),
                   ("Report 1.5.pdf", "Document"), ("img1.png", "Image")):
    files.appendRow([QStandardItem(name), QStandardItem(kind)])

proxy = HumanProxyModel()
proxy.setSourceModel(files)
view = QTableView()
view.setModel(proxy)
view.setSortingEnabled(True)
view.sortByColumn(0, Qt.SortOrder.AscendingOrder)

search = QLineEdit()
search.setPlaceholderText("Filter kinds")
# filters: (column, substring) pairs that every row shown contains.
search.textChanged.connect(lambda text: setattr(proxy, "filters", [(1, text)] if text else []))

window = QWidget()
layout = QVBoxLayout(window)
layout.addWidget(search)
layout.addWidget(view)

shown = [proxy.index(row, 0).data() for row in range(proxy.rowCount())]
assert shown == ["img1.png", "img2.png", "img10.png", "report 1.25.pdf", "Report 1.5.pdf"], shown
search.setText("Doc")
assert proxy.rowCount() == 2
window.show()
app.exec()
