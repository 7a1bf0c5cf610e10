"""The package as a host uses it: what the binding itself adds (numpy views,
arguments passed through, owned and borrowed records, use after close,
exceptions). What the library computes is its own tests' business."""

import os
import subprocess
import sys

import pytest

import molvaren as m

HD = (1920, 1080)


def track(frames=(10, 20, 40), x=(100, 200, 400)):
    return m.Path.from_boxes([[left, 200, 200, 200] for left in x], HD, frames=frames)


# ---- records and numpy ------------------------------------------------------

def test_boxes_and_nodes_as_numpy():
    path = m.Path.from_boxes([(-50, -50, 100, 100), (100, 200, 201, 201)], HD)
    frames, boxes = path.boxes(HD)
    # Odd sides come back one larger; y points up in the nodes.
    assert frames.tolist() == [0, 1]
    assert boxes.tolist() == [[-50, -50, 100, 100], [99, 199, 202, 202]]
    assert path.nodes[1]["fYPos"] == pytest.approx(1 - 300 / 1080)
    nodes = m.default_nodes(2)
    nodes["nFrameIndex"], nodes["fXPos"] = [5, 9], [0.25, 0.5]
    path.nodes = nodes
    assert (path.frame_in, path.frame_out) == (5, 9) and path.centres[:, 0].tolist() == [0.25, 0.5]


@pytest.mark.parametrize("how", ["pack", "file", "copy"])
def test_list_round_trip_keeps_paths_and_nodes(how, tmp_path):
    source = m.PathList([track(), track(frames=(1, 2, 3))])
    if how == "pack":
        data = source.pack()
        assert len(data) == 88 + 2 * (528 + 3 * 60)
        back = m.unpack(data)
    elif how == "file":
        source.save(tmp_path / "t.otp")
        back = m.open_file(tmp_path / "t.otp")
    else:
        back = source.copy()
    assert [p.guid for p in back] == [p.guid for p in source]
    assert all((a.nodes == b.nodes).all() for a, b in zip(back, source))


# ---- calls pass their arguments through -------------------------------------

def test_processing_calls_reach_the_library():
    path = track(frames=(0, 10, 20), x=(100, 200, 300))
    assert m.simplify(path) == 1 and path.frames.tolist() == [0, 20]
    assert m.dump(path, "two").splitlines()[0] == "==== Begin dump path info ==== [two]"
    straight = m.Path.from_boxes([(10 * i, 100, 50, 50) for i in range(20)], HD)
    report = m.simplify_within(straight, 1.0)
    assert (report["nodes_before"], report["nodes_after"], len(straight)) == (20, 2, 2)
    node = m.default_nodes(1)[0]
    node["fXPos"], node["fYPos"], node["fWidth"], node["fHeight"] = 0.5, 0.5, 0.1, 0.2
    for mode, y in ((m.FIT, 0.75 * 0.5 + 0.125), (m.VIDEO, 0.5)):
        assert m.convert(node, m.Path(), (1440, 1080), mode=mode)["fYPos"] == pytest.approx(y)
    mot = "1,7,100,200,50,40,1,-1,-1,-1\n3,7,110,200,50,40,0.5,-1,-1,-1\n"
    paths = m.read_tracker_csv(mot, HD, "mot", media_file="clip.mp4")
    assert paths[0].associate_file == "clip.mp4" and paths[0].frames.tolist() == [0, 2]
    assert m.write_tracker_csv(paths, "mot").splitlines()[1].startswith("3,1,110,200,50,40,")


# ---- ownership and closed objects -----------------------------------------

def test_appended_path_belongs_to_its_list():
    path = track()
    lst = m.PathList()
    lst.append(path)
    assert not path.owned
    path.close()           # a member is freed with its list, not alone
    assert len(lst) == 1 and lst[0].guid == path.guid
    lst.close()
    with pytest.raises(m.MolvarenError, match="closed"):
        path.guid


