"""Plots a converter's SS correction over the input band of each range.

    python3 correction_plot.py OUTPUT.png [SERIAL]

One point per 4 MHz, the spacing of the calibration points. Reading the
whole calibration takes about 6.5 s at the converter's 9600 baud.
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402 (after the back end is chosen)

import k47mxv  # noqa: E402

STEP_HZ = 4_000_000


def main() -> int:
    if len(sys.argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    with k47mxv.Converter(sys.argv[2] if len(sys.argv) == 3 else None) as converter:
        config = converter.config()
        figure, axes = plt.subplots(figsize=(10, 4.5), dpi=100)
        for band in config.ranges:
            # The upper end of the last range has no calibration point.
            frequencies = list(range(band.input.low, band.input.high, STEP_HZ))
            corrections = converter.correction(frequencies)
            axes.plot([f / 1e9 for f in frequencies], corrections, linewidth=1, label=f"{band.number}",
                      color=plt.cm.tab20(band.number))
            axes.axvline(band.input.high / 1e9, color="0.85", linewidth=0.5)
    axes.set_xlabel("input frequency (GHz)")
    axes.set_ylabel("SS correction")
    axes.set_xlim(0, config.ranges[-1].input.high / 1e9)
    axes.set_title(f"SS correction of {config.serial} ({config.firmware}) over each range's input band")
    axes.legend(title="range", ncol=2, fontsize="small", loc="center left", bbox_to_anchor=(1.0, 0.5))
    figure.tight_layout()
    figure.savefig(sys.argv[1])
    print(f"wrote {sys.argv[1]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
