"""The native kit: module frame, function objects, coroutines, class builder.

Most checks compare a kit object with the Python code it stands for: the
same call must bind the same way and fail with the same message.
"""

import asyncio
import functools
import importlib
import importlib.util
import inspect
import os
import subprocess
import sys
import types
import warnings
from pathlib import Path

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from leakcheck import assert_no_leak

if os.environ.get("TOVANE_WHEEL_TEST") == "1":
    # A wheel's test run: the test-support module is never in a wheel.
    kp = pytest.importorskip("tovane._kitprobe")
else:
    import tovane._kitprobe as kp


# --- module frame -------------------------------------------------------



def call_outcome(fn, args, kwargs):
    """What a call gives: its result, or the TypeError's message."""
    try:
        return ("ok", fn(*args, **kwargs))
    except TypeError as e:
        return ("TypeError", str(e))

class TestModuleFrame:
    def test_attributes_come_from_the_spec(self):
        spec = kp.__spec__
        assert kp.__file__ == spec.origin
        assert kp.__loader__ is spec.loader
        assert kp.__package__ == "tovane"
        assert not hasattr(kp, "__path__")  # not a package: no search locations
        assert kp.__doc__ == "Exercises the native kit."

    def test_second_execution_is_refused(self):
        name = kp.__name__
        saved = sys.modules.pop(name)
        try:
            with pytest.raises(RuntimeError) as info:
                importlib.import_module(name)
            assert str(info.value) == (
                "Module '_kitprobe' has already been imported. Re-initialisation is not supported.")
        finally:
            sys.modules[name] = saved
        # The original module is untouched and still works.
        assert kp.sample(1, c=2) == (1, 1, 2, "dee", (), {})

    def test_repeated_create_returns_the_existing_module(self):
        assert importlib.util.module_from_spec(kp.__spec__) is kp

    def _run_in_interpreter(self, config):
        import _interpreters

        interp = _interpreters.create(_interpreters.new_config(config))
        try:
            code = (
                "import importlib.util\n"
                f"spec = importlib.util.spec_from_file_location('tovane._kitprobe', {kp.__file__!r})\n"
                "importlib.util.module_from_spec(spec)\n"
            )
            return _interpreters.exec(interp, code)
        finally:
            _interpreters.destroy(interp)

    def test_another_interpreter_is_refused_by_the_create_step(self):
        failure = self._run_in_interpreter("legacy")
        assert failure.type.__name__ == "ImportError"
        assert failure.msg == (
            "Interpreter change detected - this module can only be loaded into one interpreter per process.")

    def test_isolated_interpreter_refuses_before_create(self):
        failure = self._run_in_interpreter("isolated")
        assert failure.type.__name__ == "ImportError"
        assert "does not support loading in subinterpreters" in failure.msg

    def test_version_mismatch_warns_and_goes_on(self):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            assert kp.check_version(3, 12) is None
            assert kp.check_version(3, 13) is None
        assert [str(w.message) for w in caught] == [
            "compile time Python version 3.13 of module '_kitprobe' does not match runtime version 3.12"]
        assert caught[0].category is RuntimeWarning

    def test_from_import_semantics(self):
        kp.bind("collections", "OrderedDict", "abc")
        assert kp.OrderedDict is __import__("collections").OrderedDict
        assert kp.abc is __import__("collections.abc").abc  # submodule
        kp.bind(".errors", "DeZidOzezuzavuvArazo")  # relative to the package
        from tovane.errors import DeZidOzezuzavuvArazo

        assert kp.DeZidOzezuzavuvArazo is DeZidOzezuzavuvArazo

    @pytest.mark.parametrize("module,name", [("typing", "Nope"), ("tovane", "nope")])
    def test_failed_import_is_the_interpreters_error(self, module, name):
        with pytest.raises(ImportError) as ours:
            kp.bind(module, name)
        with pytest.raises(ImportError) as theirs:
            exec(f"from {module} import {name}", {})
        assert str(ours.value) == str(theirs.value)
        assert (ours.value.name, ours.value.path, ours.value.name_from) == (
            theirs.value.name, theirs.value.path, theirs.value.name_from)
        with pytest.raises(ModuleNotFoundError):
            kp.bind("no_such_module_anywhere", "x")


# --- function objects ----------------------------------------------------


def python_sample(a, b=1, *args, c, d: "str" = "dee", **kwargs) -> "tuple":
    return (a, b, c, d, args, kwargs)


