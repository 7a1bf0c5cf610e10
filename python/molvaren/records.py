"""Lists, paths and nodes over records that the library allocated.

A list or path the user creates, opens or unpacks is owned: the library frees
it exactly once, on close() or when the object is collected. Lists and paths
the database hands out are borrowed: never freed here, and unusable once a
database call may have replaced them.
"""

import ctypes
import operator
import os
import tempfile

import numpy as np

from . import _native as n
from ._native import MolvarenError, check, check_x, fn, text

# One node as a numpy record: the field names and layout of _PATH_NODE_.
NODE_DTYPE = np.dtype([
    ("dwSize", "<u4"), ("nFrameIndex", "<i4"), ("fConfidence", "<f4"),
    ("fXPos", "<f4"), ("fYPos", "<f4"), ("fWidth", "<f4"), ("fHeight", "<f4"),
    ("nPathType", "<i4"), ("fCtrlXPos", "<f4"), ("fCtrlYPos", "<f4"),
    ("dwReserved", "<u4", (5,))])
assert NODE_DTYPE.itemsize == ctypes.sizeof(n.PATH_NODE)

# Database calls that can replace or release what the database handed out
# move this on; a borrowed object remembers the value it was made under.
_database_epoch = [0]


def _invalidate_borrowed():
    _database_epoch[0] += 1


def default_nodes(count):
    """`count` nodes with the library's defaults, as a NODE_DTYPE array."""
    nodes = np.zeros(int(count), NODE_DTYPE)
    check_x(fn.MlvrX_PathNode_Defaults(nodes.ctypes.data_as(ctypes.POINTER(n.PATH_NODE)),
                                       len(nodes)), "cannot make default nodes")
    return nodes


class _Holder:
    """Who keeps a record alive: an owned list, an owned path, or the database."""

    def __init__(self, owned):
        self.owned = owned
        self.closed = False
        self.epoch = None if owned else _database_epoch[0]

    def ensure(self, what):
        if self.closed:
            raise MolvarenError("this %s has been closed" % what)
        if self.epoch is not None and self.epoch != _database_epoch[0]:
            raise MolvarenError(
                "this %s was borrowed from the database, and a later update, delete, "
                "import or relink made it invalid; fetch it again" % what)


