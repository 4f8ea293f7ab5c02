"""A small reader of the minidump format: the header, the stream directory, and the streams
the crash tests look at (exception, thread list, system information, miscellaneous
information)."""

import struct

SIGNATURE = 0x504D444D  # "MDMP"
VERSION = 0xA793

THREAD_LIST_STREAM = 3
EXCEPTION_STREAM = 6
SYSTEM_INFO_STREAM = 7
MISC_INFO_STREAM = 15

MISC1_PROCESS_ID = 0x1


class MinidumpError(Exception):
    pass


class Minidump:
    def __init__(self, data):
        self.data = data
        if len(data) < 32:
            raise MinidumpError("shorter than a header: %d bytes" % len(data))
        (self.signature, self.version, count, directory, _checksum, self.time_stamp,
         self.flags) = struct.unpack_from("<IIIIIIQ", data, 0)
        if self.signature != SIGNATURE:
            raise MinidumpError("signature 0x%08X is not MDMP" % self.signature)
        if self.version & 0xFFFF != VERSION:
            raise MinidumpError("version 0x%04X is not 0x%04X" % (self.version & 0xFFFF, VERSION))
        self.streams = {}
        for index in range(count):
            kind, size, offset = self._unpack("<III", directory + 12 * index)
            if kind != 0:
                self.streams[kind] = (offset, size)

    @classmethod
    def load(cls, path):
        with open(path, "rb") as file:
            return cls(file.read())

    def _unpack(self, layout, offset):
        if offset < 0 or offset + struct.calcsize(layout) > len(self.data):
            raise MinidumpError("%s at %d runs past the end (%d bytes)"
                                % (layout, offset, len(self.data)))
        return struct.unpack_from(layout, self.data, offset)

    def _stream(self, kind):
        if kind not in self.streams:
            raise MinidumpError("no stream of type %d" % kind)
        return self.streams[kind]

    def exception(self):
        """Thread id, exception code, flags, address and parameters of the exception stream."""
        offset, _size = self._stream(EXCEPTION_STREAM)
        thread_id, _alignment, code, flags, _record, address, count, _unused = self._unpack(
            "<IIIIQQII", offset)
        parameters = self._unpack("<15Q", offset + 40)[:min(count, 15)]
        return {"thread_id": thread_id, "code": code, "flags": flags, "address": address,
                "parameters": list(parameters)}

    def thread_ids(self):
        offset, _size = self._stream(THREAD_LIST_STREAM)
        (count,) = self._unpack("<I", offset)
        # Each MINIDUMP_THREAD is 48 bytes; its id comes first.
        return [self._unpack("<I", offset + 4 + 48 * index)[0] for index in range(count)]

    def processor_architecture(self):
        offset, _size = self._stream(SYSTEM_INFO_STREAM)
        return self._unpack("<H", offset)[0]

    def process_id(self):
        """The process id of the miscellaneous-information stream, or None without one."""
        if MISC_INFO_STREAM not in self.streams:
            return None
        offset, _size = self.streams[MISC_INFO_STREAM]
        _size_of_info, flags, process_id = self._unpack("<III", offset)
        return process_id if flags & MISC1_PROCESS_ID else None