python_sample.__qualname__ = "sample"


class TestFunctionObject:
    def test_python_function_attributes(self):
        f = kp.sample
        assert f.__name__ == "sample" and f.__qualname__ == "sample"
        assert f.__module__ == "_kitprobe"
        assert f.__doc__ == "Return the bound arguments."
        assert f.__annotations__ == {"d": "str", "return": "tuple"}
        assert f.__defaults__ == (1,) and f.__kwdefaults__ == {"d": "dee"}
        assert f.__globals__ is vars(kp)
        f.__dict__["tag"] = 1
        assert f.tag == 1
        assert repr(f).startswith("<function sample at 0x")

    def test_code_object_sizes_the_call(self):
        code = kp.sample.__code__
        assert isinstance(code, types.CodeType)
        assert code.co_argcount == 2 and code.co_kwonlyargcount == 2
        assert code.co_varnames == ("a", "b", "c", "d", "args", "kwargs")
        assert code.co_flags & inspect.CO_VARARGS and code.co_flags & inspect.CO_VARKEYWORDS
        assert not code.co_flags & inspect.CO_COROUTINE

    def test_signature(self):
        assert str(inspect.signature(kp.sample)) == str(inspect.signature(python_sample))

    def test_names_are_writable_as_strings_only(self):
        f = kp.make_class("Tmp", ()).echo
        f.__name__ = "renamed"
        assert f.__name__ == "renamed"
        with pytest.raises(TypeError, match="__qualname__ must be set to a string object"):
            f.__qualname__ = 3

    @settings(max_examples=300, deadline=None)
    @given(
        npos=st.integers(0, 4),
        keywords=st.lists(st.sampled_from(["a", "b", "c", "d", "e", "aa"]), unique=True, max_size=4),
    )
    def test_binding_matches_python(self, npos, keywords):
        args = list(range(npos))
        kwargs = {k: k.upper() for k in keywords}

        assert call_outcome(kp.sample, args, kwargs) == call_outcome(python_sample, args, kwargs)

    def test_too_many_with_keyword_only_given(self):
        P = kp.make_class("P", ())

        def echo(self, x=1):
            pass

        echo.__qualname__ = "P.echo"
        for call in (lambda f: f(P(), 1, 2), lambda f: f(), lambda f: f(P(), y=1)):
            with pytest.raises(TypeError) as ours:
                call(P.echo)
            with pytest.raises(TypeError) as theirs:
                call(echo)
            assert str(ours.value) == str(theirs.value)

    def test_instance_access_binds_as_method(self):
        P = kp.make_class("P", ())
        p = P()
        bound = p.echo
        assert type(bound) is types.MethodType
        assert bound.__func__ is P.__dict__["echo"]
        assert bound.__self__ is p
        assert P.echo is P.__dict__["echo"]
        # The descriptor slot accepts a missing owner type, as Shiboken calls it.
        assert type(P.echo).__get__(P.echo, p, None).__self__ is p
        assert type(P.echo).__get__(P.echo, None, P) is P.echo
        assert bound(5) == (p, 5, P)
        assert str(inspect.signature(bound)) == "(x: 'int' = 1) -> 'tuple'"

    def test_works_under_classmethod_property_lru_cache_partial(self):
        P = kp.make_class("P", (), {
            "cm": classmethod(kp.sample),
            "prop": property(kp.make_class("Q", ()).echo),
        })
        assert P.cm(c=3) == (P, 1, 3, "dee", (), {})
        p = P()
        assert p.prop[0] is p and p.prop[1] == 1
        cached = functools.lru_cache(kp.sample)
        assert cached(1, c=2) is cached(1, c=2)
        assert cached.cache_info().hits == 1
        assert cached.__wrapped__ is kp.sample and cached.__name__ == "sample"
        assert functools.partial(kp.sample, 9, c=0)() == (9, 1, 0, "dee", (), {})

    def test_garbage_collected_in_cycles(self):
        import gc
        import weakref

        P = kp.make_class("Cyclic", ())
        f = P.__dict__["echo"]
        f.__dict__["me"] = f  # a reference cycle through the function's dict
        ref = weakref.ref(f)
        del P, f
        gc.collect()
        assert ref() is None


# --- coroutine functions --------------------------------------------------


