#!/usr/bin/env bash
# The Python package against the native build and the simulated converter,
# in a virtual environment of Debian's python3 that sees its site packages
# (python3-pytest, python3-matplotlib):
#   install  - makes the environment afresh and runs `pip install ./python`
#              in it, as the README says (no package index needed)
#   package  - the package's pytest suite (python/tests)
#   examples - the README's Python example and examples/python, in virtual
#              time, the plot written into the build folder
# Usage: python-tests.sh install|package|examples BIN_FOLDER VENV_FOLDER
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
step=$1 bin=$2 venv=$3
python=$venv/bin/python
export K47MXV_API_LIBRARY=$bin PIP_DISABLE_PIP_VERSION_CHECK=1 PYTHONDONTWRITEBYTECODE=1

# A bus of one converter in virtual time: the examples read and write the
# whole calibration without waiting for the 9600-baud line.
virtual_bus() {
    printf '[simulator]\ntiming = virtual\n[device]\nusb_serial = K4700001\n' > "$1"
}

run_example() {
    echo "== $*"
    "$python" "$@"
}

case $step in
    install)
        rm -rf "$venv"
        /usr/bin/python3 -m venv --system-site-packages "$venv"
        (cd "$top" && "$venv/bin/pip" install ./python)
        # The installed package, not the source folder, from anywhere.
        (cd "$venv" && "$python" -c 'import k47mxv, pytest, matplotlib; print("k47mxv", k47mxv.__version__, "from", k47mxv.__file__)')
        ;;
    package)
        cd "$top"
        "$python" -m pytest -p no:cacheprovider -q -rfEs python/tests
        ;;
    examples)
        out=$(dirname "$venv")/python-examples
        rm -rf "$out" && mkdir -p "$out"
        virtual_bus "$out/bus.ini"
        export K47MXV_SIM=$out/bus.ini
        sed -n '/^## Python/,/^## /p' "$top/README.md" | sed -n '/^```python$/,/^```$/{/^```/d;p}' > "$out/readme_example.py"
        [ -s "$out/readme_example.py" ] || { echo "no Python example in the README's Python section"; exit 1; }
        run_example "$out/readme_example.py"
        run_example "$top/examples/python/step_bands.py"
        run_example "$top/examples/python/calibration_backup.py" save "$out/calibration.bin"
        run_example "$top/examples/python/calibration_backup.py" restore "$out/calibration.bin" K4700001
        run_example "$top/examples/python/correction_plot.py" "$out/ss-correction.png"
        [ "$(head -c 4 "$out/ss-correction.png" | od -An -tx1 | tr -d ' ')" = 89504e47 ] || { echo "no PNG written"; exit 1; }
        ;;
    *)
        echo "unknown step '$step'"; exit 2 ;;
esac
