"""Every code example of the documentation runs: the Python blocks of each
page, each on its own, and the example files the pages include, offscreen.
`app.exec()` written by an example runs the event loop once and returns.
The known issues' reproducers still crash PySide6 as the README says."""

import os
import re
import signal
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

import tovane

ROOT = Path(__file__).resolve().parents[1]
DOCS = ROOT / "docs"
SRC = str(Path(tovane.__file__).resolve().parents[1])  # the package under test

# Runs a file as __main__; QApplication.exec, called by the example itself,
# quits as soon as the events queued so far are handled (an event loop of a
# library, such as qasync's, runs as usual).
RUNNER = textwrap.dedent("""\
    import runpy, sys
    from PySide6.QtCore import QCoreApplication, QTimer
    from PySide6.QtWidgets import QApplication

    original = QApplication.exec

    def exec_once(*args):
        if sys._getframe(1).f_globals.get("__name__") == "__main__":
            QTimer.singleShot(0, QCoreApplication.quit)
        return original()

    QApplication.exec = exec_once
    runpy.run_path(sys.argv[1], run_name="__main__")
""")

FENCE = re.compile(r"^(?P<indent>[ \t]*)```(?P<lang>[\w{}-]*)[^\n]*\n(?P<body>.*?)^(?P=indent)```", re.M | re.S)


def _blocks(text, language="python"):
    return [textwrap.dedent(m.group("body")) for m in FENCE.finditer(text) if m.group("lang") == language]


def _pages():
    return sorted(p for p in DOCS.rglob("*.md") if "_generated" not in p.parts)


PAGE_BLOCKS = [pytest.param(page, index, code, id=f"{page.relative_to(DOCS)}:{index + 1}")
               for page in _pages() for index, code in enumerate(_blocks(page.read_text()))]
EXAMPLES = sorted((DOCS / "examples").glob("*.py"))


def _run(path, tmp_path, **kwargs):
    runner = tmp_path / "runner.py"
    runner.write_text(RUNNER)
    # QT_API as a user's shell has it: unset (qtrangeslider, imported by other
    # tests directly, sets it in this process).
    env = {k: v for k, v in os.environ.items() if k != "QT_API"}
    env.update(PYTHONPATH=SRC, QT_QPA_PLATFORM="offscreen")
    return subprocess.run([sys.executable, "-W", "error::SyntaxWarning", str(runner), str(path)], cwd=tmp_path,
                          env=env, capture_output=True, text=True, timeout=180, **kwargs)


def test_the_pages_have_examples():
    assert len(PAGE_BLOCKS) >= 12 and len(EXAMPLES) >= 13


@pytest.mark.parametrize("page, index, code", PAGE_BLOCKS)
def test_a_code_block_of_a_page_runs(page, index, code, tmp_path):
    script = tmp_path / "block.py"
    script.write_text(code)
    done = _run(script, tmp_path)
    assert done.returncode == 0, f"{page.name}, block {index + 1}:\n{done.stderr[-3000:]}"


@pytest.mark.parametrize("example", EXAMPLES, ids=lambda p: p.name)
def test_an_example_file_runs_and_a_page_shows_it(example, tmp_path):
    shown = [p for p in _pages() if f"examples/{example.name}" in p.read_text()]
    assert shown, f"{example.name} is included by no page"
    done = _run(example, tmp_path)
    assert done.returncode == 0, done.stderr[-3000:]


def _reproducers():
    readme = (ROOT / "README.md").read_text()
    section = readme[readme.index("<!-- known-issues: start -->"):readme.index("<!-- known-issues: end -->")]
    return _blocks(section)


@pytest.mark.skipif(os.environ.get("TOVANE_SANITIZE") == "ON",
                    reason="the crashes would be reported as the sanitizer's findings")
@pytest.mark.parametrize("index", range(8))
def test_a_known_issue_still_crashes_pyside(index, tmp_path):
    import PySide6

    if not PySide6.__version__.startswith("6.12."):
        pytest.skip(f"the reproducers were checked with PySide6 6.12, this is {PySide6.__version__}")
    code = _reproducers()[index]
    assert "tovane" not in code  # plain PySide6
    script = tmp_path / "reproducer.py"
    script.write_text(code)
    done = subprocess.run([sys.executable, str(script)], env={**os.environ, "QT_QPA_PLATFORM": "offscreen"},
                          cwd=tmp_path, capture_output=True, text=True, timeout=120)
    # A crash: a segmentation fault, or the allocator's abort on the memory it corrupted.
    assert done.returncode in (-signal.SIGSEGV, -signal.SIGABRT), (done.returncode, done.stderr[-2000:])


def test_every_reproducer_is_checked():
    assert len(_reproducers()) == 8