class TestCoroutine:
    def test_is_a_coroutine_function(self):
        assert inspect.iscoroutinefunction(kp.twice)
        assert kp.twice.__code__.co_flags & inspect.CO_COROUTINE

    def test_runs_only_when_awaited(self):
        coro = kp.twice(21)
        assert asyncio.iscoroutine(coro)
        assert asyncio.run(coro) == 42

        async def outer():
            return await kp.twice(4)

        assert asyncio.run(outer()) == 8

    def test_exception_propagates_through_await(self):
        with pytest.raises(KeyError):
            asyncio.run(kp.twice(KeyError("x")))

    def test_protocol(self):
        coro = kp.twice(2)
        with pytest.raises(StopIteration) as info:
            coro.send(None)
        assert info.value.value == 4
        with pytest.raises(RuntimeError, match="cannot reuse already awaited coroutine"):
            coro.send(None)
        coro = kp.twice(2)
        with pytest.raises(TypeError, match="can't send non-None value"):
            coro.send(1)
        coro.close()
        coro = kp.twice(2)
        with pytest.raises(ValueError):
            coro.throw(ValueError("in"))

    def test_stop_iteration_becomes_runtime_error(self):
        with pytest.raises(RuntimeError, match="coroutine raised StopIteration"):
            asyncio.run(kp.twice(StopIteration()))

    def test_never_awaited_warns(self):
        with pytest.warns(RuntimeWarning, match="coroutine 'twice' was never awaited"):
            kp.twice(1)
            import gc

            gc.collect()

    def test_argument_errors_are_raised_at_call(self):
        with pytest.raises(TypeError, match=r"twice\(\) missing 1 required positional argument: 'x'"):
            kp.twice()


# --- class builder -----------------------------------------------------------


class Recorder(type):
    namespaces = []

    @classmethod
    def __prepare__(mcls, name, bases):
        ns = {}
        Recorder.namespaces.append(ns)
        return ns


class Meta2(type):
    pass


class TestClassBuilder:
    def test_class_statement_attributes(self):
        P = kp.make_class("Probe", (), {"k": 1}, "doc of Probe")
        assert P.__module__ == "_kitprobe" and P.__qualname__ == "Probe"
        assert P.__doc__ == "doc of Probe"
        assert list(P.__dict__)[:3] == ["__module__", "__doc__", "k"]
        assert P.echo.__qualname__ == "Probe.echo"
        assert "_Probe__private" in P.__dict__ and "__private" not in P.__dict__
        assert P._Probe__private.__name__ == "__private"

    def test_nested_class_qualname(self):
        Inner = kp.make_class("DropmarkerStyle", (), outer="DataGrid")
        assert Inner.__qualname__ == "DataGrid.DropmarkerStyle"
        assert Inner.echo.__qualname__ == "DataGrid.DropmarkerStyle.echo"
        assert "_DropmarkerStyle__private" in vars(Inner)

    def test_uses_the_most_derived_metaclass_and_prepare(self):
        class Base(metaclass=Recorder):
            pass

        class Plain:
            pass

        Recorder.namespaces.clear()
        P = kp.make_class("P", (Plain, Base), {"x": 1})
        assert type(P) is Recorder
        ns = Recorder.namespaces[-1]
        assert list(ns)[:3] == ["__module__", "__qualname__", "x"]

    def test_metaclass_conflict(self):
        class A(metaclass=Recorder):
            pass

        class B(metaclass=Meta2):
            pass

        with pytest.raises(TypeError) as ours:
            kp.make_class("C", (A, B))
        with pytest.raises(TypeError) as theirs:
            types.new_class("C", (A, B))
        assert str(ours.value) == str(theirs.value)

    def test_python_subclass_overrides_and_super(self):
        class Base:
            def describe(self):
                return "base"

        P = kp.make_class("P", (Base,))

        class Child(P):
            def describe(self):
                return "child+" + super().describe()

            def echo(self, x=2):
                return ("child",) + super().echo(x)

        c = Child()
        assert c.describe() == "child+probe(base)"
        assert c.echo()[:3] == ("child", c, 2)

    def test_qt_calls_overridden_virtuals(self, qapp):
        from PySide6.QtCore import QSize
        from PySide6.QtWidgets import QWidget

        W = kp.make_class("W", (QWidget,))
        w = W()
        w.hint = QSize(123, 45)
        w.resizes = []
        w.adjustSize()  # Qt reads sizeHint() through the virtual
        assert w.size() == QSize(123, 45)
        w.show()
        w.resize(200, 100)
        qapp.processEvents()
        assert QSize(200, 100) in w.resizes
        w.close()

    def test_kit_method_as_signal_slot(self, qapp):
        from PySide6.QtCore import QObject, Qt, Signal

        O = kp.make_class("O", (QObject,), {"fired": Signal(int)})
        o = O()
        o.log = []
        o.fired.connect(o.record)
        o.fired.connect(o.record, Qt.ConnectionType.QueuedConnection)
        o.fired.emit(5)
        assert o.log == [(5,)]
        qapp.processEvents()
        assert o.log == [(5,), (5,)]


