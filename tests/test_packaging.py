"""Packaging: the stubs against the modules, the typed example, the wheel.

The native modules are the ``tovane_module(<path> <name>)`` lines of
CMakeLists.txt; ``tovane_test_module`` lines are the test-support modules,
which the tests import and no wheel ships.  Everything here is derived from
those lines, so a new module is checked as soon as it is listed there.
"""

import ast
import importlib
import importlib.machinery
import inspect
import os
import re
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

import pytest

import tovane

ROOT = Path(__file__).resolve().parents[1]
PACKAGE = Path(tovane.__file__).resolve().parent  # the package under test: installed or src/
SUFFIX = importlib.machinery.EXTENSION_SUFFIXES[0]
ALLOWLIST = Path(__file__).with_name("stubtest_allowlist.txt")
EXAMPLE = Path(__file__).with_name("typed_example.py")

# The sanitizer pass checks the modules' memory; these checks run compilers,
# mypy and pip, which are not built for the sanitizer runtime it preloads.
pytestmark = pytest.mark.skipif(os.environ.get("TOVANE_SANITIZE") == "ON",
                                reason="packaging is checked by the ordinary pass")


def _modules(function):
    text = (ROOT / "CMakeLists.txt").read_text()
    found = []
    for path, name in re.findall(rf"^{function}\((\S+)\s+(\S+)\)", text, re.MULTILINE):
        package = "tovane" if path == "." else "tovane." + path.replace("/", ".")
        found.append(f"{package}.{name}")
    return found


NATIVE = _modules("tovane_module")
TEST_SUPPORT = _modules("tovane_test_module")


def _relpath(module):
    """tovane.a.b -> a/b, relative to the package directory."""
    return Path(*module.split(".")[1:])


def _stub_tree(module):
    stub = (PACKAGE / _relpath(module)).with_suffix(".pyi")
    assert stub.is_file(), f"{module} has no stub {stub}"
    return ast.parse(stub.read_text())


def _env(**extra):
    """The environment of a child that imports the same tovane as this process."""
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join([str(PACKAGE.parent), *filter(None, [env.get("PYTHONPATH")])])
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    env.update(extra)
    return env


def _run(args, timeout, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, check=False, **kwargs)


# --- stubs -----------------------------------------------------------------


class TestStubFiles:
    def test_the_module_lists_are_read(self):
        assert "tovane.material.brevant.brevant" in NATIVE
        assert TEST_SUPPORT == ["tovane._kitprobe"]

    def test_every_extension_has_a_stub_and_every_module_is_built(self):
        extensions = {p for p in PACKAGE.rglob("*" + SUFFIX)}
        for module in NATIVE:
            so = PACKAGE / _relpath(module).with_name(_relpath(module).name + SUFFIX)
            assert so in extensions, f"{module} is not built in {PACKAGE}"
        test_support = {PACKAGE / _relpath(m).with_name(_relpath(m).name + SUFFIX) for m in TEST_SUPPORT}
        for so in extensions - test_support:
            stub = so.with_name(so.name[: -len(SUFFIX)] + ".pyi")
            assert stub.is_file(), f"{so.relative_to(PACKAGE)} has no stub next to it"
        assert (PACKAGE / "py.typed").is_file()

    def test_stubs_have_one_line_docstrings(self):
        for module in NATIVE:
            tree = _stub_tree(module)
            assert ast.get_docstring(tree), f"{module}: no module docstring"
            for node in ast.walk(tree):
                if not isinstance(node, (ast.ClassDef, ast.FunctionDef, ast.AsyncFunctionDef)):
                    continue
                if any(ast.unparse(d).endswith(".setter") for d in getattr(node, "decorator_list", [])):
                    continue  # a property's setter shares the getter's docstring
                doc = ast.get_docstring(node)
                assert doc, f"{module}: {node.name} has no docstring"
                assert "\n" not in doc, f"{module}: {node.name}'s docstring is not one line"

    def test_bases_and_annotation_texts_are_the_modules(self):
        """What stubtest does not compare: class bases, and every annotation text."""
        compared = 0
        for module in NATIVE:
            runtime = importlib.import_module(module)
            tree = _stub_tree(module)
            for cls in (n for n in tree.body if isinstance(n, ast.ClassDef)):
                klass = getattr(runtime, cls.name)
                stub_bases = [ast.unparse(b).rsplit(".", 1)[-1] for b in cls.bases]
                assert stub_bases == [b.__name__ for b in klass.__bases__ if b is not object], cls.name
                for fn in (n for n in cls.body if isinstance(n, (ast.FunctionDef, ast.AsyncFunctionDef))):
                    attr = inspect.getattr_static(klass, fn.name)
                    if isinstance(attr, property):
                        attr = attr.fset if fn.decorator_list and "setter" in ast.unparse(fn.decorator_list[0]) else attr.fget
                    compared += _compare_annotations(f"{module}.{cls.name}.{fn.name}", fn, attr)
            for fn in (n for n in tree.body if isinstance(n, ast.FunctionDef)):
                compared += _compare_annotations(f"{module}.{fn.name}", fn, getattr(runtime, fn.name))
        assert compared > 30  # the modules do carry annotations to compare

    def test_an_annotation_that_drifts_is_found(self):
        from tovane.material.time_picker._cadrell import TimePickerBase

        drifted = ast.parse("def setTime(self, time: 'QTime | None') -> None: ...").body[0]
        with pytest.raises(AssertionError, match="time is 'QTime' at run time"):
            _compare_annotations("setTime", drifted, TimePickerBase.setTime)


