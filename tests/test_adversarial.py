"""The adversarial sweep: hostile calls into every native module, bounded.

Each batch of adversarial_runner.py runs in a child process of its own (two
at a time), so a crash ends that batch only, and the other batches still
report.  A batch fails when its child dies or hangs, when a call gives a
SystemError or breaks an oracle (the Python the native stands for), or when
its leak pass grows with the number of calls.  The counts of the whole sweep
are printed at the end (pytest -s shows them) and written to
$TOVANE_ADVERSARIAL_REPORT when that names a file.

A module joins by an entry in adversarial_runner.TARGETS; its batch
"calls:<name>" then appears here, and the shared batches (overrides,
natives, globals, threads, frame) cover it too.
"""

import json
import os
import signal
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

import tovane

HERE = Path(__file__).resolve().parent
RUNNER = HERE / "adversarial_runner.py"
SRC = str(Path(tovane.__file__).resolve().parents[1])
TIMEOUT = 240  # a batch takes a few seconds; this is a hang


def _env():
    return dict(os.environ, PYTHONPATH=SRC, QT_QPA_PLATFORM="offscreen")


def _batches():
    done = subprocess.run([sys.executable, str(RUNNER), "--list"], capture_output=True, text=True, timeout=120,
                          env=_env())
    assert done.returncode == 0, done.stderr
    return done.stdout.split()


def _run(batch):
    started = time.perf_counter()
    try:
        done = subprocess.run([sys.executable, str(RUNNER), batch], capture_output=True, text=True,
                              timeout=TIMEOUT, env=_env())
    except subprocess.TimeoutExpired:
        return {"batch": batch, "crash": f"no answer within {TIMEOUT} s", "calls": 0, "faults": [], "leak": None}
    lines = [line for line in done.stdout.splitlines() if line.startswith("REPORT ")]
    report = json.loads(lines[-1][len("REPORT "):]) if lines else {"batch": batch, "calls": 0, "faults": [],
                                                                     "leak": None}
    report["wall"] = round(time.perf_counter() - started, 1)
    if done.returncode < 0:
        report["crash"] = f"died of {signal.Signals(-done.returncode).name}: {done.stderr[-1500:]}"
    elif done.returncode != 0 or not lines:
        report["crash"] = f"exit status {done.returncode}: {done.stderr[-1500:]}"
    return report


@pytest.fixture(scope="module")
def sweep():
    started = time.perf_counter()
    with ThreadPoolExecutor(max_workers=2) as pool:
        reports = list(pool.map(_run, _batches()))
    totals = {
        "batches": len(reports),
        "calls": sum(r["calls"] for r in reports),
        "crashes": sum("crash" in r for r in reports),
        "faults": sum(len(r["faults"]) for r in reports),
        "leaks": sum(bool(r["leak"] and r["leak"]["leaking"]) for r in reports),
        "seconds": round(time.perf_counter() - started, 1),
    }
    print("\nadversarial sweep: " + json.dumps(totals))
    for r in reports:
        print(f"  {r['batch']:<26} {r['calls']:>7} calls  {r.get('wall', '-')} s  leak {r['leak']}")
    if os.environ.get("TOVANE_ADVERSARIAL_REPORT"):
        Path(os.environ["TOVANE_ADVERSARIAL_REPORT"]).write_text(json.dumps({"totals": totals, "batches": reports},
                                                                            indent=1))
    return {r["batch"]: r for r in reports}


def test_every_module_has_its_batch(sweep):
    # Every native module of the package; a new module adds its own.
    for name in ("brevant", "_velmora", "flintor", "switch._serializer", "_cadrell", "pennard", "marquel", "selvon",
                 "drevasse"):
        assert f"calls:{name}" in sweep


@pytest.mark.parametrize("batch", _batches())
def test_batch(sweep, batch):
    report = sweep[batch]
    assert "crash" not in report, report["crash"]
    assert report["faults"] == [], report["faults"]
    assert report["calls"] > 0
    if report["leak"] is not None:
        assert not report["leak"]["leaking"], report["leak"]