# --- calls with unpacking -------------------------------------------------


def _target(*args, **kwargs):
    return args, kwargs


class _Keys:
    def keys(self):
        return ["y"]

    def __getitem__(self, key):
        return key * 2


@pytest.mark.parametrize("args,kwargs", [
    ((1, 2), {"y": 3}), ([1], {}), ("ab", _Keys()), ((), {"x": 2}), (5, {}), ((), [("y", 1)]), ((), 3),
])
def test_call_unpacked_is_the_interpreters(args, kwargs):
    def outcome(call):
        try:
            return call()
        except TypeError as e:
            return str(e)

    ours = outcome(lambda: kp.unpack_call(_target, args, kwargs))
    theirs = outcome(lambda: _target(*args, x=1, **kwargs))
    assert ours == theirs


# --- exceptions --------------------------------------------------------------


class TestExceptions:
    def test_context_is_the_handled_exception(self):
        first = ValueError("first")

        def fail():
            raise KeyError("second")

        with pytest.raises(KeyError) as info:
            kp.raise_while_handling(first, fail)
        assert info.value.__context__ is first

    def test_python_errors_pass_unchanged(self):
        class Custom(Exception):
            pass

        err = Custom("x")
        P = kp.make_class("P", ())
        p = P()
        type(p).hint = property(lambda self: (_ for _ in ()).throw(err))
        with pytest.raises(Custom) as info:
            p.sizeHint()
        assert info.value is err


# --- leaks ---------------------------------------------------------------


class TestLeaks:
    def test_calls(self):
        P = kp.make_class("P", ())
        p = P()
        assert_no_leak(lambda: kp.sample(1, 2, 3, c=4, z=5))
        assert_no_leak(lambda: p.echo(x=3))

    def test_error_paths(self):
        def bad():
            try:
                kp.sample(1, 2, zz=1)
            except TypeError:
                pass
            try:
                kp.sample()
            except TypeError:
                pass

        assert_no_leak(bad, calls=50_000)

    def test_coroutines(self):
        def run():
            coro = kp.twice(3)
            try:
                coro.send(None)
            except StopIteration:
                pass

        assert_no_leak(run)


# --- def lines --------------------------------------------------------------


class TestDefLines:
    def test_signature_defaults_and_annotations_come_from_the_def_line(self):
        def twice(x: "int"):
            pass

        assert str(inspect.signature(kp.twice)) == str(inspect.signature(twice))
        assert kp.make_class("P", ()).echo.__annotations__ == {"x": "int", "return": "tuple"}
        assert kp.cached.__defaults__ is None and kp.cached.__code__.co_argcount == 0

    def test_body_parameters_follow_the_def_line_not_the_slot_order(self):
        # *args comes before the keyword-only parameters in the def line, after
        # them in the slots: the body still receives each by its name.
        assert kp.sample(1, 2, 3, 4, c=5, z=6) == (1, 2, 5, "dee", (3, 4), {"z": 6})

    def test_unpacking_the_wrong_number_of_slots_is_an_error(self):
        with pytest.raises(SystemError, match="unpacks 2 arguments but the function has 3 parameters"):
            kp.unpack_two(1, 2, 3)

    def test_a_cached_object_is_made_once(self):
        assert kp.cached() is kp.cached()


def _kit_source():
    root = Path(__file__).resolve().parents[1]
    kit = root / "src" / "kit" / "function.hpp"
    return root if kit.exists() else None


def _compile(source, tmp_path, compiler=None, flags=("-fsyntax-only",)):
    import shutil
    import sysconfig

    compiler = shutil.which(compiler) if compiler else (shutil.which("c++") or shutil.which("g++"))
    root = _kit_source()
    if compiler is None or root is None:
        pytest.skip("needs a C++ compiler and the kit's sources")
    path = tmp_path / "probe.cpp"
    path.write_text(source)
    return subprocess.run(
        [compiler, "-std=c++20", *flags, f"-I{root / 'src'}",
         f"-I{sysconfig.get_paths()['include']}", str(path)], capture_output=True, text=True)