def _compare_annotations(where, stub_fn, function):
    """Each annotation the function carries at run time is the stub's, as text."""
    stub = {}
    args = stub_fn.args
    for a in [*args.posonlyargs, *args.args, *args.kwonlyargs, args.vararg, args.kwarg]:
        if a is not None and a.annotation is not None:
            stub[a.arg] = ast.unparse(a.annotation)
    if stub_fn.returns is not None:
        stub["return"] = ast.unparse(stub_fn.returns)
    runtime = getattr(function, "__annotations__", {})
    for name, text in runtime.items():
        assert isinstance(text, str), f"{where}: {name} is annotated with a non-text {text!r}"
        assert stub.get(name) == ast.unparse(ast.parse(text, mode="eval").body), (
            f"{where}: {name} is {text!r} at run time, {stub.get(name)!r} in the stub")
    return len(runtime)


def _mypy_config(directory):
    """An empty configuration: no setting of the checkout or the user applies."""
    config = directory / "mypy.ini"
    config.write_text("[mypy]\n")
    return str(config)


def _stubtest(*modules, cwd, env):
    result = _run([sys.executable, "-m", "mypy.stubtest", "--concise", "--allowlist", str(ALLOWLIST),
                   "--mypy-config-file", _mypy_config(cwd), *modules], timeout=600, cwd=cwd, env=env)
    # PySide6's own stubs do not name Shiboken's metaclass, so a stub of a Qt
    # class cannot declare it either.
    lines = [line for line in result.stdout.splitlines()
             if line.strip() and not line.endswith("is inconsistent, metaclass differs")]
    return result, lines


class TestStubtest:
    def test_the_stubs_match_the_modules(self, tmp_path):
        result, errors = _stubtest(*NATIVE, cwd=tmp_path, env=_env())
        assert not errors, result.stdout + result.stderr
        assert result.returncode in (0, 1), result.stderr  # 1: only the metaclass lines

    def test_a_stub_that_drifts_fails(self, tmp_path):
        # A copy of the package's Python side in which one stub renamed a
        # parameter and lost a method: found before the real one (MYPYPATH).
        shadow = tmp_path / "shadow"
        for source in PACKAGE.rglob("*"):
            if source.suffix in (".py", ".pyi", ".typed"):
                target = shadow / "tovane" / source.relative_to(PACKAGE)
                target.parent.mkdir(parents=True, exist_ok=True)
                shutil.copy(source, target)
        stub = shadow / "tovane" / "material" / "time_picker" / "_cadrell.pyi"
        text = stub.read_text()
        drifted = text.replace("showSeconds: bool", "showSecond: bool")
        drifted = re.sub(r"    def getTime\(self\) -> QTime:\n        \"\"\".*\"\"\"\n", "", drifted)
        assert drifted != text and "getTime" not in drifted
        stub.write_text(drifted)
        result, errors = _stubtest("tovane.material.time_picker._cadrell", cwd=tmp_path,
                                   env=_env(MYPYPATH=str(shadow)))
        assert result.returncode == 1
        assert any(e.startswith("tovane.material.time_picker._cadrell.TimePickerBase.__init__ ") for e in errors)
        assert any(e.startswith("tovane.material.time_picker._cadrell.TimePickerBase.getTime ") for e in errors)