class Path:
    """One tracking path. Path() makes a new owned path with the defaults."""

    def __init__(self):
        ref = ctypes.POINTER(n.PATH_INFO)()
        check_x(fn.MlvrX_PathInfo_New(ctypes.byref(ref)), "cannot make a path")
        self._ref = ref
        self._holder = _Holder(owned=True)
        self._list = None

    @classmethod
    def _member(cls, pointer, holder, lst):
        path = cls.__new__(cls)
        path._ref = pointer
        path._holder = holder
        path._list = lst
        return path

    @classmethod
    def from_boxes(cls, boxes, frame_size, frames=None, first_frame=0, confidences=None):
        """A path from per-frame pixel boxes (left, top, width, height), y
        downward, in a frame of frame_size = (W, H), as OpenCV's trackers give
        them. frames defaults to first_frame, first_frame + 1, ..."""
        path = cls()
        path.set_boxes(boxes, frame_size, frames, first_frame, confidences)
        fn.Mlvr_PathInfo_AssignGUID(path._info_ref())
        return path

    # ---- life ----
    @property
    def owned(self):
        return self._holder.owned and self._list is None

    @property
    def closed(self):
        return self._holder.closed

    def _info_ref(self):
        self._holder.ensure("path" if self._list is None else "path's list")
        return self._ref

    @property
    def record(self):
        """The _PATH_INFO_ record itself (ctypes), for fields without a property.
        Valid only while this path is."""
        return self._info_ref().contents

    def close(self):
        """Frees a free-standing owned path; a path in a list lives with its list."""
        if self._list is None and self._holder.owned and not self._holder.closed:
            self._holder.closed = True
            fn.Mlvr_PathInfo_FreeInfos(ctypes.byref(self._ref), 1)

    def __del__(self):
        try:
            self.close()
        except Exception:
            pass

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def copy(self):
        """A new owned path with everything of this one, identity included."""
        dup = Path()
        fn.Mlvr_PathInfo_Clone(dup._ref, self._info_ref(), 1, None)
        return dup

    # ---- fields ----
    def _text(name):
        def get(self):
            return getattr(self.record, name).decode("utf-8", "replace")

        def put(self, value):
            raw = text(value, name)
            size = getattr(n.PATH_INFO, name).size
            if len(raw) >= size:
                raise ValueError("%s holds at most %d bytes" % (name, size - 1))
            setattr(self.record, name, raw)
        return property(get, put)

    def _number(name):
        return property(lambda self: getattr(self.record, name),
                        lambda self, v: setattr(self.record, name, v))

    guid = _text("szGUID")
    origin_guid = _text("szOriginGUID")
    associate_file = _text("szAssociateFile")
    time_stamp = property(lambda self: self.record.szTimeStamp.decode("ascii", "replace"))
    associate_file_size = _number("qwAssociateFileSize")
    rotation = _number("fRotation")
    track_type = _number("nTrackType")
    frame_in = property(lambda self: self.record.nPathInIndex)
    frame_out = property(lambda self: self.record.nPathOutIndex)
    del _text, _number

    @property
    def match_keys(self):
        r = self.record
        return (r.dwMatchKey1, r.dwMatchKey2, r.dwMatchKey3)

    @match_keys.setter
    def match_keys(self, keys):
        r = self.record
        r.dwMatchKey1, r.dwMatchKey2, r.dwMatchKey3 = keys

    @property
    def frame_shape(self):
        """(kind, width, height): kind 0 16:9, 1 4:3, 2 width:height."""
        r = self.record
        return (r.nFrameAspect, r.nFrameWidth, r.nFrameHeight)

    @frame_shape.setter
    def frame_shape(self, shape):
        r = self.record
        r.nFrameAspect, r.nFrameWidth, r.nFrameHeight = shape

    @property
    def video_shape(self):
        r = self.record
        return (r.nVideoAspect, r.nVideoWidth, r.nVideoHeight)

    @video_shape.setter
    def video_shape(self, shape):
        r = self.record
        r.nVideoAspect, r.nVideoWidth, r.nVideoHeight = shape

    def assign_guid(self):
        fn.Mlvr_PathInfo_AssignGUID(self._info_ref())
        return self.guid

    def stamp(self):
        fn.Mlvr_PathInfo_AssignTimeStamp(self._info_ref())
        return self.time_stamp

    # ---- nodes ----
    def __len__(self):
        return max(self.record.nTotalPathNodeNum, 0)

    @property
    def nodes(self):
        """A copy of the nodes as a numpy structured array (NODE_DTYPE)."""
        r = self.record
        count = max(r.nTotalPathNodeNum, 0)
        if count == 0 or not r.pPathNodes:
            return np.zeros(0, NODE_DTYPE)
        raw = ctypes.string_at(r.pPathNodes, count * NODE_DTYPE.itemsize)
        return np.frombuffer(raw, NODE_DTYPE).copy()

    @nodes.setter
    def nodes(self, values):
        arr = np.ascontiguousarray(values, dtype=NODE_DTYPE)
        if arr.ndim != 1:
            raise ValueError("nodes must be a one-dimensional array of NODE_DTYPE")
        ptr = arr.ctypes.data_as(ctypes.POINTER(n.PATH_NODE))
        check_x(fn.MlvrX_PathInfo_SetNodes(self._info_ref(), ptr, len(arr)),
                "cannot set the nodes")

    def append_nodes(self, values, keep_frames=True):
        arr = np.ascontiguousarray(values, dtype=NODE_DTYPE)
        ptr = arr.ctypes.data_as(ctypes.POINTER(n.PATH_NODE))
        check(fn.Mlvr_PathInfo_PathNodeAppend(self._info_ref(), ptr, len(arr),
                                              1 if keep_frames else 0),
              "cannot append nodes")

    @property
    def frames(self):
        return self.nodes["nFrameIndex"]

    @property
    def centres(self):
        """(n, 2) box centres, normalised, y upward."""
        nodes = self.nodes
        return np.stack([nodes["fXPos"], nodes["fYPos"]], axis=1)

    @property
    def sizes(self):
        nodes = self.nodes
        return np.stack([nodes["fWidth"], nodes["fHeight"]], axis=1)

    def set_boxes(self, boxes, frame_size, frames=None, first_frame=0, confidences=None):
        """Replaces the nodes with pixel boxes (see from_boxes)."""
        b = np.ascontiguousarray(boxes, dtype=np.float64)
        if b.size == 0:
            b = b.reshape(0, 4)
        if b.ndim != 2 or b.shape[1] != 4:
            raise ValueError("boxes must be (left, top, width, height) rows, got shape %s"
                             % (b.shape,))
        count = len(b)
        if frames is None:
            f = np.arange(first_frame, first_frame + count, dtype=np.int32)
        else:
            f = np.ascontiguousarray(frames, dtype=np.int32)
            if f.shape != (count,):
                raise ValueError("%d frames for %d boxes" % (f.size, count))
        c = None
        if confidences is not None:
            c = np.ascontiguousarray(confidences, dtype=np.float32)
            if c.shape != (count,):
                raise ValueError("%d confidences for %d boxes" % (c.size, count))
        width, height = _frame_size(frame_size)
        check_x(fn.MlvrX_PathInfo_SetBoxes(
            self._info_ref(), f.ctypes.data_as(ctypes.POINTER(ctypes.c_int32)),
            b.ctypes.data_as(ctypes.POINTER(ctypes.c_double)),
            None if c is None else c.ctypes.data_as(ctypes.POINTER(ctypes.c_float)),
            count, width, height), "cannot make nodes from the boxes")

    def boxes(self, frame_size):
        """(frames, boxes): every node's box in pixels of frame_size = (W, H)
        as int32 rows (left, top, width, height), y downward."""
        count = len(self)
        width, height = _frame_size(frame_size)
        f = np.zeros(count, np.int32)
        b = np.zeros((count, 4), np.int32)
        check_x(fn.MlvrX_PathInfo_GetBoxes(
            self._info_ref(), width, height, f.ctypes.data_as(ctypes.POINTER(ctypes.c_int32)),
            b.ctypes.data_as(ctypes.POINTER(ctypes.c_int32)), count),
            "cannot read the boxes")
        return f, b

    def __repr__(self):
        try:
            self._info_ref()
        except MolvarenError:
            return "<molvaren.Path no longer usable>"
        return "<molvaren.Path %s, %d nodes, frames %d..%d>" % (
            self.guid or "(no identity)", len(self), self.frame_in, self.frame_out)


