"""Qt resources of the package (compiled into tovane.rcc by build_rcc.py)."""

from pathlib import Path

from PySide6.QtCore import QFile, QResource

ACCESS_TIME_ICON = ":/round/resource_tovane/round/access_time.svg"
RCC_FILE = Path(__file__).with_name("tovane.rcc")


def register() -> None:
    """Register the package's resources with Qt (once per process)."""
    if QFile.exists(ACCESS_TIME_ICON):
        return
    if not QResource.registerResource(str(RCC_FILE)):
        raise RuntimeError(f"cannot register the Qt resources of tovane from {RCC_FILE}")


register()
