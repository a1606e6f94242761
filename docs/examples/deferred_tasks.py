"""Deferred tasks: work queued to run once control is back in the event loop,
through an asyncio task when asyncio runs on Qt's loop (qasync)."""

import asyncio

import qasync
from PySide6.QtWidgets import QApplication, QLabel

from tovane.material import PyWidgetBase, WidgetSetter


class Status(QLabel, PyWidgetBase):
    def __init__(self) -> None:
        QLabel.__init__(self, "starting")
        PyWidgetBase.__init__(self)


app = QApplication([])
loop = qasync.QEventLoop(app)  # asyncio on Qt's event loop
status = Status()
log: list[str] = []


async def main() -> None:
    status._do_task_async(lambda: log.append("first"))
    status._do_task_async(lambda: status.setText("ready"))
    log.append("queued")  # the tasks run after this, in call order
    await asyncio.sleep(0.05)


loop.run_until_complete(main())
assert log == ["queued", "first"] and status.text() == "ready"

# A failing task prints "WidgetSetter errrrrrrrrrrr" and the others go on.
asyncio.run(WidgetSetter(lambda: print("a WidgetSetter runs one function")).run())
loop.close()
