"""pandas for the results' to_frame(), imported only when one is called: the package itself needs numpy only."""

from __future__ import annotations

import importlib
from typing import Any


def pandas() -> Any:
    """The pandas module; ImportError saying what to install when it is missing."""
    try:
        return importlib.import_module("pandas")
    except ImportError as missing:
        raise ImportError("to_frame() needs pandas: install python3-pandas (Debian) or pandas (pip), "
                          "then call it again") from missing