def _warning_flags(compiler):
    """The warning flags CMakeLists.txt gives GCC and Clang (every module is built with them)."""
    import re

    text = (_kit_source() / "CMakeLists.txt").read_text()
    flags = re.search(r"add_compile_options\((-Wall [^)]*)\)", text).group(1).split()
    assert "-Werror" in flags and "-Wunused-const-variable" in flags
    if "clang" in compiler:
        flags += re.search(r"Clang\"\)\n(?:\s*#.*\n)*\s*add_compile_options\(([^)]*)\)", text).group(1).split()
    return [f for f in flags if not f.startswith("-O")]


COMPILERS = [pytest.param("g++", id="gcc"), pytest.param("clang++", id="clang")]


@pytest.mark.compiler
class TestDefLinesAtBuildTime:
    def test_a_body_that_disagrees_with_its_def_line_does_not_compile(self, tmp_path):
        good = '#include "kit/kit.hpp"\nconst kit::Def f{"def f(self, x=1)", [](PyObject*, PyObject*) {}};\n'
        assert _compile(good, tmp_path).returncode == 0
        for line, body in [("def f(self, x=1)", "[](PyObject*) {}"),
                           ("def f(self, *, y)", "[](PyObject*) {}"),
                           ("def f(self, x: Dict[str, int] = {}, *args)", "[](PyObject*, PyObject*) {}")]:
            bad = f'#include "kit/kit.hpp"\nconst kit::Def f{{"{line}", {body}}};\n'
            done = _compile(bad, tmp_path)
            assert done.returncode != 0, line
            assert "def_line_and_body_take_different_numbers_of_parameters" in done.stderr, done.stderr

    def test_the_documented_example_compiles(self, tmp_path):
        page = (_kit_source() or Path("/nonexistent")) / "docs" / "contributing" / "native-modules.md"
        if not page.exists():
            pytest.skip("needs the documentation's sources")
        text = page.read_text()
        start = text.index("```cpp", text.index("# Adding a native module")) + len("```cpp")
        example = "\n".join(line[3:] if line.startswith("   ") else line
                            for line in text[start:text.index("```", start)].splitlines())
        done = _compile(example, tmp_path)
        assert done.returncode == 0, done.stderr


# --- raise -------------------------------------------------------------------


class NotAnException:
    pass


class ReturnsSomethingElse(Exception):
    def __new__(cls, *args):
        return 5


def python_raise(exc):
    raise exc


def python_raise_from(exc, cause):
    raise exc from cause


def raised(fn, *args):
    try:
        fn(*args)
    except BaseException as e:  # noqa: B902 - everything is compared
        return e
    raise AssertionError("nothing was raised")


def describe(e):
    if e is None:
        return None
    return (type(e), str(e), describe(e.__cause__), e.__suppress_context__)


class TestRaise:
    @pytest.mark.parametrize("exc", [KeyError, KeyError("k"), 5, "text", NotAnException, NotAnException(),
                                     ReturnsSomethingElse, StopIteration(3), SystemExit])
    def test_raise_is_pythons(self, exc):
        ours, theirs = raised(kp.raise_it, exc), raised(python_raise, exc)
        assert describe(ours) == describe(theirs)
        if isinstance(exc, BaseException):
            assert ours is exc

    @pytest.mark.parametrize("cause", [None, ValueError, ValueError("v"), 3, NotAnException])
    def test_raise_from_is_pythons(self, cause):
        ours, theirs = raised(kp.raise_it_from, KeyError("k"), cause), raised(python_raise_from, KeyError("k"), cause)
        assert describe(ours) == describe(theirs)

    def test_raised_while_handling_gets_the_handled_exception_as_context(self):
        first = ValueError("first")

        def second():
            kp.raise_it(5)  # a TypeError, as Python's raise of a non-exception

        error = raised(kp.raise_while_handling, first, second)
        assert type(error) is TypeError and error.__context__ is first

    def test_patched_exception_class_that_is_not_one(self, monkeypatch):
        # A module global replaced by a factory returning a non-exception: the
        # raise statement's TypeError, never a SystemError.
        error = raised(kp.raise_it, (lambda: 5)())
        assert type(error) is TypeError and str(error) == "exceptions must derive from BaseException"


