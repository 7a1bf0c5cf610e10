"""Loading the two libraries, the shared records as ctypes structures, and
the prototypes of every function the package calls."""

import ctypes
import glob
import os

_HERE = os.path.dirname(os.path.abspath(__file__))
_CORE = "libmolvaren.so.1"
_COMPANION = "libmolvaren_x.so.1"


class MolvarenError(RuntimeError):
    """A library call refused its arguments or failed."""


def _candidate_dirs():
    """Folders to try, in order, and how to describe them in an error."""
    env = os.environ.get("MOLVAREN_LIBRARY_DIR")
    if env:
        # An explicit choice is the only one: no silent fallback elsewhere.
        return [d for d in env.split(os.pathsep) if d], "in MOLVAREN_LIBRARY_DIR=" + env
    dirs = [_HERE]
    repo = os.path.dirname(os.path.dirname(_HERE))
    for pattern in ("build*", os.path.join("build*", "*")):
        dirs += sorted(d for d in glob.glob(os.path.join(repo, pattern)) if os.path.isdir(d))
    try:
        from . import _installed
        dirs.append(os.path.normpath(os.path.join(_HERE, _installed.LIBDIR_FROM_PACKAGE)))
    except ImportError:
        pass
    return dirs, "beside the package, in the build trees of its source tree and in the " \
        "installed prefix"


def _find(name, folder):
    # A build tree keeps the companion in a folder of its own.
    for d in (folder, os.path.join(folder, "companion")):
        path = os.path.join(d, name)
        if os.path.exists(path):
            return path
    return None


def _missing_runtime(library):
    """The sanitizer runtime a library needs but this process lacks, or None.
    Loading such a library would end the process, not raise."""
    with open(library, "rb") as f:
        image = f.read()
    try:
        with open("/proc/self/maps") as f:
            maps = f.read()
    except OSError:
        maps = ""
    for runtime in ("libasan.so", "libtsan.so"):
        if runtime.encode() in image and runtime not in maps:
            return runtime
    return None


def _load():
    dirs, where = _candidate_dirs()
    failures = []
    for d in dirs:
        core, companion = _find(_CORE, d), _find(_COMPANION, d)
        if core is None or companion is None:
            continue
        runtime = _missing_runtime(core)
        if runtime:
            failures.append("%s: a sanitizer build, needs %s preloaded" % (d, runtime))
            continue
        try:
            # Loaded privately by full name: the companion's own copy of the
            # core must not bind to this one's symbols.
            return ctypes.CDLL(core), ctypes.CDLL(companion), core, companion
        except OSError as e:
            failures.append("%s: %s" % (d, e))
    raise ImportError(
        "molvaren: cannot find %s and %s %s (%s)%s. Build them (cmake --build build "
        "--target molvaren molvaren_x), install them, or set MOLVAREN_LIBRARY_DIR to "
        "their folder." % (_CORE, _COMPANION, where, ", ".join(dirs) or "no folder",
                           "; found but not loadable: " + "; ".join(failures)
                           if failures else ""))


# ---- The records, exactly as include/molvaren/molvaren.h lays them out ----

class RECT(ctypes.Structure):
    _fields_ = [("left", ctypes.c_int32), ("top", ctypes.c_int32),
                ("right", ctypes.c_int32), ("bottom", ctypes.c_int32)]


class SIZE(ctypes.Structure):
    _fields_ = [("cx", ctypes.c_int32), ("cy", ctypes.c_int32)]


class PATH_NODE(ctypes.Structure):
    _fields_ = [("dwSize", ctypes.c_uint32), ("nFrameIndex", ctypes.c_int32),
                ("fConfidence", ctypes.c_float), ("fXPos", ctypes.c_float),
                ("fYPos", ctypes.c_float), ("fWidth", ctypes.c_float),
                ("fHeight", ctypes.c_float), ("nPathType", ctypes.c_int32),
                ("fCtrlXPos", ctypes.c_float), ("fCtrlYPos", ctypes.c_float),
                ("dwReserved", ctypes.c_uint32 * 5)]


