"""Path files built byte by byte, independent of the library, for the tests
of mlvr."""
import struct

HEAD = b"Brask QN 15 Point Tracking Path File Head"


def node(frame, x, y, w, h, conf=0.5, kind=0, cx=0.0, cy=0.0, reserved=(0, 0, 0, 0, 0)):
    return struct.pack("<Iifffffiff5I", 60, frame, conf, x, y, w, h, kind, cx, cy, *reserved)


def text(s, width):
    b = s.encode() if isinstance(s, str) else s
    assert len(b) <= width
    return b + b"\0" * (width - len(b))


def path(nodes, guid="", assoc="", stamp="", extra=None, keys=(0, 0, 0), size=0,
         video=(0, 0, 0), frame_shape=(0, 0, 0), origin="", rotation=0.0, track=(401, 20),
         reserved=(0, 0, 0, 0, 0), p_reserved=0):
    """The 528-byte stored record followed by its nodes (tuples for node())."""
    frames = (nodes[0][0], nodes[-1][0]) if nodes else (-1, -1)
    r = struct.pack("<I3I", 528, *keys)
    r += text(assoc, 260) + b"\0" * 4
    r += struct.pack("<Q", size)
    r += text(guid, 39) + text(stamp, 71) + b"\0" * 2
    r += struct.pack("<I3i", reserved[0], frames[0], frames[1], len(nodes))
    r += struct.pack("<IIIIII", 0, p_reserved, reserved[1], 1 if extra else 0, 0, reserved[2])
    r += struct.pack("<3i3i", *video, *frame_shape)
    r += struct.pack("<I", reserved[3]) + text(origin, 39) + b"\0"
    r += struct.pack("<IfII", reserved[4], rotation, *track) + b"\0" * 4
    assert len(r) == 528, len(r)
    body = r + b"".join(node(*n) for n in nodes)
    if extra:
        body += node(*extra)
    return body


def otp(paths, reserved1=b"\0" * 51, reserved2=b"\0" * 20):
    h = struct.pack("<I", 88) + reserved1 + b"\0" + struct.pack("<iQ", len(paths), 0) + reserved2
    assert len(h) == 88
    return bytes([41]) + HEAD + struct.pack("<I", 101) + h + b"".join(paths)
