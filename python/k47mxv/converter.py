"""Listing, opening and driving converters.

Threads: the API library keeps its device table and its list of serials
without a lock, so listing, opening and closing run under one lock for the
whole process. Each `Converter` runs its operations under its own lock, so
an operation never meets a half-closed converter and never reaches another
converter that was given the device index after this one was closed.
"""
from __future__ import annotations

import atexit
import ctypes
import numbers
import threading
from typing import Iterable, List, Optional, Set, Tuple, Union, overload

from .errors import (BadRangeError, CalibrationError, ExchangeError, LibraryError, NotOpenError, OpenError,
                     Result, raise_for_result)
from .library import Library, load_library
from .records import RANGE_COUNT, SERIAL_BYTES, Conversion, DeviceConfig, DeviceConfigRecord, Range

MAX_IMAGE_BYTES = 5400  # the longest image write_calibration takes
CALIBRATION_BYTES = 5318  # calibration data bytes behind the 3-byte header
_FORMAT = 1  # the image's format byte
_GRID_STEP_HZ = 4_000_000  # one calibration point per 4 MHz of input
_GRID_MARGIN_HZ = 8_000_000  # each range's grid starts 8 MHz below it and ends 8 MHz beyond

Frequency = Union[int, float]

_process_lock = threading.RLock()
_enumerated = False  # a GetDeviceCount has succeeded in this process
_open_converters: "Set[Converter]" = set()  # closed at exit; kept until then


def _hertz(frequency: Frequency) -> int:
    """A frequency as whole hertz; fractions of a hertz are refused."""
    if isinstance(frequency, numbers.Integral):
        return int(frequency)
    if isinstance(frequency, numbers.Real) and float(frequency).is_integer():
        return int(frequency)
    raise ValueError(f"{frequency!r} is not a whole number of hertz")


def _enumerate(library: Library) -> List[str]:
    """Counts the converters and reads their serials; the caller holds the process lock."""
    global _enumerated
    count = library.GetDeviceCount()
    if count < 0:
        raise LibraryError("GetDeviceCount", count, "the driver library beside the API library cannot be bound")
    _enumerated = True
    serials = []
    buffer = ctypes.create_string_buffer(SERIAL_BYTES)
    for n in range(count):
        if not library.GetDeviceSerial(n, buffer):
            raise OpenError("GetDeviceSerial", 0, f"serial {n} of {count} could not be read")
        serials.append(buffer.value.decode("ascii", "replace"))
    return serials


def list_serials() -> List[str]:
    """The USB serials of the converters attached now, in the driver's order."""
    library = load_library()
    with _process_lock:
        return _enumerate(library)


def convert(frequency: Frequency) -> Conversion:
    """The range, output frequency and inversion of an input frequency (Hz).

    Needs no open converter and makes no traffic. The API library converts
    only once it has counted the converters in this process, so the first
    call counts them when nothing has yet; that needs the driver library
    beside the API library (`LibraryError` otherwise).

    Raises ValueError for a frequency outside 0..21 GHz.
    """
    hz = _hertz(frequency)
    if not -2**63 <= hz < 2**63:
        raise ValueError(f"{hz} Hz is outside 0..21 GHz")
    library = load_library()
    with _process_lock:
        if not _enumerated:
            _enumerate(library)
    output, number, inverted = ctypes.c_longlong(), ctypes.c_int(), ctypes.c_int()
    if not library.ConvertFrequency(-1, hz, ctypes.byref(output), ctypes.byref(number), ctypes.byref(inverted)):
        raise ValueError(f"{hz} Hz is outside 0..21 GHz")
    return Conversion(hz, number.value, output.value, bool(inverted.value))


@atexit.register
def _close_all() -> None:
    # The API library leaves converters powered when the process ends with
    # them open; closing them clears their power.
    with _process_lock:
        converters = list(_open_converters)
    for converter in converters:
        converter.close()


