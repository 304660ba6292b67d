"""Saves a converter's calibration image to a file, or writes one back.

    python3 calibration_backup.py save FILE [SERIAL]
    python3 calibration_backup.py restore FILE [SERIAL]

The image is what the converter keeps: format byte, 16-bit mask, 5318 data
bytes. Each direction takes 6 to 7 s at the converter's 9600 baud. A restore
reads the image back and compares it with the file.
"""
import sys
from pathlib import Path

import k47mxv


def main() -> int:
    if len(sys.argv) not in (3, 4) or sys.argv[1] not in ("save", "restore"):
        print(__doc__, file=sys.stderr)
        return 2
    action, file = sys.argv[1], Path(sys.argv[2])
    with k47mxv.Converter(sys.argv[3] if len(sys.argv) == 4 else None) as converter:
        if action == "save":
            image = converter.read_calibration()
            file.write_bytes(image)
            print(f"saved {len(image)} bytes of {converter.serial}'s calibration to {file}")
            return 0
        image = file.read_bytes()
        converter.write_calibration(image)
        if converter.read_calibration()[:len(image)] != image:
            print(f"{converter.serial} reads back another image than {file}", file=sys.stderr)
            return 1
        print(f"restored {len(image)} bytes from {file} to {converter.serial}, read back and compared")
        return 0


if __name__ == "__main__":
    sys.exit(main())
