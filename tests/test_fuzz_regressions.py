"""Payloads from the fuzz driver (fuzz/run): one row per fault it found, plus the
corners of the decoders whose lists are bounded by counts sent in front of them.

A row names the class, the payload in hex, and the error its decoding must
raise, or None when it must decode, re-encode, and decode again to the same
encoding. Reproduce any row with ``fuzz/run --repro CLASS HEX``.
"""
import struct

import pytest

from conftest import decode

Z = "00"
RADAR_HEAD = Z * 20       # the radar debug item up to its position records
MR_HEAD = Z * 16          # the multi-range transmission up to its reception count

ROWS = [
    # A position record claiming more interface records than it holds keeps the whole ones, the count as sent.
    ("RadarDebugV5", RADAR_HEAD + Z * 17 + "02" + Z * 25, None),
    ("RadarDebugV5", RADAR_HEAD + Z * 17 + "01" + Z * 24, struct.error),
    ("RadarDebugV5", RADAR_HEAD + Z * 17, struct.error),
    # A count beyond the payload bounds the list to what remains: the trailing fixed string is then missing.
    ("AcknowledgeListResponse", "ffff0000" + Z * 32, struct.error),
    ("AcknowledgeListResponse", "01000100" + Z * 8 + "6f6b" + Z * 30, None),
    ("PeriodicSystemOwnershipReport", "0500000000000000" + Z * 8, None),
    # The reception list never reads the free text behind it as entries.
    ("MrTransmissionV1", MR_HEAD + "01" + Z * 18 + "6869", None),
    ("MrTransmissionV1", MR_HEAD + "03" + Z * 18 + "6869", struct.error),
    ("ExecuteDeviceCommandV2", Z * 6, struct.error),
    ("DIDomainInfoAttr", Z * 35, struct.error),
]


@pytest.mark.parametrize("name, payload, error", ROWS, ids=["%s-%d" % (r[0], i) for i, r in enumerate(ROWS)])
def test_fuzz_payload(pdi, name, payload, error):
    cls = getattr(pdi, name)
    data = bytes.fromhex(payload)
    if name == "DIDomainInfoAttr":
        attr = cls("d")
        run = lambda raw: attr._encode(attr._decode(raw)[0])  # noqa: E731
    else:
        run = lambda raw: decode(cls, raw)._encode()[4:]  # noqa: E731
    if error is not None:
        with pytest.raises(error):
            run(data)
        return
    wire = run(data)
    assert run(wire) == wire
