"""Molvaren for Python: object-tracking paths kept by libmolvaren.

    import molvaren
    db = molvaren.Database("paths-db")
    guid = db.store("clip.mp4", molvaren.Path.from_boxes(boxes, (1920, 1080)))
    left, top, width, height = db.box(guid, frame=12, target=(1280, 720))

See docs/python.md. Every operation is the library's own; this package only
calls it (through ctypes) and keeps track of who frees what.
"""

from ._native import MolvarenError, core_path, companion_path
from .records import NODE_DTYPE, Path, PathList, default_nodes
from .formats import open_file, save, pack, unpack, read_tracker_csv, write_tracker_csv
from .processing import (COVER, FIT, VIDEO, convert, dump, resume, resume_run, simplify,
                         simplify_within)
from .database import Database
from . import _native

__version__ = _native.companion.MlvrX_Version().decode("ascii")

__all__ = ["MolvarenError", "NODE_DTYPE", "Path", "PathList", "default_nodes", "open_file",
           "save", "pack", "unpack", "read_tracker_csv", "write_tracker_csv", "FIT", "VIDEO",
           "COVER", "convert", "dump", "resume", "resume_run", "simplify", "simplify_within",
           "Database", "core_path", "companion_path"]
