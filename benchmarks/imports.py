"""Import cost of the package beyond PySide6 and qtrangeslider (-X importtime).

    python benchmarks/imports.py            # with tovane installed (or PYTHONPATH=src)
    python benchmarks/imports.py --runs 15

Two kinds of fresh interpreter run in turns, each under ``-X importtime``:

  baseline   imports PySide6.QtCore, QtGui, QtWidgets and qtrangeslider
  package    the same, then every module of the package (the native modules
             and the host modules; not the gallery, not test-support modules)

The cost of the package is the median of the package runs' summed import
times minus the baseline runs' median: its own modules, the standard modules
only it imports, and the work PySide6 does lazily on its behalf (a Qt type
made on first use).  Listed below it: the median self time of each module
that only the package runs import, largest first.  Bytecode is written and
warmed first, so no run compiles source.
"""

import argparse
import importlib.machinery
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
    result = subprocess.run([sys.executable, "-X", "importtime", "-c", code], env=env,
                            capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        raise RuntimeError(f"the import run failed:\n{result.stderr[-3000:]}")
    selfs = {}
    for line in result.stderr.splitlines():
        m = LINE.match(line)
        if m:
            selfs[m.group(4)] = selfs.get(m.group(4), 0) + int(m.group(1))
    return selfs


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=9, help="runs of each kind (default 9)")
    parser.add_argument("--top", type=int, default=12, help="modules listed (default 12)")
    args, _ = parser.parse_known_args(argv)

    env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))
    env.pop("PYTHONDONTWRITEBYTECODE", None)
    env["PYTHONPATH"] = os.pathsep.join(p for p in sys.path if p)  # the same tovane as here
    modules = package_modules()
    package = BASELINE + "".join(f"import {m}\n" for m in modules)
    try:
        run(package, env)  # writes and warms the bytecode
        base_runs, package_runs = [], []
        for _ in range(args.runs):
            base_runs.append(run(BASELINE, env))
            package_runs.append(run(package, env))
    except RuntimeError as error:
        print(error)
        return 1

    base_ms = statistics.median(sum(r.values()) for r in base_runs) / 1000
    package_ms = statistics.median(sum(r.values()) for r in package_runs) / 1000
    cost = package_ms - base_ms
    seen_in_baseline = set().union(*base_runs)
    own = statistics.median(sum(v for k, v in r.items() if k == "tovane" or k.startswith("tovane."))
                            for r in package_runs) / 1000
    print(f"{len(modules)} modules; medians of {args.runs} runs each")
    print(f"{'baseline (PySide6, qtrangeslider)':40} {base_ms:8.1f} ms")
    print(f"{'baseline + the package':40} {package_ms:8.1f} ms")
    print(f"{'the package':40} {cost:8.1f} ms   budget {BUDGET_MS:.0f} ms: "
          f"{'within' if cost < BUDGET_MS else 'OVER'}")
    print(f"{'  of which its own modules (self times)':40} {own:8.1f} ms")
    extra = {name for r in package_runs for name in r} - seen_in_baseline
    medians = {name: statistics.median(r.get(name, 0) for r in package_runs) / 1000 for name in extra}
    print("largest modules only the package imports (self, ms):")
    for name, ms in sorted(medians.items(), key=lambda kv: -kv[1])[: args.top]:
        print(f"  {name:48} {ms:6.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
