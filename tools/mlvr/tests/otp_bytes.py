"""Path files built byte by byte, independent of the library, for the tests of mlvr."""
import struct

NODE = "<Iifffffiff5I"  # size, frame, confidence, x, y, width, height, kind, control x and y, reserved
RECORD = ("<4I260s4xQ"  # size, match keys, media file, its size
          "39s71s2xI3i"  # GUID, time stamp, reserved, first and last frame, node count
          "6I3i3i"  # node pointer, reserved, reserved, extra node flag, its pointer, reserved; video and frame shapes
          "I39sxIfII4x")  # reserved, origin GUID, reserved, rotation, track type and parameter


def node(frame, x, y, w, h, conf=0.5, kind=0, cx=0.0, cy=0.0, reserved=(0, 0, 0, 0, 0)):
    return struct.pack(NODE, 60, frame, conf, x, y, w, h, kind, cx, cy, *reserved)


def path(nodes, guid="", assoc="", stamp="", extra=None, keys=(0, 0, 0), size=0, video=(0, 0, 0),
         frame_shape=(0, 0, 0), origin="", rotation=0.0, track=(401, 20), reserved=(0, 0, 0, 0, 0), p_reserved=0):
    """The 528-byte stored record followed by its nodes (tuples for node()); texts are padded with NULs."""
    b = [s.encode() if isinstance(s, str) else s for s in (assoc, guid, stamp, origin)]
    r = struct.pack(RECORD, 528, *keys, b[0], size, b[1], b[2], reserved[0], *((nodes[0][0], nodes[-1][0]) if nodes
                    else (-1, -1)), len(nodes), 0, p_reserved, reserved[1], 1 if extra else 0, 0, reserved[2], *video,
                    *frame_shape, reserved[3], b[3], reserved[4], rotation, *track)
    return r + b"".join(node(*n) for n in nodes + ([extra] if extra else []))


def otp(paths, reserved1=b"\0" * 51, reserved2=b"\0" * 20):
    h = struct.pack("<I51sxiQ20s", 88, reserved1, len(paths), 0, reserved2)
    return b"\x29Brask QN 15 Point Tracking Path File Head" + struct.pack("<I", 101) + h + b"".join(paths)
