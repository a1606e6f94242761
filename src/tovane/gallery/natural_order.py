"""Natural order: a sortable table through HumanProxyModel, a filter per column."""

from PySide6.QtCore import Qt
from PySide6.QtGui import QStandardItem, QStandardItemModel
from PySide6.QtWidgets import QHeaderView, QLineEdit, QVBoxLayout, QWidget

from tovane.material.component import RenderContext

from ._common import caption, code_text, page, row, section, table, text_field

HEADERS = ("File", "Kind", "Version")
FILES = [
    ("img10.png", "Image", "v1.10"), ("img2.png", "Image", "v1.2"), ("img1.png", "Image", "v1.9"),
    ("IMG_0003.jpg", "Image", "v2.0"), ("img12.png", "Image", "v1.11"), ("Report 1.5.pdf", "Document", "v3"),
    ("report 1.25.pdf", "Document", "v10"), ("Report 1.10.pdf", "Document", "v2"),
    ("chapter 9.md", "Text", "v1.0.9"), ("chapter 10.md", "Text", "v1.0.10"), ("chapter 1.md", "Text", "v1.0.1"),
    ("track 2 - take 10.wav", "Audio", "v0.9"), ("track 2 - take 9.wav", "Audio", "v0.10"),
    ("track 10 - take 1.wav", "Audio", "v0.1"), ("backup-2024-3.zip", "Archive", "v7"),
    ("backup-2024-12.zip", "Archive", "v12"), ("backup-2024-11.zip", "Archive", "v11"),
]


def _model() -> QStandardItemModel:
    model = QStandardItemModel(len(FILES), len(HEADERS))
    model.setHorizontalHeaderLabels(list(HEADERS))
    for r, values in enumerate(FILES):
        for c, value in enumerate(values):
            model.setItem(r, c, QStandardItem(value))
    return model


@page("natural-order", "Natural order",
      "HumanProxyModel sorts text the way people count: \"img2\" before \"img10\", "
      "\"Report 1.5\" after \"report 1.25\". Click a header to sort; type in a box to keep "
      "only the rows whose column contains that text.")
def natural_order_page(ctx: RenderContext, widget: QWidget, layout: QVBoxLayout) -> None:
    from tovane.material.focus_ring import FocusRing
    from tovane.material.marquel._velmora import HumanProxyModel, _human_key

    proxy = HumanProxyModel(widget)
    proxy.setSourceModel(_model())
    view = table(proxy)
    view.setSortingEnabled(True)
    view.sortByColumn(0, Qt.SortOrder.AscendingOrder)
    view.horizontalHeader().setSectionResizeMode(QHeaderView.ResizeMode.Stretch)
    view.setMinimumHeight(220)
    view.setAccessibleName("Files")

    boxes: list[QLineEdit] = []

    def refilter(*_: object) -> None:
        proxy.filters = [(column, box.text()) for column, box in enumerate(boxes) if box.text()]
        shown.setText(f"{proxy.rowCount()} of {len(FILES)} files shown")

    FocusRing(view, radius=8)
    for name in HEADERS:
        box = text_field(f"Filter {name.lower()}")
        box.setAccessibleName(f"Filter by {name.lower()}")
        box.setClearButtonEnabled(True)
        box.textChanged.connect(refilter)
        boxes.append(box)
    shown = caption("")
    layout.addLayout(row(*boxes, stretch=False))
    layout.addWidget(view, 1)
    layout.addWidget(shown)
    refilter()

    names = [f for f, _, _ in FILES if f.lower().startswith(("img", "report"))]
    layout.addWidget(section("The same names in plain text order and in natural order"))
    layout.addWidget(code_text("sorted():           " + ", ".join(sorted(names))))
    layout.addWidget(code_text("key=_human_key:     " + ", ".join(sorted(names, key=_human_key))))
