"""Call overhead of kit functions against the Python they stand for.

    python benchmarks/calls.py            # with tovane installed (or PYTHONPATH=src)

Each line is the best of 7 timeit repeats, in nanoseconds per call:

  method, 1 argument      p.echo(3): a kit method against the same Python method
  function, 3 arguments   sample(1, 2, c=3): a kit function with defaults,
                          *args, keyword-only parameters and **kwargs against
                          the same Python function
  _human_key              one call on a typical file name, kit against Python
  sort                    20,000 rows through HumanProxyModel, milliseconds
"""

import os
import re
import sys
import timeit

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

from PySide6.QtCore import QCoreApplication, Qt  # noqa: E402
from PySide6.QtGui import QStandardItem, QStandardItemModel  # noqa: E402

import tovane._kitprobe as kp  # noqa: E402
from tovane.material.marquel._velmora import HumanProxyModel, _human_key  # noqa: E402


class PyProbe:
    def echo(self, x=1):
        return (self, x, PyProbe)


def py_sample(a, b=1, *args, c, d="dee", **kwargs):
    return (a, b, args, c, d, kwargs)


def py_human_key(key):
    parts = re.split(r"(\d*\.\d+|\d+)", key)
    return tuple(e.swapcase() if i % 2 == 0 else float(e) for i, e in enumerate(parts))


def per_call_ns(stmt, namespace, number=200_000):
    return min(timeit.repeat(stmt, globals=namespace, number=number, repeat=7)) / number * 1e9


def sort_ms(rows=20_000):
    import random

    rng = random.Random(7)
    model = QStandardItemModel()
    for _ in range(rows):
        model.appendRow(QStandardItem(f"img{rng.randrange(1000)}.{rng.randrange(100)} v{rng.randrange(50)}"))
    proxy = HumanProxyModel()
    proxy.setSourceModel(model)
    best = float("inf")
    for _ in range(5):
        proxy.sort(-1)
        proxy.invalidate()
        t = timeit.default_timer()
        proxy.sort(0, Qt.SortOrder.AscendingOrder)
        best = min(best, timeit.default_timer() - t)
    return best * 1e3


def main(argv=None):
    QCoreApplication.instance() or QCoreApplication(sys.argv[:1])
    Probe = kp.make_class("Probe", ())
    ns = {"p": Probe(), "q": PyProbe(), "sample": kp.sample, "py_sample": py_sample,
          "hk": _human_key, "py_hk": py_human_key, "name": "Report 1.25 img10 v2"}
    rows = [
        ("method, 1 argument", "p.echo(3)", "q.echo(3)"),
        ("function, 3 arguments", "sample(1, 2, c=3)", "py_sample(1, 2, c=3)"),
        ("_human_key", "hk(name)", "py_hk(name)"),
    ]
    print(f"{'case':24} {'kit ns':>8} {'python ns':>10} {'ratio':>6}")
    for label, ours, theirs in rows:
        a, b = per_call_ns(ours, ns), per_call_ns(theirs, ns)
        print(f"{label:24} {a:8.1f} {b:10.1f} {a / b:6.2f}")
    print(f"{'sort 20,000 rows (ms)':24} {sort_ms():8.1f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
