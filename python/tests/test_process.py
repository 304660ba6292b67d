"""What a whole Python process sees: finding the library, the first call, exit, the version."""
import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

import k47mxv
from conftest import VIRTUAL, device

TOP = Path(__file__).resolve().parents[2]


def run_python(code: str, environment: dict) -> subprocess.CompletedProcess:
    return subprocess.run([sys.executable, "-c", code], env=environment, capture_output=True, text=True,
                          timeout=60)


def environment_with(tmp_path: Path, **variables: str) -> dict:
    """The test's environment with a simulated bus of one converter that logs its traffic."""
    ini = tmp_path / "bus.ini"
    ini.write_text(VIRTUAL + f"log = {tmp_path / 'traffic.log'}\n" + device("K4700001"))
    environment = {key: value for key, value in os.environ.items() if key != "LD_LIBRARY_PATH"}
    environment["K47MXV_SIM"] = str(ini)
    environment.update(variables)
    return environment


@pytest.mark.parametrize("location, looked_for", [
    ("/nonexistent/k47", r"from K47MXV_API_LIBRARY:\n  /nonexistent/k47: no such file"),
    ("", r"from the dynamic loader's search path .*\n  libk47mxv_api\.so\.1: "),
])
def test_a_missing_library_is_reported_with_where_it_was_looked_for(tmp_path, location, looked_for):
    result = run_python("import k47mxv; k47mxv.list_serials()",
                        environment_with(tmp_path, K47MXV_API_LIBRARY=location))
    assert result.returncode == 1
    assert re.search(r"k47mxv\.errors\.LibraryError: load_library: the K47MXV API library for this 64-bit "
                     r"Python was not found; looked for, " + looked_for, result.stderr), result.stderr


def test_convert_works_as_the_first_call_of_a_process(tmp_path):
    result = run_python("import k47mxv; print(k47mxv.convert(10_000_000_000))", environment_with(tmp_path))
    assert result.stdout == "Conversion(input=10000000000, range=6, output=2200000000, inverted=True)\n", \
        result.stderr


def test_a_converter_left_open_at_exit_is_powered_off_and_closed(tmp_path):
    result = run_python("import k47mxv; k47mxv.Converter().select_range(4)", environment_with(tmp_path))
    assert result.returncode == 0, result.stderr
    events = [line.split(" ", 2)[2] for line in (tmp_path / "traffic.log").read_text().splitlines()]
    assert events[-7:] == ["read 2 -> 50 0D", "purge 1", "write 43 50 0D", "timeouts 6 100", "read 1024 ->",
                           "timeouts 100 100", "close"]


def test_the_version_is_the_projects_version():
    cmake = (TOP / "CMakeLists.txt").read_text()
    assert k47mxv.__version__ == re.search(r"project\(K47MXV VERSION ([0-9.]+)", cmake).group(1)
