"""Path files (.otp), packed buffers (the library's own byte format) and
tracker CSV (MOTChallenge and plain pixel boxes)."""

import ctypes
import os

from . import _native as n
from ._native import MolvarenError, fn, text
from .records import PathList, _frame_size


def _new_ref():
    return ctypes.POINTER(n.PATH_INFO_ARRAY)()


def _adopt_or_raise(ok, ref, message):
    if ok:
        return PathList._adopt(ref)
    if ref:
        # A failed decode leaves what it read in the list; it is still ours.
        fn.Mlvr_PathInfoArray_Free(ctypes.byref(ref))
    raise MolvarenError(message)


def open_file(filename):
    """The list kept in a path file, as a new owned PathList."""
    name = text(filename, "the file name")
    if not os.path.isfile(name):
        raise FileNotFoundError("no path file %s" % os.fsdecode(name))
    ref = _new_ref()
    ok = fn.Mlvr_OpenSavePathInfo(name, 0, ctypes.byref(ref))
    return _adopt_or_raise(ok, ref, "%s is not a path file (or it is cut short)"
                           % os.fsdecode(name))


def save(filename, paths):
    """Writes a list to a path file. The file is replaced only once the new
    one is complete, so a failure never loses the old content."""
    if not isinstance(paths, PathList):
        raise TypeError("save() writes a PathList, got %s" % type(paths).__name__)
    paths.save(filename)


def pack(paths):
    """The list in the library's byte format, as bytes."""
    if not isinstance(paths, PathList):
        raise TypeError("pack() takes a PathList, got %s" % type(paths).__name__)
    return paths.pack()


def unpack(data):
    """A new owned PathList from bytes that pack() produced."""
    if not isinstance(data, (bytes, bytearray, memoryview)):
        raise TypeError("unpack() takes bytes, got %s" % type(data).__name__)
    data = bytes(data)
    if len(data) >= 2 ** 32:
        raise ValueError("a packed list is smaller than 4 GiB")
    ref = _new_ref()
    ok = fn.Mlvr_PathInfoArray_Unpack(data, len(data), ctypes.byref(ref))
    return _adopt_or_raise(ok, ref, "the %d bytes are not a packed path list" % len(data))


# Tracker formats: MOTChallenge (frame,id,bb_left,bb_top,bb_width,bb_height,
# conf,x,y,z; frames from 1) and plain pixel CSV with a header line
# (frame,left,top,width,height[,confidence]).
MOT = 1
PIXEL_CSV = 2


def _tracker_format(form):
    forms = {"mot": MOT, "csv": PIXEL_CSV, MOT: MOT, PIXEL_CSV: PIXEL_CSV}
    if form not in forms:
        raise ValueError("unknown tracker format %r: use 'mot' or 'csv'" % (form,))
    return forms[form]


def read_tracker_csv(data, size, form="mot", media_file=None):
    """A new owned PathList from tracker text (str or bytes): one path per id,
    boxes in pixels of a frame of size = (W, H); skipped frames stay gaps."""
    if isinstance(data, str):
        data = data.encode("utf-8")
    if not isinstance(data, (bytes, bytearray)):
        raise TypeError("read_tracker_csv() takes text, got %s" % type(data).__name__)
    data = bytes(data)
    width, height = _frame_size(size)
    media = None if media_file is None else text(media_file, "the media file")
    ref = _new_ref()
    n.check_x(fn.MlvrX_ReadTrackerCsv(data, len(data), _tracker_format(form), width, height,
                                      media, ctypes.byref(ref)),
              "not %s tracker data" % ("MOT" if _tracker_format(form) == MOT else "pixel CSV"))
    return PathList._adopt(ref)


def write_tracker_csv(paths, form="mot", size=None):
    """The list as tracker text (str): pixels, top-left, y downward, in a frame
    of size = (W, H) (default: each path's own, when given in pixels)."""
    if not isinstance(paths, PathList):
        raise TypeError("write_tracker_csv() takes a PathList, got %s" % type(paths).__name__)
    width, height = (0, 0) if size is None else _frame_size(size)
    out = ctypes.c_void_p()
    length = ctypes.c_size_t()
    n.check_x(fn.MlvrX_WriteTrackerCsv(paths._array_ref(), _tracker_format(form), width, height,
                                       ctypes.byref(out), ctypes.byref(length)),
              "cannot write tracker data")
    try:
        return ctypes.string_at(out.value, length.value).decode("utf-8")
    finally:
        n.companion.MlvrX_FreeText(out)
