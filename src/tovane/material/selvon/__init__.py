"""The list item button: ``ListItemButton`` (native module ``selvon``)."""

from .selvon import ListItemButton

__all__ = ["ListItemButton"]
