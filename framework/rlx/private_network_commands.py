"""Network commands carried inside device-command items (project stand-in).

``UWBNetworkCommandItem`` is the base of every command class. A command
class carries its command type as the class attribute ``type`` (0 to 255);
a command is built from (destination group, payload length, payload) and
encodes to one frame: destination group (u32 LE), command type (u8), payload
length (u16 LE), payload.

Choices of this stand-in:

* ``_encode(header_format)`` knows one header format, 2 (the framed form
  above); any other value raises ValueError.
* The payload length written in the frame is the length of the payload
  actually written, so a frame always decodes back to the same command; the
  ``length`` given at construction is kept as ``length`` for inspection.
* A payload that is not bytes-like (the default integer 0, or None) encodes
  as an empty payload.
* Text form: ``<class name>(type=0x2A, group=0x00000001, length=3, data=010203)``.

The module is typed (``py.typed``).
"""

from __future__ import annotations

import struct
from typing import Any, ClassVar, List, Union

__all__ = ["UWBNetworkCommandItem"]

_FRAME_HEADER = struct.Struct("<IBH")


class UWBNetworkCommandItem:
    """One network command: destination group, payload length and payload."""

    type: ClassVar[int] = 0
    definition: ClassVar[List[Any]] = []

    def __init__(self, destination_group: int = 0, length: int = 0,
                 data: Union[bytes, bytearray, memoryview, int, None] = b"") -> None:
        self.destination_group = destination_group
        self.length = length
        self.data = data

    def _payload(self) -> bytes:
        data = self.data
        if isinstance(data, (bytes, bytearray, memoryview)):
            return bytes(data)
        if data is None or data == 0:
            return b""
        raise TypeError("command payload must be bytes, not %s" % type(data).__name__)

    def _encode(self, header_format: int = 2) -> bytes:
        if header_format != 2:
            raise ValueError("unknown command header format %r" % (header_format,))
        payload = self._payload()
        return _FRAME_HEADER.pack(self.destination_group, type(self).type, len(payload)) + payload

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, UWBNetworkCommandItem):
            return NotImplemented
        return (type(self).type, self.destination_group, self._payload()) == \
               (type(other).type, other.destination_group, other._payload())

    __hash__ = None  # type: ignore[assignment]

    def __str__(self) -> str:
        return "%s(type=0x%02X, group=0x%08X, length=%d, data=%s)" % (
            type(self).__name__, type(self).type, self.destination_group, self.length, self._payload().hex())

    __repr__ = __str__
