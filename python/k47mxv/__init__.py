"""Python access to the K47MXV microwave down-converter through its API library.

    import k47mxv
    print(k47mxv.list_serials())
    with k47mxv.Converter() as converter:      # the only converter attached
        converter.select_range(6)
        print(converter.config().firmware, converter.correction(10_000_000_000))
    print(k47mxv.convert(10_000_000_000))       # range 6, output 2.2 GHz, inverted

The package binds the API library the first time it needs it
(`load_library` says where it looks). Failures raise `K47mxvError`
subclasses that carry the API's result code and its meaning.
"""
from importlib.metadata import version as _version

from .converter import CALIBRATION_BYTES, MAX_IMAGE_BYTES, Converter, convert, list_serials
from .errors import (BadRangeError, BusyError, CalibrationError, ExchangeError, K47mxvError, LibraryError,
                     NoReplyError, NotOpenError, OpenError, RefusedError, Result)
from .library import ENVIRONMENT_VARIABLE, load_library
from .records import Band, Conversion, DeviceConfig, Range

__version__ = _version("k47mxv")

__all__ = [
    "BadRangeError", "Band", "BusyError", "CALIBRATION_BYTES", "CalibrationError", "Conversion", "Converter",
    "DeviceConfig", "ENVIRONMENT_VARIABLE", "ExchangeError", "K47mxvError", "LibraryError", "MAX_IMAGE_BYTES",
    "NoReplyError", "NotOpenError", "OpenError", "Range", "RefusedError", "Result", "convert", "list_serials",
    "load_library",
]
