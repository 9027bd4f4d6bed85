import struct

import pytest


MAXIMA = "18446744073709551615, 0, 1, 0.5, -9223372036854775808"


def test_tick_encodes_type_length_and_fields(pdi):
    tick = pdi.TickV2()
    tick.nt64, tick.dt40, tick.nt_quality = 1, 2, 3
    assert tick._encode() == bytes.fromhex("15801100" "01" + "00" * 7 + "02" + "00" * 7 + "03")


def domain(pdi, **values):
    info = pdi.DomainInformation()
    info.__dict__.update(values)
    return info


def test_domain_information(pdi):
    assert pdi.DomainInformation.__doc__ == "Domain Information: Domain Information Class Definition "
    assert str(pdi.DomainInformation()) == "0, 0, 0, 0.0, 0"
    assert type(pdi.DIDomainInfoAttr("d").default) is pdi.DomainInformation


class Formatted:
    def __format__(self, layout):
        return "format" + layout

    def __str__(self):
        return "str"


class Printed:
    def __str__(self):
        return "str"


# Each value in "{}": its own __format__ where it has one, else str(); a bool formats as int does.
@pytest.mark.parametrize("value, shown", [(Formatted(), "format"), (Printed(), "str"), (True, "True")])
def test_domain_text_formats_each_value(pdi, value, shown):
    assert str(domain(pdi, quality=value)) == "0, 0, %s, 0.0, 0" % shown


def test_domain_attribute_reads_any_bytes_like_value(pdi):
    attr = pdi.DIDomainInfoAttr("d")
    # a truth value is no plain integer: struct's packing takes it
    data = attr._encode(domain(pdi, nt64=2**64 - 1, quality=True, slope=0.5, intercept=-2**63))
    assert data == struct.pack("<QQqfq", 2**64 - 1, 0, 1, 0.5, -2**63)
    for raw in (data + b"x", bytearray(data), memoryview(data + b"xy")):
        info, used = attr._decode(raw)
        assert used == 36 and str(info) == MAXIMA
    with pytest.raises(struct.error):  # short: struct's unpacking says so
        attr._decode(bytearray(35))


@pytest.mark.parametrize("values, error", [
    ({"nt64": -1}, struct.error), ({"domaint": 2**64}, struct.error), ({"quality": 2**63}, struct.error),
    ({"intercept": -2**63 - 1}, struct.error), ({"slope": "x"}, struct.error), ({"nt64": 1.0}, struct.error),
    ({"slope": 1e39}, OverflowError)])
def test_domain_values_out_of_range_are_packing_errors(pdi, values, error):
    with pytest.raises(error):
        pdi.DIDomainInfoAttr("d")._encode(domain(pdi, **values))
