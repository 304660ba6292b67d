"""The exceptions of the package and the API's result codes.

Every failure the API library reports raises a `K47mxvError` (or one of its
subclasses) that names the library function, carries its result code and
says what the code means.
"""
from __future__ import annotations

import enum
from typing import Dict, Optional, Tuple, Type


class Result(enum.IntEnum):
    """Result codes of `SetRange` and `SendBuffer` (the header's OVK47MXV_*)."""

    OK = 0
    NOT_OPEN = -1
    BAD_RANGE = -3
    WRITE_FAILED = -4
    NO_REPLY = -5
    REFUSED = -6
    BAD_REPLY = -7
    BUSY = -8


class K47mxvError(Exception):
    """A failure of the API library or of the converter behind it.

    Attributes:
        function: the API function that failed ("SetRange", "Open", ...), or
            the package's step when no function was called.
        code: the function's result (a `Result` where it has one), or None
            when the package found the failure before calling.
        meaning: what the result means, in words.
    """

    def __init__(self, function: str, code: Optional[int], meaning: str) -> None:
        super().__init__(function, code, meaning)
        self.function = function
        self.code = code
        self.meaning = meaning

    def __str__(self) -> str:
        code = "" if self.code is None else f" (result {self.code})"
        return f"{self.function}: {self.meaning}{code}"


class LibraryError(K47mxvError):
    """The API library, or the driver library beside it, cannot be loaded or bound."""


class OpenError(K47mxvError):
    """No converter could be opened: none attached, several to choose from, or `Open` refused."""


class NotOpenError(K47mxvError):
    """The converter is closed (or the library no longer knows its device index)."""


class BadRangeError(K47mxvError, ValueError):
    """A range number outside 0..13."""


class ExchangeError(K47mxvError):
    """An exchange with the converter failed: a write, a reply, a calibration chunk."""


class NoReplyError(ExchangeError):
    """The converter did not answer in time."""


class RefusedError(ExchangeError):
    """The converter answered with a refusal ("X")."""


class BusyError(ExchangeError):
    """The converter answered "busy" to every attempt."""


class CalibrationError(K47mxvError):
    """The converter holds no valid calibration image."""


# What each negative result of SetRange and SendBuffer raises.
_CODES: Dict[int, Tuple[Type[K47mxvError], str]] = {
    Result.NOT_OPEN: (NotOpenError, "the converter is not open"),
    Result.BAD_RANGE: (BadRangeError, "the range is outside 0..13"),
    Result.WRITE_FAILED: (ExchangeError, "the command could not be written"),
    Result.NO_REPLY: (NoReplyError, "the converter did not answer in time"),
    Result.REFUSED: (RefusedError, "the converter refused the command"),
    Result.BAD_REPLY: (ExchangeError, "the converter gave an unexpected reply"),
    Result.BUSY: (BusyError, "the converter answered busy to every attempt"),
}


def raise_for_result(function: str, code: int) -> None:
    """Raises the exception of a negative result code; returns for `Result.OK`."""
    if code == Result.OK:
        return
    if code in _CODES:
        error, meaning = _CODES[code]
        raise error(function, Result(code), meaning)
    raise ExchangeError(function, code, "an unknown result")
