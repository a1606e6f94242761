"""Regenerate tovane.rcc from tovane.qrc: ``python build_rcc.py [path/to/rcc]``."""

import pathlib
import shutil
import subprocess
import sys

if __name__ == "__main__":
    here = pathlib.Path(__file__).resolve().parent
    beside = pathlib.Path(sys.executable).with_name("pyside6-rcc")
    rcc = sys.argv[1] if len(sys.argv) > 1 else str(beside) if beside.exists() else shutil.which("pyside6-rcc")
    if rcc is None:
        raise SystemExit("pyside6-rcc not found: pass its path")
    subprocess.run([rcc, "--binary", "tovane.qrc", "-o", "tovane.rcc"], cwd=here, check=True)
