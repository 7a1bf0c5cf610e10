"""The library's processing of paths: conversion between frames,
simplification, resuming and the dump."""

import ctypes

import numpy as np

from . import _native as n
from ._native import MolvarenError, check, check_x, fn, text
from .records import NODE_DTYPE, Path, PathList, _dump, _frame_size

# Fit modes of the conversion (nMode).
FIT = 0        # the video fitted inside the target frame, with bars
VIDEO = 1      # normalised to the (turned) video itself
COVER = 3      # the video covers the target frame, cropped


def node_record(node):
    """A _PATH_NODE_ from one NODE_DTYPE element (or a 1-element array)."""
    arr = np.ascontiguousarray(node, dtype=NODE_DTYPE).reshape(-1)
    if len(arr) != 1:
        raise ValueError("one node expected, got %d" % len(arr))
    return n.PATH_NODE.from_buffer_copy(arr.tobytes())


def node_array(record):
    return np.frombuffer(bytes(record), NODE_DTYPE).copy()[0]


def convert(node, path, target, rotation=0.0, mode=FIT, relative=False):
    """The node's box carried from the path's tracking frame to a target
    frame of target = (W, H), turned by `rotation` degrees, placed by `mode`.
    Returns a new node; the path is only read."""
    if not isinstance(path, Path):
        raise TypeError("convert() needs the node's Path, got %s" % type(path).__name__)
    rec = node_record(node)
    width, height = _frame_size(target)
    check(fn.Mlvr_PathInfo_ConvertPathNodeInfo(
        ctypes.byref(rec), path._info_ref(), n.SIZE(width, height), float(rotation),
        1 if relative else 0, int(mode)),
        "the node cannot be converted: the path's frame or video shape is undefined")
    return node_array(rec)


def simplify(path):
    """Drops the nodes that lie on a straight, evenly timed line, in place.
    Returns the number of nodes dropped."""
    before = len(path)
    check(fn.Mlvr_LinearRegressionPathInfo(path._info_ref()), "cannot simplify")
    return before - len(path)


def simplify_within(path, max_error, size=None):
    """Drops every node it can, in place, while no edge of the box at any
    frame moves by more than `max_error` pixels in a frame of size = (W, H)
    (default: the path's own frame shape). Returns a dict with the nodes
    before and after, the largest deviation measured, and the nodes kept
    because their frames do not increase or a value is not finite."""
    if not isinstance(path, Path):
        raise TypeError("simplify_within() takes a Path, got %s" % type(path).__name__)
    width, height = (0, 0) if size is None else _frame_size(size)
    report = n.SIMPLIFY_REPORT()
    check_x(fn.MlvrX_PathInfo_SimplifyWithin(path._info_ref(), float(max_error), width, height,
                                             ctypes.byref(report)),
            "cannot simplify within %r pixels" % (max_error,))
    return {"nodes_before": report.nNodesBefore, "nodes_after": report.nNodesAfter,
            "largest_deviation": report.dLargestDeviation,
            "kept_unordered": report.nKeptUnordered, "kept_non_finite": report.nKeptNonFinite}


def resume(dst, src):
    """Continues dst with src's nodes from src's first frame on. The three
    match keys of both must be equal."""
    check(fn.Mlvr_PathInfo_ResumFromAnother(dst._info_ref(), src._info_ref()),
          "cannot resume: the paths' match keys differ, or the path has no nodes")


def resume_run(run, dst, src):
    """The same for one run (0..3) of a four-run path (track type 403)."""
    check(fn.Mlvr_PathInfo_ResumFromAnother2(int(run), dst._info_ref(), src._info_ref()),
          "cannot resume run %d: the match keys differ, the run does not exist "
          "or the path has no nodes" % run)


def dump(paths, comment=None):
    """The library's diagnostic listing of one path or a list, as text."""
    if isinstance(paths, Path):
        return _dump([paths], comment)
    if isinstance(paths, PathList):
        return _dump(list(paths), comment)
    raise TypeError("dump() takes a Path or a PathList, got %s" % type(paths).__name__)


__all__ = ["FIT", "VIDEO", "COVER", "convert", "simplify", "simplify_within", "resume", "resume_run", "dump",
           "MolvarenError"]
