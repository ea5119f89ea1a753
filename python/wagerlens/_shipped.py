"""The games, systems and English texts that come with Wagerlens, carried inside the package as its data."""

from __future__ import annotations

import importlib.resources
import os
from typing import Callable, TypeVar

T = TypeVar("T")


def read_shipped(name: str, read: Callable[[str], T]) -> T:
    """read(path) of the shipped file name, which the package carries in its data folder.

    Raises OSError when the file is missing, which means a broken install: reinstall the package.
    """
    resource = importlib.resources.files(__package__).joinpath("data").joinpath(name)
    if not resource.is_file():
        raise OSError(f"The wagerlens package lacks its file data/{name}: reinstall the package")
    # A package imported from a zip gives no path; as_file makes one for the reader, which takes paths only.
    with importlib.resources.as_file(resource) as path:
        return read(os.fspath(path))
