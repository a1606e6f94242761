import os
import sys

# Qt must not look for a display: every test runs offscreen.
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

# Let `from leakcheck import ...` work from any test module.
sys.path.insert(0, os.path.dirname(__file__))