def _frame_size(size):
    try:
        width, height = (int(v) for v in size)
    except (TypeError, ValueError):
        raise TypeError("a frame size is (width, height), got %r" % (size,)) from None
    if width <= 0 or height <= 0:
        raise ValueError("a frame size must be positive, got %d x %d" % (width, height))
    return width, height


class PathList:
    """A list of paths (_PATH_INFO_ARRAY_). PathList() makes a new empty one,
    PathList(paths) one that holds copies of (or takes) the given paths."""

    def __init__(self, paths=()):
        ref = ctypes.POINTER(n.PATH_INFO_ARRAY)()
        check_x(fn.MlvrX_PathInfoArray_New(ctypes.byref(ref)), "cannot make a list")
        self._ref = ref
        self._holder = _Holder(owned=True)
        for p in paths:
            self.append(p)

    @classmethod
    def _adopt(cls, ref):
        """Takes ownership of a list the library just allocated."""
        lst = cls.__new__(cls)
        lst._ref = ref
        lst._holder = _Holder(owned=True)
        return lst

    @classmethod
    def _borrow(cls, ref):
        lst = cls.__new__(cls)
        lst._ref = ref
        lst._holder = _Holder(owned=False)
        return lst

    @property
    def owned(self):
        return self._holder.owned

    @property
    def closed(self):
        return self._holder.closed

    def _array_ref(self):
        self._holder.ensure("list")
        return self._ref

    def close(self):
        """Frees an owned list and its paths; a borrowed list is only let go."""
        if not self._holder.closed:
            self._holder.closed = True
            if self._holder.owned:
                fn.Mlvr_PathInfoArray_Free(ctypes.byref(self._ref))

    def __del__(self):
        # Paths taken from an owned list keep it alive; a borrowed list's
        # paths share its validity, which collection must not end.
        if self._holder.owned:
            try:
                self.close()
            except Exception:
                pass

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __len__(self):
        return max(self._array_ref().contents.nNumOfPathInfos, 0)

    def __getitem__(self, index):
        index = operator.index(index)
        count = len(self)
        if index < 0:
            index += count
        if not 0 <= index < count:
            raise IndexError("path %d of a list of %d" % (index, count))
        pointer = self._ref.contents.ppPathInfos[index]
        if not pointer:
            raise MolvarenError("the list's entry %d is empty" % index)
        return Path._member(pointer, self._holder, self)

    def __iter__(self):
        for i in range(len(self)):
            yield self[i]

    def append(self, path):
        """Adds a path. A free-standing owned path is taken over (it then
        lives with this list); any other path is copied first."""
        self._array_ref()
        if not self._holder.owned:
            raise MolvarenError("a list borrowed from the database cannot be changed here; "
                                "copy() it and update the database with the copy")
        if not isinstance(path, Path):
            raise TypeError("a PathList holds Path objects, got %s" % type(path).__name__)
        if not path.owned:
            path = path.copy()
        check(fn.Mlvr_PathInfoArray_Add(ctypes.byref(self._ref), path._info_ref()),
              "cannot add the path")
        path._holder = self._holder
        path._list = self
        return path

    def copy(self):
        """A new owned deep copy, made through the library's byte format."""
        dst = ctypes.POINTER(n.PATH_INFO_ARRAY)()
        ok = fn.Mlvr_PathInfoArray_Clone(ctypes.byref(dst), self._array_ref(), None)
        copy = PathList._adopt(dst) if dst else None
        if not ok:
            if copy is not None:
                copy.close()
            raise MolvarenError("the list could not be copied")
        return copy

    def pack(self):
        """The list in the library's byte format, as bytes."""
        ref = self._array_ref()
        size = ctypes.c_uint32()
        if not fn.Mlvr_PathInfoArray_Pack(ctypes.byref(ref), None, ctypes.byref(size)):
            raise MolvarenError("the list could not be packed")
        buffer = ctypes.create_string_buffer(size.value)
        if not fn.Mlvr_PathInfoArray_Pack(ctypes.byref(ref), buffer, None):
            raise MolvarenError("the list could not be packed")
        return buffer.raw

    def save(self, filename):
        """Writes the list to a path file. The file is replaced only once the
        new one is complete, so a failure never loses the old content."""
        name = os.fsdecode(text(filename, "the file name"))
        folder = os.path.dirname(os.path.abspath(name))
        fd, scratch = tempfile.mkstemp(suffix=".otp", dir=folder)
        os.close(fd)
        try:
            if not fn.Mlvr_OpenSavePathInfo(os.fsencode(scratch), 1,
                                            ctypes.byref(self._array_ref())):
                raise MolvarenError("cannot write the path file %s" % name)
            os.replace(scratch, name)
        finally:
            if os.path.exists(scratch):
                os.unlink(scratch)

    def dump(self, comment=None):
        """The library's diagnostic listing of the list, as text."""
        return _dump(list(self), comment)

    def __repr__(self):
        try:
            self._array_ref()
        except MolvarenError:
            return "<molvaren.PathList no longer usable>"
        return "<molvaren.PathList %s, %d paths>" % (
            "owned" if self.owned else "borrowed", len(self))


def _dump(paths, comment):
    """The library's diagnostic listing of some paths, as text."""
    note = None if comment is None else text(comment, "the comment")
    # The listing reads one contiguous block of records: lay copies of the
    # records side by side (their node pointers still point at the nodes).
    block = (n.PATH_INFO * max(len(paths), 1))()
    for i, p in enumerate(paths):
        block[i] = p.record
    size = ctypes.c_uint32()
    check_x(fn.MlvrX_DumpPathInfosText(block, len(paths), note, None, 0, ctypes.byref(size)),
            "cannot dump")
    buffer = ctypes.create_string_buffer(size.value)
    check_x(fn.MlvrX_DumpPathInfosText(block, len(paths), note, buffer, size.value, None),
            "cannot dump")
    return buffer.value.decode("utf-8", "replace")
