import struct


class UWBNetworkCommandItem(object):
    type = 0
    definition = []

    def __init__(self, group, length, data):
        self.group, self.length, self.data = group, length, data

    def _encode(self, form):
        data = self.data if isinstance(self.data, bytes) else b""
        return struct.pack("<IBH", self.group, type(self).type, len(data)) + data

    def __str__(self):
        return "cmd %d" % type(self).type
