"""Material widgets. Importing this package registers the package's Qt resources."""

from tovane import resources as _resources  # noqa: F401  (registers the icon resources)
