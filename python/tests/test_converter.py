"""Listing, opening, bands, power, configuration, refusals and a converter that stops answering."""
import pytest

import k47mxv
from conftest import device


@pytest.mark.parametrize("bus, serial, opened, error", [
    ([], None, None, "no converter is attached"),
    (["K4700001"], None, "K4700001", None),
    (["K4700001", "K4700002"], None, None, "several are attached: K4700001, K4700002"),
    (["K4700001", "K4700002"], "K4700002", "K4700002", None),
    (["K4700001"], "K4700009", None, "K4700009 cannot be opened"),
])
def test_converter_opens_the_only_or_the_named_one(sim, bus, serial, opened, error):
    sim.configure(*(device(s) for s in bus), device("FTX12345", "id = 0x04036001"))
    assert k47mxv.list_serials() == bus
    if error:
        with pytest.raises(k47mxv.OpenError, match=error):
            k47mxv.Converter(serial)
        return
    with k47mxv.Converter(serial) as converter:
        assert converter.config().serial == opened
        assert converter.is_open


def test_a_refused_open_raises_with_the_result_of_open(sim):
    sim.configure(device("K4700001", "open = refuse"))
    with pytest.raises(k47mxv.OpenError) as raised:
        k47mxv.Converter()
    assert (raised.value.function, raised.value.code) == ("Open", -1)


def test_config_reports_serial_firmware_and_the_range_table(sim):
    sim.configure(device("K4700001", "serial = SN000042", "firmware = Version 4.7"))
    with k47mxv.Converter() as converter:
        config = converter.config()
    assert (config.serial, config.firmware, len(config.ranges)) == ("SN000042", "Version 4.7", 14)
    Band, Range = k47mxv.Band, k47mxv.Range
    assert config.ranges[0] == Range(0, Band(0, 2_900_000_000), 0, Band(0, 2_900_000_000), False)
    assert config.ranges[6] == Range(6, Band(9_900_000_000, 12_000_000_000), 12_200_000_000,
                                     Band(200_000_000, 2_300_000_000), True)
    assert config.ranges[13] == Range(13, Band(19_100_000_000, 21_000_000_000), 19_000_000_000,
                                      Band(100_000_000, 2_000_000_000), False)


def test_bands_power_and_closing_send_their_commands(sim):
    sim.configure(device("K4700001"))
    with k47mxv.Converter() as converter:
        sim.clear_traffic()
        for band in range(14):
            converter.select_range(band)
        converter.select_range(13)
        converter.power_off()
        assert converter.alive()
    assert sim.writes("K4700001") == [f"write 66 {band + 1:02X} 0D" for band in range(14)] + [
        "write 43 50 0D", "write 73 6E 0D", "write 43 50 0D", "close"]
    assert not converter.is_open
    with pytest.raises(k47mxv.NotOpenError):
        converter.select_range(1)
    converter.close()


@pytest.mark.parametrize("keys, error, code", [
    (['reply.f = "X\\r", "X\\r", "X\\r"'], k47mxv.RefusedError, -6),
    (['reply.f = "DT", "DT", "DT"'], k47mxv.BusyError, -8),
    (["reply.f = silence, silence, silence"], k47mxv.NoReplyError, -5),
    (['reply.f = "Q\\r", "Q\\r", "Q\\r"'], k47mxv.ExchangeError, -7),
])
def test_a_failed_selection_raises_with_its_result_code(sim, keys, error, code):
    sim.configure(device("K4700001", *keys))
    with k47mxv.Converter() as converter:
        with pytest.raises(error) as raised:
            converter.select_range(5)
        assert type(raised.value) is error and raised.value.code == code
        with pytest.raises(k47mxv.BadRangeError):
            converter.select_range(14)
        converter.select_range(5)


def test_a_converter_that_stops_answering_raises_instead_of_answering(sim):
    sim.configure(device("K4700001"))
    with k47mxv.Converter() as converter:
        converter.config()
        sim.unplug("K4700001")
        assert not converter.alive()
        with pytest.raises(k47mxv.ExchangeError, match="calibration points"):
            converter.correction(10_000_000_000)
        with pytest.raises(k47mxv.ExchangeError) as raised:
            converter.select_range(3)
        assert raised.value.code == k47mxv.Result.WRITE_FAILED
        with pytest.raises(k47mxv.ExchangeError):
            converter.config()


@pytest.mark.parametrize("frequency, conversion", [
    (2_900_000_000, (0, 2_900_000_000, False)),
    (10e9, (6, 2_200_000_000, True)),
    (21_000_000_000, (13, 2_000_000_000, False)),
    (21_000_000_001, None),
    (-1, None),
    (1.5, None),
])
def test_convert_maps_a_frequency_to_range_output_and_inversion(frequency, conversion):
    if conversion is None:
        with pytest.raises(ValueError):
            k47mxv.convert(frequency)
    else:
        result = k47mxv.convert(frequency)
        assert (result.range, result.output, result.inverted) == conversion