class TestTypedExample:
    def _mypy(self, path, tmp_path):
        return _run([sys.executable, "-m", "mypy", "--strict", "--python-executable", sys.executable,
                     "--cache-dir", str(tmp_path / "cache"), "--config-file", _mypy_config(tmp_path), str(path)],
                    timeout=600, cwd=tmp_path, env=_env())

    def test_the_example_passes_mypy_strict(self, tmp_path):
        result = self._mypy(EXAMPLE, tmp_path)
        assert result.returncode == 0, result.stdout + result.stderr

    def test_mypy_sees_the_stubs_types(self, tmp_path):
        # Were tovane seen as untyped, everything would be Any and this would pass.
        wrong = tmp_path / "wrong.py"
        wrong.write_text("from tovane.material import TimePickerBase\n"
                         "def hour(picker: TimePickerBase) -> int:\n"
                         "    return picker.getTime()\n")
        result = self._mypy(wrong, tmp_path)
        assert result.returncode == 1
        assert 'Incompatible return value type (got "QTime", expected "int")' in result.stdout

    def test_a_misspelt_parameter_is_a_type_error(self, tmp_path):
        wrong = tmp_path / "misspelt.py"
        wrong.write_text(
            "from tovane import State\n"
            "from tovane.material import Button, FormHelperText, ListItemButton, Switch, ToggleButton\n"
            "ListItemButton(key=1, selectedkey=State(1))\n"
            "FormHelperText(eror=True)\n"
            "Switch(lable='x')\n"
            "Button('Go', sise='small')\n"
            "ToggleButton(varient='text')\n"
            "Switch(color='purple')\n")
        result = self._mypy(wrong, tmp_path)
        assert result.returncode == 1
        for line, name in ((3, "selectedkey"), (4, "eror"), (5, "lable"), (6, "sise"), (7, "varient")):
            assert f'misspelt.py:{line}: error: Unexpected keyword argument "{name}"' in result.stdout, result.stdout
        assert 'misspelt.py:8: error: Argument "color" to "Switch" has incompatible type' in result.stdout

    def test_the_package_passes_mypy_strict(self, tmp_path):
        # The source tree, checked as the package's own code (not as an
        # installed, silenced dependency).
        result = _run([sys.executable, "-m", "mypy", "--strict", "--python-executable", sys.executable,
                       "--cache-dir", str(tmp_path / "cache"), "--config-file", _mypy_config(tmp_path),
                       "-p", "tovane"], timeout=600, cwd=ROOT / "src", env=_env())
        assert result.returncode == 0, result.stdout + result.stderr
        checked = re.search(r"no issues found in (\d+) source files", result.stdout)
        assert checked and int(checked.group(1)) >= 50, result.stdout  # the whole package

    def test_the_example_runs(self):
        result = _run([sys.executable, str(EXAMPLE)], timeout=120, env=_env())
        assert result.returncode == 0, result.stdout + result.stderr


# --- the wheel ---------------------------------------------------------------


def _expected_wheel_files():
    source = ROOT / "src" / "tovane"
    files = {f"tovane/{p.relative_to(source).as_posix()}" for p in source.rglob("*.py")
             if "__pycache__" not in p.parts}
    files.discard("tovane/resources/build_rcc.py")  # builds tovane.rcc, which ships
    for module in NATIVE:
        rel = "tovane/" + _relpath(module).as_posix()
        files |= {rel + SUFFIX, rel + ".pyi"}
    files |= {"tovane/py.typed", "tovane/resources/tovane.rcc"}
    dist_info = f"tovane-{tovane.__version__}.dist-info"
    files |= {f"{dist_info}/{name}" for name in ("METADATA", "WHEEL", "RECORD", "entry_points.txt")}
    return files


