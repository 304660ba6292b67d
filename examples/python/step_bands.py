"""Steps a converter through its 14 bands and says where each band's input lands.

    python3 step_bands.py [SERIAL]

Opens the converter with that USB serial, or the only one attached, selects
every band in turn and closes it again, which clears its power.
"""
import sys

import k47mxv


def ghz(hz: int) -> str:
    return f"{hz / 1e9:.1f}"


def main() -> None:
    with k47mxv.Converter(sys.argv[1] if len(sys.argv) > 1 else None) as converter:
        config = converter.config()
        print(f"{config.serial}, {config.firmware}")
        for band in config.ranges:
            converter.select_range(band.number)
            output = f"{ghz(band.output.high)} to {ghz(band.output.low)}" if band.inverted else \
                f"{ghz(band.output.low)} to {ghz(band.output.high)}"
            print(f"band {band.number:2}: {ghz(band.input.low):>4} to {ghz(band.input.high):>4} GHz in, "
                  f"{output} GHz out{' (inverted)' if band.inverted else ''}")
        print("alive" if converter.alive() else "not answering")


if __name__ == "__main__":
    main()