# --- coroutines: the state machine, against CPython's ---------------------


async def py_twice(x: "int"):
    if isinstance(x, BaseException) or (isinstance(x, type) and issubclass(x, BaseException)):
        raise x
    return x * 2


async def py_call_async(fn):
    return fn()


def _traceback():
    try:
        raise ValueError("for a traceback")
    except ValueError as e:
        return e.__traceback__


OPERATIONS = {
    "send None": lambda c: c.send(None),
    "send 1": lambda c: c.send(1),
    "next": lambda c: next(c),
    "close": lambda c: c.close(),
    "throw KeyError()": lambda c: c.throw(KeyError("k")),
    "throw class": lambda c: c.throw(KeyError),
    "throw class value": lambda c: c.throw(KeyError, "v"),
    "throw instance value": lambda c: c.throw(KeyError("k"), "v"),
    "throw class value tb": lambda c: c.throw(KeyError, None, _traceback()),
    "throw bad tb": lambda c: c.throw(KeyError, None, 5),
    "throw 5": lambda c: c.throw(5),
    "throw StopIteration": lambda c: c.throw(StopIteration(1)),
    "throw nothing": lambda c: c.throw(),
    "throw four": lambda c: c.throw(KeyError, None, None, None),
    "running": lambda c: (c.cr_running, c.cr_suspended, c.cr_await),  # (a C++ body has no frame)
    "await send": lambda c: c.__await__().send(None),
    "await next": lambda c: next(c.__await__()),
    "await close": lambda c: c.__await__().close(),
    "await throw": lambda c: c.__await__().throw(KeyError("k")),
}


def step(coro, name):
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)
            result = OPERATIONS[name](coro)
    except StopIteration as e:
        return ("StopIteration", e.value)
    except BaseException as e:  # noqa: B902
        # The type's own name is the one difference allowed ("'coroutine' object ...").
        message = str(e).replace(type(coro).__name__, "coroutine").replace(type(coro).__qualname__, "coroutine")
        message = message.replace("tovane.kit.coroutine", "coroutine")
        return (type(e).__name__, message, type(e.__cause__).__name__ if e.__cause__ else None)
    return ("returns", result)


class TestCoroutineStates:
    @settings(max_examples=300, deadline=None)
    @given(st.lists(st.sampled_from(sorted(OPERATIONS)), min_size=1, max_size=5),
           st.sampled_from([2, KeyError, StopIteration("escaping")]))
    def test_every_sequence_of_operations_answers_as_cpython(self, operations, argument):
        ours, theirs = kp.twice(argument), py_twice(argument)
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", RuntimeWarning)  # never awaited
            for name in operations:
                assert step(ours, name) == step(theirs, name), name
            ours.close()
            theirs.close()

    @pytest.mark.parametrize("name", ["send None", "close", "throw KeyError()", "throw 5", "running"])
    def test_operations_while_running(self, name):
        def outcome(factory):
            holder = []
            coro = factory(lambda: step(holder[0], name))
            holder.append(coro)
            return step(coro, "send None")

        assert outcome(kp.call_async) == outcome(py_call_async)


# --- recursion ---------------------------------------------------------------


class TestRecursion:
    def test_natives_calling_natives_meet_the_recursion_limit(self):
        with pytest.raises(RecursionError, match="maximum recursion depth exceeded"):
            kp.recurse(kp.recurse)
        assert kp.sample(1, c=2) == (1, 1, 2, "dee", (), {})  # the count is back to where it was

    def test_the_limit_is_the_interpreters(self):
        depth = []

        def count(fn):
            depth.append(1)
            return kp.recurse(fn)

        old = sys.getrecursionlimit()
        sys.setrecursionlimit(200)
        try:
            with pytest.raises(RecursionError):
                kp.recurse(count)
        finally:
            sys.setrecursionlimit(old)
        assert 30 < len(depth) < 200

    def test_each_thread_counts_for_itself(self):
        import threading

        errors = []

        def run():
            try:
                kp.recurse(kp.recurse)
            except RecursionError as e:
                errors.append(e)

        threads = [threading.Thread(target=run) for _ in range(3)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert len(errors) == 3

    def test_coroutine_steps_are_counted(self):
        def drive(_):
            coro = kp.call_async(lambda: drive(None))
            return coro.send(None)

        with pytest.raises(RecursionError):
            drive(None)


# --- interpreters --------------------------------------------------------------


def test_a_failed_import_in_another_interpreter_does_not_lock_the_first_out(tmp_path):
    script = f"""
import sys, _interpreters
sys.path.insert(0, {str(Path(kp.__file__).parents[1])!r})
interp = _interpreters.create(_interpreters.new_config("legacy"))
failure = _interpreters.exec(interp, '''
import sys
sys.path.insert(0, {str(Path(kp.__file__).parents[1])!r})
sys.modules["typing"] = None   # the module body's first import fails
import tovane._kitprobe
''')
_interpreters.destroy(interp)
print(failure.type.__name__ if failure else "imported")
import tovane._kitprobe as kp
print(kp.sample(1, c=2))
"""
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=60)
    assert done.returncode == 0, done.stderr
    assert done.stdout.split("\n")[:2] == ["ModuleNotFoundError", "(1, 1, 2, 'dee', (), {})"]


