"""Deferred tasks: WidgetSetter and PyWidgetBase._do_task_async, with and
without an asyncio loop running on the GUI thread."""

import asyncio
import inspect

import pytest
from PySide6.QtCore import QRunnable
from PySide6.QtWidgets import QWidget

from tovane.material.brevant import brevant
from tovane.material.brevant import PyWidgetBase, WidgetSetter

qasync = pytest.importorskip("qasync")

LINE = "WidgetSetter errrrrrrrrrrr\n"


class Box(QWidget, PyWidgetBase):
    def __init__(self, parent=None):
        QWidget.__init__(self, parent)
        PyWidgetBase.__init__(self, parent)


@pytest.fixture
def qt_loop(qapp):
    loop = qasync.QEventLoop(qapp)
    yield loop
    loop.close()


class TestWidgetSetter:
    def test_is_a_runnable_holding_fn(self, qapp):
        fn = lambda: None  # noqa: E731
        worker = WidgetSetter(fn)
        assert isinstance(worker, QRunnable) and worker.fn is fn
        assert worker.autoDelete() is True  # the Qt half was initialised

    def test_run_is_lazy(self, qapp):
        calls = []
        coro = WidgetSetter(lambda: calls.append(1)).run()
        assert asyncio.iscoroutine(coro) and inspect.isawaitable(coro)
        assert calls == []
        coro.close()
        assert calls == []

    def test_run_body(self, qapp, capsys):
        calls = []
        assert asyncio.run(WidgetSetter(lambda: calls.append(1)).run()) is None
        assert calls == [1] and capsys.readouterr().out == ""

        def fail():
            calls.append(2)
            raise ValueError("boom")

        assert asyncio.run(WidgetSetter(fail).run()) is None
        assert calls == [1, 2] and capsys.readouterr().out == LINE

        broken = WidgetSetter(None)
        del broken.fn
        asyncio.run(broken.run())  # even the missing attribute is only reported
        assert capsys.readouterr().out == LINE

    def test_base_exceptions_propagate(self, qapp, capsys):
        def interrupt():
            raise KeyboardInterrupt

        coro = WidgetSetter(interrupt).run()
        with pytest.raises(KeyboardInterrupt):
            coro.send(None)
        assert capsys.readouterr().out == ""

    def test_print_is_looked_up_when_reporting(self, qapp, monkeypatch):
        lines = []
        monkeypatch.setattr(brevant, "print", lambda *args: lines.append(args), raising=False)
        asyncio.run(WidgetSetter(lambda: 1 / 0).run())
        assert lines == [("WidgetSetter errrrrrrrrrrr",)]


class TestWithRunningLoop:
    def test_runs_once_after_control_returns_in_call_order(self, qapp, qt_loop, capsys):
        w = Box()
        log = []

        def boom():
            log.append("boom")
            raise ValueError("boom")

        async def main():
            assert w._do_task_async(lambda: log.append(1)) is None
            w._do_task_async(boom)
            w._do_task_async(lambda: log.append(3))
            log.append("returned")
            await asyncio.sleep(0.05)
            log.append("slept")

        qt_loop.run_until_complete(main())
        assert log == ["returned", 1, "boom", 3, "slept"]
        assert capsys.readouterr().out == LINE

    def test_work_goes_through_an_asyncio_task(self, qapp, qt_loop, monkeypatch):
        scheduled = []
        real = asyncio.ensure_future

        def spy(coro, **kwargs):  # qasync itself calls it with loop=...
            if not kwargs:
                scheduled.append(coro)
            return real(coro, **kwargs)

        monkeypatch.setattr(brevant.asyncio, "ensure_future", spy)
        calls = []

        async def main():
            Box()._do_task_async(lambda: calls.append(1))
            await asyncio.sleep(0.05)

        qt_loop.run_until_complete(main())
        assert calls == [1] and len(scheduled) == 1 and asyncio.iscoroutine(scheduled[0])


class TestWithoutLoop:
    def test_work_still_runs_once(self, qapp, qtbot, capsys):
        w = Box()
        log = []
        w._do_task_async(lambda: log.append(1))
        w._do_task_async(lambda: [][0])
        w._do_task_async(lambda: log.append(3))
        assert log == []
        qtbot.waitUntil(lambda: log == [1, 3], timeout=2000)
        qtbot.wait(50)
        assert log == [1, 3]
        assert capsys.readouterr().out == LINE

    def test_no_task_is_left_on_an_idle_loop(self, qapp, qtbot, monkeypatch):
        def no_tasks(*args):
            raise AssertionError("a task was made with no loop running")

        monkeypatch.setattr(brevant.asyncio, "ensure_future", no_tasks)
        done = []
        Box()._do_task_async(lambda: done.append(1))
        qtbot.waitUntil(lambda: done == [1], timeout=2000)

    def test_thread_pool_gets_no_work(self, qapp, qtbot, monkeypatch):
        class Pool:
            def __init__(self):
                self.started = []

            def start(self, runnable):
                self.started.append(runnable)

        w = Box()
        w._thread_pool = Pool()
        done = []
        w._do_task_async(lambda: done.append(1))
        assert w._thread_pool.started == [None]
        qtbot.waitUntil(lambda: done == [1], timeout=2000)


def test_missing_pool_fails_before_anything_is_scheduled(qapp, qtbot):
    # A widget set up through _setUpUi only has no pool handle: the call fails
    # as `self._thread_pool.start(...)` would, before the timer is armed.
    w = Box()
    del w._thread_pool
    done = []
    with pytest.raises(AttributeError, match="_thread_pool"):
        w._do_task_async(lambda: done.append(1))
    qtbot.wait(50)
    assert done == []
