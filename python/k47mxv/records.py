"""What the converter reports, as dataclasses, and the C records they come from."""
from __future__ import annotations

import ctypes
from dataclasses import dataclass
from typing import Tuple

RANGE_COUNT = 14
SERIAL_BYTES = 17  # a serial buffer: 16 characters and the terminator


class RangeEntryRecord(ctypes.Structure):
    """`RangeEntry`: 28 bytes, packed to 4; frequencies in Hz, `to` inclusive."""

    _pack_ = 4
    _fields_ = [
        ("from_hz", ctypes.c_longlong),
        ("to_hz", ctypes.c_longlong),
        ("lo_hz", ctypes.c_longlong),
        ("inverted", ctypes.c_int),
    ]


class DeviceConfigRecord(ctypes.Structure):
    """`DeviceConfig`: 432 bytes, packed to 4; fields at 0, 20, 24 and 416."""

    _pack_ = 4
    _fields_ = [
        ("serial", ctypes.c_char * 20),
        ("range_count", ctypes.c_int),
        ("ranges", RangeEntryRecord * RANGE_COUNT),
        ("firmware", ctypes.c_char * 16),
    ]


@dataclass(frozen=True)
class Band:
    """A frequency band, `low` to `high` Hz, both included."""

    low: int
    high: int

    def __contains__(self, frequency: object) -> bool:
        return isinstance(frequency, (int, float)) and self.low <= frequency <= self.high


@dataclass(frozen=True)
class Range:
    """One of the converter's 14 ranges.

    An input frequency in `input` leaves the converter at
    `local_oscillator - input` when `inverted`, else `input - local_oscillator`;
    `output` is the band it lands in. Range 0 passes its input through.
    """

    number: int
    input: Band
    local_oscillator: int
    output: Band
    inverted: bool

    @classmethod
    def from_record(cls, number: int, entry: RangeEntryRecord) -> "Range":
        lo = entry.lo_hz
        if entry.inverted:
            output = Band(lo - entry.to_hz, lo - entry.from_hz)
        else:
            output = Band(entry.from_hz - lo, entry.to_hz - lo)
        return cls(number, Band(entry.from_hz, entry.to_hz), lo, output, bool(entry.inverted))


@dataclass(frozen=True)
class DeviceConfig:
    """What `Converter.config()` reports: serial, firmware version text and range table."""

    serial: str
    firmware: str
    ranges: Tuple[Range, ...]

    @classmethod
    def from_record(cls, record: DeviceConfigRecord) -> "DeviceConfig":
        count = min(record.range_count, RANGE_COUNT)
        ranges = tuple(Range.from_record(i, record.ranges[i]) for i in range(count))
        return cls(record.serial.decode("ascii", "replace"), record.firmware.decode("ascii", "replace"), ranges)


@dataclass(frozen=True)
class Conversion:
    """Where an input frequency (Hz) lands: its range, output frequency (Hz), inversion."""

    input: int
    range: int
    output: int
    inverted: bool