class PATH_INFO(ctypes.Structure):
    _fields_ = [("dwSize", ctypes.c_uint32), ("dwMatchKey1", ctypes.c_uint32),
                ("dwMatchKey2", ctypes.c_uint32), ("dwMatchKey3", ctypes.c_uint32),
                ("szAssociateFile", ctypes.c_char * 260),
                ("qwAssociateFileSize", ctypes.c_uint64),
                ("szGUID", ctypes.c_char * 39), ("szTimeStamp", ctypes.c_char * 71),
                ("dwReserved1", ctypes.c_uint32), ("nPathInIndex", ctypes.c_int32),
                ("nPathOutIndex", ctypes.c_int32), ("nTotalPathNodeNum", ctypes.c_int32),
                ("pPathNodes", ctypes.POINTER(PATH_NODE)), ("pReserved", ctypes.c_size_t),
                ("dwReserved2", ctypes.c_uint32), ("bHasExtraNode", ctypes.c_uint32),
                ("pExtraNode", ctypes.POINTER(PATH_NODE)), ("dwReserved3", ctypes.c_uint32),
                ("nVideoWidth", ctypes.c_int32), ("nVideoHeight", ctypes.c_int32),
                ("nVideoAspect", ctypes.c_int32), ("nFrameWidth", ctypes.c_int32),
                ("nFrameHeight", ctypes.c_int32), ("nFrameAspect", ctypes.c_int32),
                ("dwReserved4", ctypes.c_uint32), ("szOriginGUID", ctypes.c_char * 39),
                ("dwReserved5", ctypes.c_uint32), ("fRotation", ctypes.c_float),
                ("nTrackType", ctypes.c_uint32), ("nTrackParam", ctypes.c_uint32),
                ("dwReserved6", ctypes.c_uint32)]


class PATH_INFO_ARRAY(ctypes.Structure):
    _pack_ = 4
    _fields_ = [("dwSize", ctypes.c_uint32), ("abReserved1", ctypes.c_uint8 * 51),
                ("nNumOfPathInfos", ctypes.c_int32),
                ("ppPathInfos", ctypes.POINTER(ctypes.POINTER(PATH_INFO))),
                ("abReserved2", ctypes.c_uint8 * 20)]


class CString(ctypes.Structure):
    _fields_ = [("m_pszData", ctypes.c_void_p)]


class CUIntArray(ctypes.Structure):
    _fields_ = [("m_pData", ctypes.POINTER(ctypes.c_uint32)), ("m_nSize", ctypes.c_ssize_t),
                ("m_nMaxSize", ctypes.c_ssize_t), ("m_nGrowBy", ctypes.c_ssize_t)]


class SIMPLIFY_REPORT(ctypes.Structure):
    _fields_ = [("nNodesBefore", ctypes.c_int32), ("nNodesAfter", ctypes.c_int32),
                ("dLargestDeviation", ctypes.c_double), ("nKeptUnordered", ctypes.c_int32),
                ("nKeptNonFinite", ctypes.c_int32)]


for _rec, _size in ((PATH_NODE, 60), (PATH_INFO, 544), (PATH_INFO_ARRAY, 88)):
    if ctypes.sizeof(_rec) != _size:  # a 32-bit interpreter would get another layout
        raise ImportError("molvaren: %s is %d bytes here, the library expects %d"
                          % (_rec.__name__, ctypes.sizeof(_rec), _size))

core, companion, core_path, companion_path = _load()

_i32, _u32, _f32, _p = ctypes.c_int32, ctypes.c_uint32, ctypes.c_float, ctypes.POINTER
_str = ctypes.c_char_p
_PI, _PN, _PA = _p(PATH_INFO), _p(PATH_NODE), _p(PATH_INFO_ARRAY)

