"""Import cost of the package beyond PySide6 and qtrangeslider (-X importtime).

    python benchmarks/imports.py            # with tovane installed (or PYTHONPATH=src)
    python benchmarks/imports.py --runs 15
    python benchmarks/imports.py --baseline pyside6   # without qtrangeslider first

Two kinds of fresh interpreter run in turns, each under ``-X importtime``:

  baseline   imports PySide6.QtCore, QtGui, QtWidgets and qtrangeslider
  package    the same, then every module of the package (the native modules
             and the host modules; not the gallery, not test-support modules),

and also the baseline followed by tovane.material alone, and by each native
module alone (what importing one widget costs).  For each: "own modules",
the median sum of the -X importtime self times of the tovane modules (the
budgeted figure, for the whole package), and "all beyond baseline", the
median summed import time minus the baseline's: the own modules, the
standard modules only the package imports (asyncio, which the widget
foundation imports), and the work PySide6 does lazily on the package's
behalf (a Qt type made on first use).  Listed below: the median self time of
each module that only the whole-package runs import, largest first.
Bytecode is written and warmed first, so no run compiles source.
"""

import argparse
import importlib.machinery
import importlib.util
import os
import re
import statistics
import subprocess
import sys
from pathlib import Path

BUDGET_MS = 20.0

# qtrangeslider 0.1.5 imports distutils, which Python 3.13 no longer has; the
# baseline gives it a stand-in as tovane.material.slider does, so that the
# stand-in's own cost is the package's, not the baseline's.
BASELINE = """\
import sys, types, re
class LooseVersion:
    def __init__(self, v): self.v = [int(p) for p in re.findall(r"\\d+", v)]
    def __lt__(self, o): return self.v < LooseVersion(str(o)).v if isinstance(o, str) else self.v < o.v
    def __ge__(self, o): return not self < o
d = types.ModuleType("distutils"); d.__path__ = []; dv = types.ModuleType("distutils.version")
dv.LooseVersion = LooseVersion; d.version = dv
sys.modules.setdefault("distutils", d); sys.modules.setdefault("distutils.version", dv)
import PySide6.QtCore, PySide6.QtGui, PySide6.QtWidgets
import qtrangeslider
del sys.modules["distutils"], sys.modules["distutils.version"]
"""

SUFFIXES = tuple(importlib.machinery.EXTENSION_SUFFIXES)
# --baseline pyside6: PySide6 alone.  qtrangeslider looks at Qt's namespace
# when it loads, which makes PySide6 build all of Qt's enums; without it
# that work falls to the first module of the package that looks at Qt.
PYSIDE6_ONLY = "import PySide6.QtCore, PySide6.QtGui, PySide6.QtWidgets\n"

LINE = re.compile(r"^import time:\s+(\d+) \|\s+(\d+) \|( *)(\S+)$")


def package_modules():
    """Every module of the installed (or PYTHONPATH) package, by file."""
    spec = importlib.machinery.PathFinder.find_spec("tovane", sys.path)
    root = Path(spec.origin).parent
    suffixes = tuple(importlib.machinery.EXTENSION_SUFFIXES) + (".py",)
    names = set()
    for path in root.rglob("*"):
        suffix = next((s for s in suffixes if path.name.endswith(s)), None)
        if suffix is None or "__pycache__" in path.parts:
            continue
        parts = ["tovane", *path.relative_to(root).parent.parts, path.name[: -len(suffix)]]
        if parts[-1] == "__init__":
            parts.pop()
        name = ".".join(parts)
        if (name.startswith("tovane.gallery") or name.endswith(".__main__") or parts[-1] == "build_rcc"
                or name == "tovane._kitprobe"):
            continue
        names.add(name)
    return sorted(names)


def run(code, env):
    result = subprocess.run([sys.executable, "-X", "importtime", "-c", code], env=env, check=False,
                            capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        raise RuntimeError(f"the import run failed:\n{result.stderr[-3000:]}")
    selfs = {}
    for line in result.stderr.splitlines():
        m = LINE.match(line)
        if m:
            selfs[m.group(4)] = selfs.get(m.group(4), 0) + int(m.group(1))
    return selfs


def own_ms(selfs):
    """The self times of the package's own modules, in ms."""
    return sum(v for k, v in selfs.items() if k == "tovane" or k.startswith("tovane.")) / 1000


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7, help="runs of each kind (default 7)")
    parser.add_argument("--top", type=int, default=12, help="modules listed (default 12)")
    parser.add_argument("--baseline", choices=["qtrangeslider", "pyside6"], default="qtrangeslider",
                        help="what the baseline imports: PySide6 and qtrangeslider (default), or PySide6 alone")
    args, _ = parser.parse_known_args(argv)
    baseline = BASELINE if args.baseline == "qtrangeslider" else PYSIDE6_ONLY

    env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))
    env.pop("PYTHONDONTWRITEBYTECODE", None)
    env["PYTHONPATH"] = os.pathsep.join(p for p in sys.path if p)  # the same tovane as here
    modules = package_modules()
    native = [m for m in modules if importlib.util.find_spec(m).origin.endswith(SUFFIXES)]
    # What a user imports: the whole package, the material package, each widget's module.
    scenarios = {"the whole package": modules, "tovane.material": ["tovane.material"]}
    scenarios.update({m: [m] for m in native})
    codes = {name: baseline + "".join(f"import {m}\n" for m in ms) for name, ms in scenarios.items()}
    runs = {name: [] for name in ["baseline", *codes]}
    try:
        run(codes["the whole package"], env)  # writes and warms the bytecode
        for _ in range(args.runs):
            runs["baseline"].append(run(baseline, env))
            for name, code in codes.items():
                runs[name].append(run(code, env))
    except RuntimeError as error:
        print(error)
        return 1

    def median_ms(name, measure):
        return statistics.median(measure(r) for r in runs[name])

    base_ms = median_ms("baseline", lambda r: sum(r.values()) / 1000)
    print(f"{len(modules)} modules, {len(native)} of them native; medians of {args.runs} runs each;"
          f" baseline ({'PySide6, qtrangeslider' if baseline is BASELINE else 'PySide6'}) {base_ms:.1f} ms")
    print(f"{'imported':40} {'own modules':>12} {'all beyond baseline':>20}")
    for name in codes:
        own = median_ms(name, own_ms)
        total = median_ms(name, lambda r: sum(r.values()) / 1000) - base_ms
        print(f"{name:40} {own:9.1f} ms {total:17.1f} ms")
    own = median_ms("the whole package", own_ms)
    print(f"the whole package's own modules: {own:.1f} ms, budget {BUDGET_MS:.0f} ms: "
          f"{'within' if own < BUDGET_MS else 'OVER'}")
    seen_in_baseline = set().union(*runs["baseline"])
    whole = runs["the whole package"]
    extra = {name for r in whole for name in r} - seen_in_baseline
    medians = {name: statistics.median(r.get(name, 0) for r in whole) / 1000 for name in extra}
    print("largest modules only the package imports (self, ms):")
    for name, ms in sorted(medians.items(), key=lambda kv: -kv[1])[: args.top]:
        print(f"  {name:48} {ms:6.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
