"""Calibration images and the SS correction."""
import pytest

import k47mxv
from conftest import device

IMAGE_BYTES = 3 + k47mxv.CALIBRATION_BYTES
POINT_10_GHZ = 3 + 2530  # range 6's segment starts at data offset 2503, grid from 9892 MHz: point 27


def signed(byte: int) -> int:
    return byte - 256 if byte > 127 else byte


def test_an_image_written_reads_back_and_sets_the_correction(sim):
    sim.configure(device("K4700001"))
    with k47mxv.Converter() as converter:
        original = converter.read_calibration()
        assert original[:3] == b"\x01\xff\x3f" and original == sim.memory("K4700001", IMAGE_BYTES)
        assert converter.correction(10_000_000_000) == -0.5 * signed(original[POINT_10_GHZ])

        image = bytearray(original)
        image[3:] = bytes((b + 7) & 0xFF for b in original[3:])
        image[POINT_10_GHZ:POINT_10_GHZ + 2] = bytes([0xF6, 0x00])  # -10 and 0 counts
        converter.write_calibration(bytes(image))
        assert converter.read_calibration() == image == sim.memory("K4700001", IMAGE_BYTES)
        assert converter.correction([10_000_000_000, 10_002_000_000, 10_004_000_000]) == [5.0, 2.5, 0.0]

        converter.write_calibration(original)
        assert converter.read_calibration() == original


@pytest.mark.parametrize("keys", [["firmware = Version 3.9"], ["calibration = none"]])
def test_a_converter_without_calibration_raises_calibration_error(sim, keys):
    sim.configure(device("K4700001", *keys))
    with k47mxv.Converter() as converter:
        with pytest.raises(k47mxv.CalibrationError):
            converter.read_calibration()
        with pytest.raises(k47mxv.CalibrationError):
            converter.correction(10_000_000_000)


@pytest.mark.parametrize("frequency", [21_000_000_000, -1, 1.5])
def test_a_frequency_without_a_calibration_point_raises_value_error(sim, frequency):
    sim.configure(device("K4700001"))
    with k47mxv.Converter() as converter:
        with pytest.raises(ValueError):
            converter.correction(frequency)


def test_an_image_longer_than_the_converter_takes_is_refused_before_sending(sim):
    sim.configure(device("K4700001"))
    with k47mxv.Converter() as converter:
        sim.clear_traffic()
        with pytest.raises(ValueError):
            converter.write_calibration(bytes(k47mxv.MAX_IMAGE_BYTES + 1))
    assert sim.writes("K4700001") == ["write 43 50 0D", "close"]