class Converter:
    """One open converter; a context manager that closes it.

    ``Converter()`` opens the only converter attached (`OpenError` when there
    is none or there are several); ``Converter("K4700001")`` opens that USB
    serial. Closing clears the converter's power. A converter stays open,
    in the range last selected, until it is closed or the interpreter
    exits, which closes every converter still open.
    """

    # Construction and closing

    def __init__(self, serial: Optional[str] = None) -> None:
        self._library = load_library()
        self._lock = threading.RLock()
        self._ranges: Optional[Tuple[Range, ...]] = None
        with _process_lock:
            if serial is None:
                serial = self._only_serial()
            raw = serial.encode("ascii")
            if not 0 < len(raw) < SERIAL_BYTES or b"\0" in raw:
                raise ValueError(f"{serial!r} is not a USB serial of 1 to 16 characters")
            self._index = self._library.Open(raw)
            if self._index < 0:
                raise OpenError("Open", self._index,
                                f"{serial} cannot be opened: not attached, open elsewhere, or 32 converters open")
            self.serial = serial
            _open_converters.add(self)

    def _only_serial(self) -> str:
        serials = _enumerate(self._library)
        if len(serials) != 1:
            found = "no converter is attached" if not serials else "several are attached: " + ", ".join(serials)
            raise OpenError("GetDeviceCount", len(serials), f"{found}; name the serial to open")
        return serials[0]

    def close(self) -> None:
        """Clears the converter's power and closes it; closing again does nothing."""
        with self._lock:
            if self._index < 0:
                return
            with _process_lock:
                self._library.Close(self._index)
                _open_converters.discard(self)
            self._index = -1

    def __enter__(self) -> "Converter":
        return self

    def __exit__(self, *exception: object) -> None:
        self.close()

    def __repr__(self) -> str:
        return f"<k47mxv.Converter {self.serial} {'open' if self._index >= 0 else 'closed'}>"

    # Operations

    @property
    def is_open(self) -> bool:
        """Whether this converter is open, in the package and in the API library."""
        with self._lock:
            return self._index >= 0 and bool(self._library.IsOpen(self._index))

    def select_range(self, number: int) -> None:
        """Selects range 0..13 and so switches the converter on.

        Selecting the range already selected sends nothing. Raises
        `BadRangeError`, `RefusedError`, `BusyError`, `NoReplyError` or
        `ExchangeError` with the API's result code.
        """
        if not 0 <= number < RANGE_COUNT:
            raise BadRangeError("SetRange", Result.BAD_RANGE, f"range {number} is outside 0..13")
        with self._lock:
            raise_for_result("SetRange", self._library.SetRange(self._open_index(), number))

    def power_off(self) -> None:
        """Sends the power-clear command; the next `select_range` sends its command again."""
        with self._lock:
            if not self._library.SetClearPower(self._open_index()):
                raise ExchangeError("SetClearPower", 0, "the power-clear command could not be written")

    def alive(self) -> bool:
        """Whether the converter answers its serial-number query (about 100 ms)."""
        with self._lock:
            return bool(self._library.IsAlive(self._open_index()))

    def config(self) -> DeviceConfig:
        """The converter's serial, firmware version text and 14 ranges."""
        record = DeviceConfigRecord()
        with self._lock:
            if not self._library.GetConfig(self._open_index(), ctypes.byref(record)):
                raise ExchangeError("GetConfig", 0, "the converter did not report its serial or version")
            config = DeviceConfig.from_record(record)
            self._ranges = config.ranges
            return config

    def send(self, command: bytes) -> None:
        """Writes raw bytes to the converter (no NUL byte); no reply is read."""
        if b"\0" in command:
            raise ValueError("the API library sends text up to its first NUL byte")
        with self._lock:
            raise_for_result("SendBuffer", self._library.SendBuffer(self._open_index(), command))

    def read_calibration(self) -> bytes:
        """The calibration image: format byte 1, 16-bit mask (little-endian), 5318 data bytes.

        Takes about 6.5 s at the converter's 9600 baud, less for data already
        read. Raises `CalibrationError` when the converter holds no valid
        calibration (firmware before version 4, no image written).
        """
        data = (ctypes.c_ubyte * CALIBRATION_BYTES)()
        with self._lock:
            mask = self._calibration_mask()
            if not self._library.GetCalibrationData(self._open_index(), 0, data, CALIBRATION_BYTES, None):
                raise ExchangeError("GetCalibrationData", 0, "the converter did not deliver its calibration data")
        return bytes((_FORMAT, mask & 0xFF, mask >> 8)) + bytes(data)

    def write_calibration(self, image: bytes) -> None:
        """Writes a calibration image (as `read_calibration` returns it) from address 0.

        Up to 5400 bytes, in 128-byte chunks of about 150 ms each. Raises
        `ExchangeError` when a chunk was not acknowledged; the converter's
        calibration then reads as invalid, or as the old image when no chunk
        was stored.
        """
        if len(image) > MAX_IMAGE_BYTES:
            raise ValueError(f"an image holds at most {MAX_IMAGE_BYTES} bytes, not {len(image)}")
        buffer = (ctypes.c_ubyte * len(image)).from_buffer_copy(image)
        with self._lock:
            if not self._library.WriteCalibrationData(self._open_index(), buffer, len(image)):
                raise ExchangeError("WriteCalibrationData", 0, "the converter did not acknowledge every chunk")

    @overload
    def correction(self, frequency: Frequency) -> float: ...

    @overload
    def correction(self, frequency: Iterable[Frequency]) -> List[float]: ...

    def correction(self, frequency: Union[Frequency, Iterable[Frequency]]) -> Union[float, List[float]]:
        """The SS correction at an input frequency (Hz), or a list for a sequence of them.

        Interpolated between the two calibration points around the frequency.
        The API library answers 0.0 both for a true zero and when it has no
        correction to give; so the package first checks that the converter
        holds a valid calibration (`CalibrationError`) and that the frequency
        has a calibration point (ValueError from 21 GHz on), and after a 0.0
        reads the two calibration points itself: `ExchangeError` when the
        converter does not deliver them. Ranges the calibration marks as
        uncalibrated give 0.0.
        """
        with self._lock:
            if isinstance(frequency, numbers.Real):
                return self._correction(frequency)
            return [self._correction(f) for f in frequency]

    # Helpers; the caller holds the converter's lock.

    def _open_index(self) -> int:
        if self._index < 0:
            raise NotOpenError(self.serial, Result.NOT_OPEN, "the converter is closed")
        return self._index

    def _calibration_mask(self) -> int:
        """The calibration mask, from the header the library read at open (no traffic)."""
        header = ctypes.c_uint()
        self._library.GetCalibrationData(self._open_index(), 0, None, 0, ctypes.byref(header))
        if header.value == 0:
            raise CalibrationError("GetCalibrationData", 0, "the converter holds no valid calibration")
        return header.value & 0xFFFF

    def _calibration_point(self, hz: int) -> Optional[int]:
        """The data offset of the calibration point at or below hz, None beyond the last range.

        Each range has a segment of points every 4 MHz from 8 MHz below its
        lower end (0 Hz for range 0) to 8 MHz beyond its upper end, packed in
        range order. A frequency belongs to the first segment it lies below
        the end of: a range's upper end less 1 Hz, the last range's upper end.
        """
        if self._ranges is None:
            self.config()
        offset = 0
        for number, entry in enumerate(self._ranges):
            base = max(entry.input.low - _GRID_MARGIN_HZ, 0)
            end = entry.input.high if number == len(self._ranges) - 1 else entry.input.high - 1
            if hz < end:
                return offset + (hz - base) // _GRID_STEP_HZ
            offset += (entry.input.high + _GRID_MARGIN_HZ - base) // _GRID_STEP_HZ + 1
        return None

    def _correction(self, frequency: Frequency) -> float:
        hz = _hertz(frequency)
        index = self._open_index()
        self._calibration_mask()
        point = self._calibration_point(hz) if hz >= 0 else None
        if point is None:
            raise ValueError(f"{hz} Hz has no calibration point (0 Hz up to 21 GHz)")
        value = self._library.GetSSCorrection(index, hz)
        if value != 0.0:
            return value
        # Either a true zero or a calibration block the converter did not
        # deliver: reading both points tells, and once they are read the
        # library computes from them without traffic.
        points = (ctypes.c_ubyte * 2)()
        if not self._library.GetCalibrationData(index, point, points, 2, None):
            raise ExchangeError("GetSSCorrection", 0, "the converter did not deliver the calibration points")
        return self._library.GetSSCorrection(index, hz)