_PROTOTYPES = {
    core: {
        "Mlvr_PathNode_Rect2PathNode": [RECT, RECT, _PN],
        "Mlvr_PathNode_PathNode2Rect": [_PN, RECT, _p(RECT)],
        "Mlvr_PathInfo_AssignGUID": [_PI],
        "Mlvr_PathInfo_AssignTimeStamp": [_PI],
        "Mlvr_PathInfo_FreeInfos": [_p(_PI), _i32],
        "Mlvr_PathInfo_CorrectCtrlPtrBasedOnPathType": [_PI],
        "Mlvr_PathInfo_Clone": [_PI, _PI, _i32, _p(CUIntArray)],
        "Mlvr_PathInfo_PathNodeAppend": [_PI, _PN, _i32, _i32],
        "Mlvr_PathInfo_ResumFromAnother": [_PI, _PI],
        "Mlvr_PathInfo_ResumFromAnother2": [_i32, _PI, _PI],
        "Mlvr_PathInfo_ConvertPathNodeInfo": [_PN, _PI, SIZE, _f32, _i32, _i32],
        "Mlvr_LinearRegressionPathInfo": [_PI],
        "Mlvr_PathInfoArray_Add": [_p(_PA), _PI],
        "Mlvr_PathInfoArray_Clone": [_p(_PA), _PA, _p(_u32)],
        "Mlvr_PathInfoArray_Free": [_p(_PA)],
        "Mlvr_PathInfoArray_Pack": [_p(_PA), ctypes.c_char_p, _p(_u32)],
        "Mlvr_PathInfoArray_Unpack": [ctypes.c_char_p, _u32, _p(_PA)],
        "Mlvr_OpenSavePathInfo": [_str, _i32, _p(_PA)],
        "Mlvr_DataBase_Lock": [],
        "Mlvr_DataBase_Unlock": [],
        "Mlvr_DataBase_GetPathInfoArrayByAssociateFileName": [_str, _str, _p(_PA)],
        "Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName": [_str, _str, _PA],
        "Mlvr_DataBase_DeleteInfoArrayByAssociateFileName": [_str, _str],
        "Mlvr_DataBase_GetPathInfoByGUID": [_str, _str, _p(_PI), ctypes.c_char_p],
        "Mlvr_DataBase_GetPathNodeByGUID": [_str, _str, _i32, SIZE, _f32, _PN,
                                            ctypes.c_char_p, _i32],
        "Mlvr_DataBase_ImportPathInfo": [_str, _str, _PI, _p(CString)],
        "Mlvr_DataBase_RelinkAssociateFile": [_str, _str, _str],
    },
    companion: {
        "MlvrX_PathInfoArray_New": [_p(_PA)],
        "MlvrX_PathInfo_New": [_p(_PI)],
        "MlvrX_PathNode_Defaults": [_PN, _i32],
        "MlvrX_PathInfo_SetNodes": [_PI, _PN, _i32],
        "MlvrX_PathInfo_SetBoxes": [_PI, _p(_i32), _p(ctypes.c_double), _p(_f32), _i32,
                                    _i32, _i32],
        "MlvrX_PathInfo_GetBoxes": [_PI, _i32, _i32, _p(_i32), _p(_i32), _i32],
        "MlvrX_DumpPathInfosText": [_PI, _i32, _str, ctypes.c_char_p, _u32, _p(_u32)],
        "MlvrX_PathInfo_SimplifyWithin": [_PI, ctypes.c_double, _i32, _i32,
                                          _p(SIMPLIFY_REPORT)],
        "MlvrX_ReadTrackerCsv": [ctypes.c_char_p, ctypes.c_size_t, _i32, _i32, _i32, _str,
                                 _p(_PA)],
        "MlvrX_WriteTrackerCsv": [_PA, _i32, _i32, _i32, _p(ctypes.c_void_p),
                                  _p(ctypes.c_size_t)],
    },
}


class _Functions:
    pass


fn = _Functions()
for _lib, _protos in _PROTOTYPES.items():
    for _name, _args in _protos.items():
        try:
            _f = getattr(_lib, _name)
        except AttributeError:
            raise ImportError("molvaren: %s lacks %s: it is older than this package; rebuild it"
                              % (companion_path if _lib is companion else core_path,
                                 _name)) from None
        _f.argtypes = _args
        _f.restype = _i32
        setattr(fn, _name, _f)
companion.MlvrX_FreeText.argtypes = [ctypes.c_void_p]
companion.MlvrX_FreeText.restype = None
companion.MlvrX_LastError.restype = ctypes.c_char_p
companion.MlvrX_Version.restype = ctypes.c_char_p


def check(result, what):
    """Raises MolvarenError when a core export returned 0."""
    if result == 0:
        raise MolvarenError(what)
    return result


def check_x(result, what):
    """Raises MolvarenError with the companion's sentence when it returned 0."""
    if result == 0:
        sentence = companion.MlvrX_LastError().decode("utf-8", "replace")
        raise MolvarenError("%s: %s" % (what, sentence) if sentence else what)
    return result


def text(value, what):
    """8-bit text for the library (UTF-8 on Linux); paths-like objects allowed."""
    if isinstance(value, os.PathLike):
        value = os.fspath(value)
    if isinstance(value, str):
        value = value.encode("utf-8")
    if not isinstance(value, bytes):
        raise TypeError("%s must be text, got %s" % (what, type(value).__name__))
    if b"\0" in value:
        raise ValueError("%s must not contain a NUL character" % what)
    return value
