"""Finding and binding the K47MXV API library, once per process.

Where the library is looked for, in this order (the first source given
decides; the others are not tried):

1. the path passed to `load_library(path)`;
2. the environment variable ``K47MXV_API_LIBRARY``;
3. on Windows the package's own folder, on Linux the dynamic loader's
   search path (``LD_LIBRARY_PATH``, ``/etc/ld.so.cache``, ``/lib``,
   ``/usr/lib``) for ``libk47mxv_api.so.1``.

A path names the library file itself or a folder. A folder on Windows holds
one subfolder per word size, each with its API library and the driver
library beside it::

    <folder>/win32/OVK47MXV_API.dll    32-bit, with OVK47MXVusb.dll
    <folder>/win64/OVK47MXV_API.dll    64-bit, with OVK47MXVusb.dll

and the interpreter's word size picks the subfolder (a folder holding
``OVK47MXV_API.dll`` itself is taken too). A folder on Linux holds
``libk47mxv_api.so.1`` with ``libk47mxv_usb.so`` beside it.
"""
from __future__ import annotations

import ctypes
import os
import struct
import sys
import threading
from pathlib import Path
from typing import List, Optional, Tuple

from .errors import LibraryError
from .records import DeviceConfigRecord

ENVIRONMENT_VARIABLE = "K47MXV_API_LIBRARY"
WINDOWS_NAME = "OVK47MXV_API.dll"
LINUX_NAME = "libk47mxv_api.so.1"

_WINDOWS = sys.platform == "win32"

_c_int_p = ctypes.POINTER(ctypes.c_int)
_c_uint_p = ctypes.POINTER(ctypes.c_uint)
_c_longlong_p = ctypes.POINTER(ctypes.c_longlong)
_c_ubyte_p = ctypes.POINTER(ctypes.c_ubyte)

# The 14 exports: name, result type, argument types.
_PROTOTYPES = (
    ("GetDeviceCount", ctypes.c_int, ()),
    ("GetDeviceSerial", ctypes.c_int, (ctypes.c_int, ctypes.c_char_p)),
    ("Open", ctypes.c_int, (ctypes.c_char_p,)),
    ("Close", ctypes.c_int, (ctypes.c_int,)),
    ("IsOpen", ctypes.c_int, (ctypes.c_int,)),
    ("SetRange", ctypes.c_int, (ctypes.c_int, ctypes.c_int)),
    ("ConvertFrequency", ctypes.c_int, (ctypes.c_int, ctypes.c_longlong, _c_longlong_p, _c_int_p, _c_int_p)),
    ("SetClearPower", ctypes.c_int, (ctypes.c_int,)),
    ("WriteCalibrationData", ctypes.c_int, (ctypes.c_int, _c_ubyte_p, ctypes.c_ushort)),
    ("GetCalibrationData", ctypes.c_int, (ctypes.c_int, ctypes.c_uint, _c_ubyte_p, ctypes.c_uint, _c_uint_p)),
    ("GetSSCorrection", ctypes.c_float, (ctypes.c_int, ctypes.c_ulonglong)),
    ("SendBuffer", ctypes.c_int, (ctypes.c_int, ctypes.c_char_p)),
    ("GetConfig", ctypes.c_int, (ctypes.c_int, ctypes.POINTER(DeviceConfigRecord))),
    ("IsAlive", ctypes.c_int, (ctypes.c_int,)),
)


class Library:
    """The bound API library: its 14 functions as attributes, and its file."""

    def __init__(self, handle: ctypes.CDLL, path: str) -> None:
        self.path = path
        for name, result, arguments in _PROTOTYPES:
            try:
                function = getattr(handle, name)
            except AttributeError:
                raise LibraryError("load_library", None, f"{path} lacks the function {name}") from None
            function.restype = result
            function.argtypes = arguments
            setattr(self, name, function)


_bound: Optional[Library] = None
_bind_lock = threading.Lock()


def _word_size_folder() -> str:
    return "win64" if struct.calcsize("P") == 8 else "win32"


def _files_at(location: str) -> List[str]:
    """The files a path stands for: the file itself, or the library in a folder."""
    path = Path(location)
    if not path.is_dir():
        return [str(path)]
    if _WINDOWS:
        return [str(path / _word_size_folder() / WINDOWS_NAME), str(path / WINDOWS_NAME)]
    return [str(path / LINUX_NAME)]


def _candidates(path: Optional[str]) -> Tuple[List[str], str]:
    """The files to try, in order, and where they come from (for the error text)."""
    if path is not None:
        return _files_at(path), "the path given to load_library"
    if os.environ.get(ENVIRONMENT_VARIABLE):
        return _files_at(os.environ[ENVIRONMENT_VARIABLE]), ENVIRONMENT_VARIABLE
    if _WINDOWS:
        return _files_at(str(Path(__file__).parent)), "the k47mxv package's folder"
    return [LINUX_NAME], "the dynamic loader's search path (LD_LIBRARY_PATH, /etc/ld.so.cache, /lib, /usr/lib)"


def _load(files: List[str], source: str) -> Library:
    # The 32-bit Windows library's functions are __stdcall; WinDLL is the
    # same as CDLL on 64-bit Windows.
    loader = ctypes.WinDLL if _WINDOWS else ctypes.CDLL  # type: ignore[attr-defined]
    reasons = []
    for file in files:
        if os.sep in file and not os.path.isfile(file):
            reasons.append(f"  {file}: no such file")
            continue
        try:
            return Library(loader(file), file)
        except OSError as error:
            reasons.append(f"  {file}: {error}")
    bits = 8 * struct.calcsize("P")
    raise LibraryError("load_library", None,
                       f"the K47MXV API library for this {bits}-bit Python was not found; "
                       f"looked for, from {source}:\n" + "\n".join(reasons))


def load_library(path: Optional[str] = None) -> Library:
    """Finds, loads and binds the API library; the process keeps the first one bound.

    `path` names the library file or a folder (see the module's text for the
    order of the search and the folder layout). Later calls return the bound
    library; naming another file then raises `LibraryError`.
    """
    global _bound
    with _bind_lock:
        if _bound is None:
            _bound = _load(*_candidates(path))
        elif path is not None:
            bound = os.path.realpath(_bound.path)
            if not any(os.path.realpath(file) == bound for file in _files_at(path)):
                raise LibraryError("load_library", None, f"this process has already bound {_bound.path}")
        return _bound
