"""Path files (.otp) and packed buffers: the library's own byte format."""

import ctypes
import os
import tempfile

from . import _native as n
from ._native import MolvarenError, fn, text
from .records import PathList


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
    name = os.fsdecode(text(filename, "the file name"))
    folder = os.path.dirname(os.path.abspath(name))
    fd, scratch = tempfile.mkstemp(suffix=".otp", dir=folder)
    os.close(fd)
    try:
        if not fn.Mlvr_OpenSavePathInfo(os.fsencode(scratch), 1,
                                        ctypes.byref(paths._array_ref())):
            raise MolvarenError("cannot write the path file %s" % name)
        os.replace(scratch, name)
    finally:
        if os.path.exists(scratch):
            os.unlink(scratch)


def pack(paths):
    """The list in the library's byte format, as bytes."""
    if not isinstance(paths, PathList):
        raise TypeError("pack() takes a PathList, got %s" % type(paths).__name__)
    ref = paths._array_ref()
    size = ctypes.c_uint32()
    if not fn.Mlvr_PathInfoArray_Pack(ctypes.byref(ref), None, ctypes.byref(size)):
        raise MolvarenError("the list could not be packed")
    buffer = ctypes.create_string_buffer(size.value)
    if not fn.Mlvr_PathInfoArray_Pack(ctypes.byref(ref), buffer, None):
        raise MolvarenError("the list could not be packed")
    return buffer.raw


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
