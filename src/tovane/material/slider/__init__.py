"""Slider widgets.

The demonstration module ``pennard`` in this package builds its range sliders
with ``qtrangeslider`` 0.1.5, which was released before Python 3.13 and
before PySide6 switched to Python enums.  Two things in it break on the
interpreter and binding we support, so this initialiser (which Python runs
before any submodule such as ``pennard``) repairs exactly those two, and
nothing else, before anything in the package uses the dependency:

1. ``qtrangeslider.qtcompat`` runs ``from distutils.version import
   LooseVersion`` at import time.  ``distutils`` left the standard library in
   Python 3.13 (only setuptools' ``.pth`` hook can bring it back, and that hook
   is skipped when site-packages is not processed or when
   ``SETUPTOOLS_USE_DISTUTILS=stdlib``), so the import fails with
   ``ModuleNotFoundError: No module named 'distutils'``.  When no ``distutils``
   can be imported we register a stand-in ``distutils.version`` just for the
   duration of that import and remove it again afterwards, so the rest of the
   process never sees a fake ``distutils``.

2. ``_GenericSlider.setRange`` calls ``self.sliderChange(self.SliderRangeChange)``.
   PySide6 still resolves short enum names on the class (``QSlider.SliderRangeChange``)
   but no longer on instances, so ``setRange``/``setMinimum``/``setMaximum``
   raise ``AttributeError`` after having already stored the new bounds, and
   neither ``rangeChanged`` nor the re-clamping of the value happens.  We give
   the class that attribute, bound to the fully qualified enum member.

Everything else in ``qtrangeslider`` (tuple-carrying signals, mouse and wheel
handling, painting, style-sheet parsing) works unchanged with PySide6 6.8-6.12.
Keyboard input does not move its handles on any binding: 0.1.5 simply has no
key handling of its own, which is not something this module tries to add.
Both fixes are guarded and idempotent: they do nothing when the problem is
absent or already repaired.  PySide6 is imported first because qtrangeslider
chooses its Qt binding from the ones already imported and would otherwise try
PyQt5 first when that is installed too.
"""

from __future__ import annotations

import importlib.util
import os
import re
import sys
import types
from collections.abc import Iterator
from contextlib import contextmanager
from functools import total_ordering
from typing import Any


@total_ordering
class _LooseVersion:
    """Same parsing and ordering as ``distutils.version.LooseVersion``."""

    _component_re = re.compile(r"(\d+|[a-z]+|\.)")

    version: list[int | str]
    vstring: str

    def __init__(self, vstring: str | None = None) -> None:
        if vstring:
            self.parse(vstring)

    def parse(self, vstring: str) -> None:
        self.vstring = vstring
        parts: list[int | str] = [p for p in self._component_re.split(vstring) if p and p != "."]
        for i, part in enumerate(parts):
            try:
                parts[i] = int(part)
            except ValueError:
                pass
        self.version = parts

    def _coerce(self, other: object) -> Any:
        if isinstance(other, str):
            return type(self)(other)
        if isinstance(other, _LooseVersion):
            return other
        return NotImplemented

    def __eq__(self, other: object) -> Any:
        them = self._coerce(other)
        return them if them is NotImplemented else self.version == them.version

    def __lt__(self, other: object) -> Any:
        them = self._coerce(other)
        return them if them is NotImplemented else self.version < them.version

    def __str__(self) -> str:
        return self.vstring

    def __repr__(self) -> str:
        return f"LooseVersion('{self}')"


@contextmanager
def _distutils_available() -> Iterator[None]:
    """Make ``from distutils.version import LooseVersion`` work inside the block."""
    try:
        import distutils.version  # type: ignore[import-not-found]  # noqa: F401  (stdlib before 3.13, or setuptools)
    except ModuleNotFoundError:
        pass
    else:
        yield
        return

    package: Any = types.ModuleType("distutils")
    package.__path__ = []
    version: Any = types.ModuleType("distutils.version")
    version.LooseVersion = _LooseVersion
    package.version = version
    sys.modules["distutils"] = package
    sys.modules["distutils.version"] = version
    try:
        yield
    finally:
        # Only remove what is still ours.
        for name, module in (("distutils.version", version), ("distutils", package)):
            if sys.modules.get(name) is module:
                del sys.modules[name]


def _prepare_qtrangeslider() -> None:
    if importlib.util.find_spec("qtrangeslider") is None:
        return  # not installed: importing pennard reports that itself

    # Make qtrangeslider bind to PySide6 (see above).
    import PySide6  # noqa: F401

    if "qtrangeslider" not in sys.modules:
        # qtrangeslider writes QT_API=pyqt5 into the environment when none is
        # set, which sends qasync (read later, child processes too) to PyQt5.
        chosen = os.environ.get("QT_API")
        with _distutils_available():
            import qtrangeslider  # type: ignore[import-untyped]  # noqa: F401
        if chosen is None:
            os.environ.pop("QT_API", None)

    from qtrangeslider import _generic_slider

    generic = getattr(_generic_slider, "_GenericSlider", None)
    if generic is not None and "SliderRangeChange" not in vars(generic):
        generic.SliderRangeChange = _generic_slider.QSlider.SliderChange.SliderRangeChange


_prepare_qtrangeslider()
