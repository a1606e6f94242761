"""The public names: each is the object of its module, loaded on first use."""

import importlib
import os
import subprocess
import sys
from pathlib import Path

import pytest

import tovane
import tovane.material

SRC = str(Path(tovane.__file__).resolve().parents[1])


@pytest.mark.parametrize("package", [tovane, tovane.material])
def test_every_public_name_is_its_modules_object(package):
    assert sorted(package.__all__) == sorted(package._HOMES)
    for name in package.__all__:
        home = importlib.import_module(package._HOMES[name])
        assert getattr(package, name) is getattr(home, name), name
        assert name in dir(package)
    with pytest.raises(AttributeError, match="has no attribute 'NoSuchWidget'"):
        package.NoSuchWidget


def test_the_material_package_loads_nothing_until_asked():
    code = ("import sys, tovane.material as m\n"
            "loaded = lambda: {n for n in sys.modules if n.startswith('tovane.material.')}\n"
            "print(sorted(loaded()))\n"
            "m.Switch\n"
            "print(sorted(loaded()))\n")
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True,
                          env={**os.environ, "PYTHONPATH": SRC, "QT_QPA_PLATFORM": "offscreen"})
    before, after = (eval(line) for line in done.stdout.splitlines())
    assert before == []
    assert "tovane.material.switch.switch" in after and "tovane.material.marquel.marquel" not in after


def test_from_imports_of_the_public_names():
    from tovane import State, useEffect
    from tovane.material import DataGrid, ListItemButton, useTheme
    from tovane.material.marquel.marquel import DataGrid as by_path

    assert DataGrid is by_path and ListItemButton.__module__ == "selvon"
    assert State.__module__ == "tovane.hooks" and callable(useEffect) and callable(useTheme)
