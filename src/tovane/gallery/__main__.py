"""python -m tovane.gallery: open the widget gallery (see tovane.gallery)."""

import sys

from tovane.gallery import main

sys.exit(main())