@pytest.fixture(scope="module")
def wheel(tmp_path_factory):
    out = tmp_path_factory.mktemp("dist")
    result = _run(["bash", str(ROOT / "scripts" / "wheel.sh"), str(out)], timeout=1800)
    assert result.returncode == 0, result.stdout + result.stderr
    wheels = list(out.glob("*.whl"))
    assert len(wheels) == 1, wheels
    return wheels[0]


@pytest.mark.slow
class TestWheel:
    def test_the_wheel_holds_the_package_and_nothing_else(self, wheel):
        with zipfile.ZipFile(wheel) as z:
            names = {n for n in z.namelist() if not n.endswith("/")}
            metadata = z.read(f"tovane-{tovane.__version__}.dist-info/METADATA").decode()
            entry_points = z.read(f"tovane-{tovane.__version__}.dist-info/entry_points.txt").decode()
            tags = z.read(f"tovane-{tovane.__version__}.dist-info/WHEEL").decode()
        expected = _expected_wheel_files()
        assert not names - expected, f"unexpected in the wheel: {sorted(names - expected)}"
        assert not expected - names, f"missing from the wheel: {sorted(expected - names)}"
        assert re.search(r"^Tag: cp313-cp313-manylinux_\d+_\d+_x86_64$", tags, re.MULTILINE), tags
        assert re.match(r"tovane-.*-cp313-cp313-manylinux_\d+_\d+_x86_64.*\.whl$", wheel.name)
        assert "Requires-Dist: qtrangeslider==0.1.5" in metadata
        for classifier in ("Programming Language :: Python :: 3.13", "Framework :: Qt",
                           "Programming Language :: C++", "Typing :: Typed"):
            assert f"Classifier: {classifier}" in metadata
        assert "tovane-gallery = tovane.gallery:main" in entry_points

    def test_the_wheel_installs_and_imports_without_a_compiler(self, wheel, tmp_path):
        venv = tmp_path / "venv"
        subprocess.run([getattr(sys, "_base_executable", sys.executable), "-m", "venv", str(venv)],
                       check=True, timeout=300)
        bin_dir = venv / "bin"
        env = {k: v for k, v in os.environ.items() if not k.startswith(("PYTHON", "VIRTUAL_ENV"))}
        env.update(PATH=str(bin_dir), CC="/bin/false", CXX="/bin/false", QT_QPA_PLATFORM="offscreen")
        for compiler in ("c++", "g++", "gcc", "cc", "clang"):
            assert shutil.which(compiler, path=env["PATH"]) is None
        result = _run([str(bin_dir / "python"), "-m", "pip", "install", "--disable-pip-version-check",
                       "--quiet", "--only-binary=:all:", str(wheel)], timeout=900, env=env)
        assert result.returncode == 0, result.stdout + result.stderr
        check = (
            "import importlib, pkgutil, sys, tovane\n"
            "assert tovane.__file__.startswith(sys.prefix), tovane.__file__\n"
            "names = [m.name for m in pkgutil.walk_packages(tovane.__path__, 'tovane.')\n"
            "         if not m.name.endswith('.__main__')]  # runs the gallery\n"
            "for name in names: importlib.import_module(name)\n"
            "print('\\n'.join(names))\n"
        )
        result = _run([str(bin_dir / "python"), "-c", check], timeout=300, env=env, cwd=tmp_path)
        assert result.returncode == 0, result.stdout + result.stderr
        imported = set(result.stdout.split())
        assert set(NATIVE) <= imported
        assert not set(TEST_SUPPORT) & imported
        shots = tmp_path / "shots"
        result = _run([str(bin_dir / "tovane-gallery"), "--screenshots", str(shots)], timeout=300,
                      env=env, cwd=tmp_path)
        assert result.returncode == 0, result.stdout + result.stderr
        assert len(list(shots.glob("*.png"))) >= 2
