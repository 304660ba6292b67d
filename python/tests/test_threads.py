"""Threads listing, opening, closing and driving converters at once."""
import threading

import pytest

import k47mxv
from conftest import device

SERIALS = [f"K47000{n:02}" for n in range(1, 9)]


def run_all(*targets):
    """Runs each target on its own thread and re-raises the first failure."""
    failures = []

    def guarded(target):
        try:
            target()
        except BaseException as failure:
            failures.append(failure)

    threads = [threading.Thread(target=guarded, args=(target,)) for target in targets]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(timeout=60)
        assert not thread.is_alive()
    if failures:
        raise failures[0]


def test_threads_listing_opening_and_driving_converters_at_once_see_consistent_results(sim):
    sim.configure(*(device(serial) for serial in SERIALS))

    def drive(serial):
        for _ in range(5):
            with k47mxv.Converter(serial) as converter:
                for band in (3, 9, 13, 0):
                    converter.select_range(band)
                assert converter.config().serial == serial

    def listing():
        for _ in range(10000):
            assert k47mxv.list_serials() == SERIALS

    run_all(*(lambda s=serial: drive(s) for serial in SERIALS[:3]), *([listing] * 4))


def test_threads_sharing_a_converter_stop_at_its_close_and_never_reach_the_next_one_opened(sim):
    sim.configure(device("K4700001"), device("K4700002"))
    first = k47mxv.Converter("K4700001")
    selected = threading.Event()

    def select_until_closed():
        band = 0
        while True:
            try:
                first.select_range(band)
            except k47mxv.NotOpenError:
                return
            selected.set()
            band = (band + 1) % 14

    def close_and_open_another():
        assert selected.wait(10)
        first.close()
        with k47mxv.Converter("K4700002") as second:
            second.select_range(7)
            sim.clear_traffic()
            second.power_off()
        assert sim.writes("K4700002") == ["write 43 50 0D", "write 43 50 0D", "close"]

    run_all(select_until_closed, select_until_closed, close_and_open_another)
    with pytest.raises(k47mxv.NotOpenError):
        first.power_off()
