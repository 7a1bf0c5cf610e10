"""The path database: one folder of path files indexed by media file."""

import ctypes
import os
import threading

from . import _native as n
from ._native import MolvarenError, check, fn, text
from .processing import FIT, node_array
from .records import Path, PathList, _Holder, default_nodes, _frame_size, _invalidate_borrowed

_ASSOCIATE_BUFFER = 260  # the library writes an associate key of at most 259 bytes


class Database:
    """The database in `folder` (created when missing).

    `with db:` holds the database lock, so that a run of calls (and reading
    the lists they hand out) is not interleaved with another thread's calls.
    Lists and paths that fetch() and path() return are borrowed: they are the
    database's own, never freed here, and become unusable after the next
    update, delete, import or relink in this process."""

    def __init__(self, folder):
        self._folder = text(folder, "the database folder")
        os.makedirs(os.fsdecode(self._folder), exist_ok=True)
        self._depth = threading.local()

    @property
    def folder(self):
        return os.fsdecode(self._folder)

    # ---- the lock ----
    def lock(self):
        fn.Mlvr_DataBase_Lock()

    def unlock(self):
        fn.Mlvr_DataBase_Unlock()

    def __enter__(self):
        self.lock()
        return self

    def __exit__(self, *exc):
        self.unlock()

    # ---- by media file ----
    def fetch(self, associate_file):
        """The borrowed list kept for a media file, or None when there is none."""
        ref = ctypes.POINTER(n.PATH_INFO_ARRAY)()
        check(fn.Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(
            self._folder, text(associate_file, "the media file name"), ctypes.byref(ref)),
            "cannot read the database folder %s" % self.folder)
        return PathList._borrow(ref) if ref else None

    def update(self, associate_file, paths):
        """Replaces the list kept for a media file with a copy of `paths` (a
        PathList or Paths). It reaches the disk at the folder's next write-back
        (an import or relink in it, or when the library unloads)."""
        name = text(associate_file, "the media file name")
        own = _owned_list(paths)
        try:
            with self:
                _invalidate_borrowed()
                check(fn.Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(
                    self._folder, name, own._array_ref()),
                    "cannot update: the database folder %s cannot be used" % self.folder)
        finally:
            if own is not paths:
                own.close()

    def delete(self, associate_file):
        """Forgets the list of a media file and deletes its path file."""
        with self:
            _invalidate_borrowed()
            if not fn.Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(
                    self._folder, text(associate_file, "the media file name")):
                raise KeyError("the database has no paths for %s" % os.fsdecode(associate_file))

    # ---- by identity ----
    def path(self, guid):
        """(borrowed Path, associate key) of the path with that identity."""
        ref = ctypes.POINTER(n.PATH_INFO)()
        key = ctypes.create_string_buffer(_ASSOCIATE_BUFFER)
        with self:
            if not fn.Mlvr_DataBase_GetPathInfoByGUID(self._folder, text(guid, "the identity"),
                                                      ctypes.byref(ref), key):
                raise KeyError("no path with identity %s in %s" % (guid, self.folder))
            return Path._member(ref, _Holder(owned=False), None), key.value.decode("utf-8", "replace")

    def node(self, guid, frame, target, rotation=0.0, mode=FIT, clamp=False):
        """The node of that path at `frame` (interpolated between nodes), in
        the normalised coordinates of a target frame (W, H) turned by
        `rotation` degrees and placed by `mode`. A frame outside the path
        raises ValueError unless clamp is true (then the end node is used)."""
        width, height = _frame_size(target)
        # Between nodes only the box is written: the rest is this default node.
        rec = n.PATH_NODE.from_buffer_copy(default_nodes(1).tobytes())
        rec.nFrameIndex = int(frame)
        with self:
            path, _ = self.path(guid)
            if not clamp and len(path):
                first, last = int(path.frames[0]), int(path.frames[-1])
                if not first <= frame <= last:
                    raise ValueError("frame %d is outside the path %s (frames %d to %d)"
                                     % (frame, guid, first, last))
            if not fn.Mlvr_DataBase_GetPathNodeByGUID(
                    self._folder, text(guid, "the identity"), int(frame),
                    n.SIZE(width, height), float(rotation), ctypes.byref(rec), None, int(mode)):
                raise ValueError("the path %s has no nodes" % guid)
        return node_array(rec)

    def box(self, guid, frame, target, rotation=0.0, mode=FIT, clamp=False):
        """The box of that path at `frame` in pixels of the target (W, H):
        (left, top, width, height), y downward."""
        width, height = _frame_size(target)
        node = self.node(guid, frame, target, rotation, mode, clamp)
        rec = n.PATH_NODE.from_buffer_copy(node.tobytes())
        rc = n.RECT()
        fn.Mlvr_PathNode_PathNode2Rect(ctypes.byref(rec), n.RECT(0, 0, width, height),
                                       ctypes.byref(rc))
        return (rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top)

    # ---- import and relink: both write the folder to disk ----
    def import_path(self, associate_file, path):
        """Adds (or refreshes) a path under a media file and writes the folder
        to disk. Returns the identity under which it is kept (a new one when
        the path's identity is already used by another media file)."""
        if not isinstance(path, Path):
            raise TypeError("import_path() takes a Path, got %s" % type(path).__name__)
        name = text(associate_file, "the media file name")
        source = path if path.owned else path.copy()
        try:
            if not source.guid:
                source.assign_guid()
            guid = n.CString()
            with self:
                _invalidate_borrowed()
                fn.Mlvr_DataBase_ImportPathInfo(self._folder, name, source._info_ref(),
                                                ctypes.byref(guid))
                kept = ctypes.string_at(guid.m_pszData).decode("ascii") if guid.m_pszData else ""
                _free_text(guid)
                found = ctypes.POINTER(n.PATH_INFO)()
                if not kept or not fn.Mlvr_DataBase_GetPathInfoByGUID(
                        self._folder, kept.encode("ascii"), ctypes.byref(found), None):
                    raise MolvarenError("the path was not stored in %s" % self.folder)
            return kept
        finally:
            if source is not path:
                source.close()

    def relink(self, old_file, new_file):
        """Moves the paths of a media file to the same file under another name
        (it must exist with the recorded size). Writes the folder to disk."""
        with self:
            _invalidate_borrowed()
            if not fn.Mlvr_DataBase_RelinkAssociateFile(
                    self._folder, text(old_file, "the old media file name"),
                    text(new_file, "the new media file name")):
                raise MolvarenError(
                    "cannot relink %s to %s: the new file is missing, has another size "
                    "than recorded, names the same file, or the old one has no paths"
                    % (os.fsdecode(old_file), os.fsdecode(new_file)))

    # ---- the two lines most users need ----
    def store(self, associate_file, path):
        """Same as import_path: keeps `path` under a media file, on disk."""
        return self.import_path(associate_file, path)


def _owned_list(paths):
    if isinstance(paths, PathList):
        # The database copies from the list; its own list must not be the source.
        return paths if paths.owned else paths.copy()
    # Copies: a free-standing path handed in stays the caller's.
    return PathList(p.copy() if isinstance(p, Path) else p for p in paths)


_libc = ctypes.CDLL(None)
_libc.free.argtypes = [ctypes.c_void_p]


def _free_text(cstring):
    # CString's text is malloc'ed by the library (the header's contract).
    _libc.free(cstring.m_pszData)
    cstring.m_pszData = None
