"""Runs the package against the native API library and the simulated converter.

K47MXV_API_LIBRARY names the folder of the native build (build/linux/bin),
which holds libk47mxv_api.so.1 and the simulator libk47mxv_usb.so the API
library loads beside itself. The tests load the same simulator file, so they
drive the very bus the API library sees through its test controls.
"""
import ctypes
import os
from pathlib import Path
from typing import List

import pytest

VIRTUAL = "[simulator]\ntiming = virtual\n"


def pytest_configure(config: pytest.Config) -> None:
    folder = os.environ.get("K47MXV_API_LIBRARY", "")
    if not (Path(folder) / "libk47mxv_usb.so").is_file():
        raise pytest.UsageError("K47MXV_API_LIBRARY must name the native build's bin folder "
                                f"(with libk47mxv_api.so.1 and libk47mxv_usb.so), not {folder!r}")


def device(usb_serial: str, *keys: str) -> str:
    """One [device] section of the simulator's configuration."""
    return "[device]\n" + "".join(f"{key}\n" for key in (f"usb_serial = {usb_serial}",) + keys)


class Simulator:
    """The simulated bus, through the simulator's test controls."""

    def __init__(self, folder: Path) -> None:
        self.folder = folder
        self._sim = ctypes.CDLL(str(folder / "libk47mxv_usb.so"))
        self._sim.SIM_GetTraffic.argtypes = (ctypes.c_char_p, ctypes.c_int)
        self._sim.SIM_ReadMemory.argtypes = (ctypes.c_char_p, ctypes.c_uint, ctypes.c_char_p, ctypes.c_uint)

    def configure(self, *devices: str) -> None:
        """A bus in virtual time with these devices, in bus order."""
        assert self._sim.SIM_Configure((VIRTUAL + "".join(devices)).encode()) == 1

    def events(self, serial: str) -> List[str]:
        """The serial's traffic lines without their times: "write 66 07 0D", "close", ..."""
        size = self._sim.SIM_GetTraffic(None, 0) + 1
        text = ctypes.create_string_buffer(size)
        self._sim.SIM_GetTraffic(text, size)
        lines = (line.split(" ", 2) for line in text.value.decode().splitlines())
        return [event for _, usb_serial, event in lines if usb_serial == serial]

    def writes(self, serial: str) -> List[str]:
        return [event for event in self.events(serial) if event.startswith("write") or event == "close"]

    def clear_traffic(self) -> None:
        self._sim.SIM_ClearTraffic()

    def memory(self, serial: str, length: int) -> bytes:
        buffer = ctypes.create_string_buffer(length)
        assert self._sim.SIM_ReadMemory(serial.encode(), 0, buffer, length) == 1
        return buffer.raw

    def unplug(self, serial: str) -> None:
        assert self._sim.SIM_Unplug(serial.encode(), 0) == 1


@pytest.fixture(scope="session")
def sim() -> Simulator:
    return Simulator(Path(os.environ["K47MXV_API_LIBRARY"]))