# --- the build refuses what the kit cannot check at run time ----------------


@pytest.mark.compiler
@pytest.mark.parametrize("compiler", COMPILERS)
class TestTheBuildRefuses:
    def _build(self, body, tmp_path, compiler, namespace="probe"):
        source = f'#include "kit/kit.hpp"\nnamespace {namespace} {{\nusing namespace kit;\n' + body + "\n}\n"
        # Compiled to an object: GCC finds unused variables only past the syntax check.
        flags = [*_warning_flags(compiler), "-c", "-o", str(tmp_path / "probe.o")]
        return _compile(source, tmp_path, compiler, flags)

    def test_a_def_that_nothing_registers(self, tmp_path, compiler):
        methods = ('const Def A_f{"def f(self)", [](PyObject*) {}};\n'
                   'const Def A_g{"def g(self)", [](PyObject*) {}};\n')
        registered = methods + "void body() { ClassBuilder cls(\"A\", {}); cls.def(A_f); cls.def(A_g); cls.define(); }"
        done = self._build(registered + "\n}\nKIT_MODULE(_a, body)\nnamespace {", tmp_path, compiler, "")
        assert done.returncode == 0, done.stderr
        forgotten = methods + "void body() { ClassBuilder cls(\"A\", {}); cls.def(A_f); cls.define(); }"
        done = self._build(forgotten + "\n}\nKIT_MODULE(_a, body)\nnamespace {", tmp_path, compiler, "")
        assert done.returncode != 0
        assert "A_g" in done.stderr and "unused" in done.stderr, done.stderr

    def test_a_pointer_kept_from_a_temporary_ref(self, tmp_path, compiler):
        if compiler != "clang++":
            pytest.skip("lifetimes are tracked by Clang (CI builds with both)")
        kept = ["PyObject* name = str(\"x\");",
                "PyObject* name = str(\"x\").get();",
                "auto* type = reinterpret_cast<PyTypeObject*>(str(\"x\").get());"]
        for line in kept:
            done = self._build(f"void f() {{ {line} (void)name; }}".replace("(void)name", "(void)" + (
                "type" if "type" in line else "name")), tmp_path, compiler)
            assert done.returncode != 0, line
            assert "will be destroyed at the end of the full-expression" in done.stderr, done.stderr
        held = self._build('void f() { Ref held = str("x"); PyObject* name = held; (void)name; }', tmp_path, compiler)
        assert held.returncode == 0, held.stderr

    def test_a_name_looked_up_by_c_string(self, tmp_path, compiler):
        done = self._build('Ref f(PyObject* o) { return getattr(o, "name"); }', tmp_path, compiler)
        assert done.returncode != 0 and "KIT_STR" in done.stderr, done.stderr
        done = self._build('Ref f(PyObject* o) { return getattr(o, KIT_STR("name")); }\n'
                           'Ref g(PyObject* f, PyObject* v) { return call_kw(f, {}, {{"name", v}}); }\n'
                           'Ref h(PyObject* m) { return get(m, "key", Py_None); }', tmp_path, compiler)
        assert done.returncode == 0, done.stderr
        # A keyword name made at run time is not a literal: it does not convert.
        done = self._build('Ref g(PyObject* f, PyObject* v, const char* n) { return call_kw(f, {}, {{n, v}}); }',
                           tmp_path, compiler)
        assert done.returncode != 0