@pytest.mark.parametrize("use", [len, lambda o: o.pack(), lambda o: o[0], lambda o: o.copy()])
def test_closed_list_raises(use):
    lst = m.PathList([track()])
    lst.close()
    lst.close()            # closing twice frees once
    with pytest.raises(m.MolvarenError, match="closed"):
        use(lst)


def test_borrowed_list_is_never_freed_and_goes_stale(tmp_path):
    db = m.Database(tmp_path)
    mine = track()
    db.update("a.mp4", [mine])
    assert mine.owned and len(mine) == 3   # copied in, still the caller's
    first = db.fetch("a.mp4")
    assert not first.owned
    first.close()          # lets go only: the database's list stays
    again = db.fetch("A.MP4")
    assert len(again) == 1
    with pytest.raises(m.MolvarenError, match="borrowed"):
        again.append(track())
    db.update("a.mp4", again)   # its own list as the source is copied first
    with pytest.raises(m.MolvarenError, match="fetch it again"):
        len(again)
    assert len(db.fetch("a.mp4")) == 1


# ---- the database ---------------------------------------------------------

def test_database_calls(tmp_path):
    db = m.Database(tmp_path / "db")
    path = track()
    path.associate_file_size = 10
    guid = db.store("clip.mp4", path)
    assert guid == path.guid
    assert db.box(guid, 30, (960, 540)) == (150, 100, 100, 100)   # halfway from 20 to 40
    with pytest.raises(ValueError, match="outside"):
        db.box(guid, 41, HD)
    assert db.box(guid, 41, HD, clamp=True) == (400, 200, 200, 200)
    other = db.import_path("b.mp4", path)
    copy, key = db.path(other)
    assert other != guid and copy.origin_guid == guid and key == "b.mp4"
    media = tmp_path / "new.mp4"
    media.write_bytes(b"x" * 10)
    with pytest.raises(m.MolvarenError, match="cannot relink"):
        db.relink("clip.mp4", tmp_path / "missing.mp4")
    db.relink("clip.mp4", media)
    assert db.fetch("clip.mp4") is None and len(db.fetch(media)) == 1
    db.delete(media)
    with pytest.raises(KeyError):
        db.delete(media)


# ---- bad input ------------------------------------------------------------

@pytest.mark.parametrize("call, error, message", [
    (lambda t: m.open_file(t / "none.otp"), FileNotFoundError, "no path file"),
    (lambda t: m.open_file(__file__), m.MolvarenError, "not a path file"),
    (lambda t: m.unpack(b"\x02\0\0\0"), m.MolvarenError, "not a packed"),
    (lambda t: m.unpack("text"), TypeError, "bytes"),
    (lambda t: track(frames=(3, 2, 5)), m.MolvarenError, "frames must increase"),
    (lambda t: m.Path.from_boxes([(0, 0, -1, 5)], HD), m.MolvarenError, "negative"),
    (lambda t: m.Path.from_boxes([(0, 0, 1, 5)], (0, 5)), ValueError, "positive"),
    (lambda t: m.Path.from_boxes([1, 2, 3], HD), ValueError, "rows"),
    (lambda t: m.PathList([7]), TypeError, "Path objects"),
    (lambda t: m.Database(t).path("{NONE}"), KeyError, "no path"),
    (lambda t: m.Database(t).fetch(3), TypeError, "must be text"),
    (lambda t: m.read_tracker_csv("1,7,x,200,50,40,1,-1,-1,-1\n", HD), m.MolvarenError, "line 1"),
    (lambda t: m.simplify_within(track(), float("nan")), m.MolvarenError, "cannot simplify"),
])
def test_bad_input_raises_a_clear_exception(tmp_path, call, error, message):
    with pytest.raises(error, match=message):
        call(tmp_path)


def test_missing_library_is_an_import_error():
    env = dict(os.environ, MOLVAREN_LIBRARY_DIR="/nonexistent")
    run = subprocess.run([sys.executable, "-c", "import molvaren"], env=env,
                         capture_output=True, text=True)
    assert run.returncode != 0 and "MOLVAREN_LIBRARY_DIR" in run.stderr