# --- binding: the cases CPython's own binder decides ------------------------


def python_kwonly(a, b=2, *, c, d=4):
    return (a, b, c, d)


python_kwonly.__qualname__ = "kwonly"


class TestBinding:
    @settings(max_examples=300, deadline=None)
    @given(npos=st.integers(0, 5),
           keywords=st.lists(st.sampled_from(["a", "b", "c", "d", "e"]), unique=True, max_size=4))
    def test_keyword_only_without_varargs_matches_python(self, npos, keywords):
        args = list(range(npos))
        kwargs = {k: k.upper() for k in keywords}

        assert call_outcome(kp.kwonly, args, kwargs) == call_outcome(python_kwonly, args, kwargs)

    def test_too_many_positional_names_the_keyword_only_given(self):
        with pytest.raises(TypeError) as info:
            kp.kwonly(1, 2, 3, c=4)
        assert str(info.value) == ("kwonly() takes from 1 to 2 positional arguments but 3 positional arguments "
                                   "(and 1 keyword-only argument) were given")

    @pytest.mark.parametrize("defaults", [(1, 2, 3), (1, 2, 3, 4, 5), (9,), ()])
    def test_defaults_longer_than_the_parameters_bind_the_last(self, defaults):
        echo = kp.make_class("P", ()).__dict__["echo"]  # def echo(self, x: int = 1): return (self, x, __class__)

        def py_echo(self, x=1):
            return (self, x)

        py_echo.__qualname__ = echo.__qualname__
        echo.__defaults__ = defaults
        py_echo.__defaults__ = defaults
        assert echo.__defaults__ == defaults

        def outcome(fn, *args):
            try:
                return ("ok", fn(*args)[:2])
            except TypeError as e:
                return ("TypeError", str(e))

        for args in [(), (7,), (7, 8), (7, 8, 9)]:
            assert outcome(echo, *args) == outcome(py_echo, *args), args
        if len(defaults) >= 2:
            assert echo()[:2] == defaults[-2:]

    def test_keyword_only_defaults_are_held_for_the_call(self):
        # The body runs a hook before it reads its keyword-only default; the
        # hook replaces the default in the (mutable) __kwdefaults__ dict.  The
        # value bound must stay alive for the call.
        freed = []

        class Canary:
            def __del__(self):
                freed.append(True)

        fn = kp.call_then_return
        saved = fn.__kwdefaults__
        try:
            canary = Canary()
            fn.__kwdefaults__ = {"value": canary}
            del canary

            def hook():
                fn.__kwdefaults__["value"] = "replaced"
                if freed:  # the binder borrowed it: the body would read freed memory next
                    raise AssertionError("the bound default was freed during the call")

            assert type(fn(hook)) is Canary
            assert freed == [True]  # released once the call is over
            assert fn(lambda: None) == "replaced"
        finally:
            fn.__kwdefaults__ = saved


# --- iteration --------------------------------------------------------------


def _python_iterate_all(iterable):
    result = []
    for item in iterable:
        result.append(item)
    return result


class _Raises:
    def __init__(self, after, exc):
        self.after, self.exc = after, exc

    def __iter__(self):
        return self

    def __next__(self):
        if self.after == 0:
            raise self.exc
        self.after -= 1
        return self.after


def _gen_raising(n, exc):
    yield from range(n)
    raise exc


class TestIterate:
    @pytest.mark.parametrize("make", [
        lambda: [1, 2, 3], lambda: (), lambda: "abc", lambda: {"a": 1, "b": 2}, lambda: iter(range(4)),
        lambda: _Raises(2, StopIteration), lambda: _Raises(2, KeyError("k")), lambda: _Raises(0, ValueError()),
        lambda: _gen_raising(3, KeyError("k")), lambda: _gen_raising(1, StopIteration), lambda: 5,
        lambda: None,
    ])
    def test_is_pythons_for_statement(self, make):
        def outcome(fn):
            try:
                return ("ok", fn(make()))
            except BaseException as e:  # noqa: B902 - compared
                return (type(e), str(e))

        assert outcome(kp.iterate_all) == outcome(_python_iterate_all)

    def test_an_error_is_never_the_end(self):
        # Three items, then an error: the loop must not end quietly with three.
        with pytest.raises(KeyError):
            kp.iterate_all(_gen_raising(3, KeyError("k")))
        assert_no_leak(lambda: kp.iterate_all([object(), object()]))
