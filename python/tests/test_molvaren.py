"""The package as a host uses it: round trips through the library, owned and
borrowed records, use after close, and the database."""

import os
import subprocess
import sys

import numpy as np
import pytest

import molvaren as m

HD = (1920, 1080)


def track(frames=(10, 20, 40), x=(100, 200, 400)):
    return m.Path.from_boxes([[left, 200, 200, 200] for left in x], HD, frames=frames)


# ---- round trips -----------------------------------------------------------

def test_boxes_come_back_as_the_library_rounds_them():
    path = m.Path.from_boxes([(-50, -50, 100, 100), (100, 200, 201, 201)], HD)
    frames, boxes = path.boxes(HD)
    # Odd sides come back one larger; y points up in the nodes.
    assert frames.tolist() == [0, 1]
    assert boxes.tolist() == [[-50, -50, 100, 100], [99, 199, 202, 202]]
    assert path.nodes[1]["fYPos"] == pytest.approx(1 - 300 / 1080)


def test_tracker_csv_round_trip_keeps_boxes_and_gaps():
    mot = "1,7,100,200,50,40,1,-1,-1,-1\n3,7,110,200,50,40,0.5,-1,-1,-1\n"
    paths = m.read_tracker_csv(mot, HD, "mot", media_file="clip.mp4")
    assert len(paths) == 1 and paths[0].associate_file == "clip.mp4"
    assert paths[0].frames.tolist() == [0, 2]  # frame 2 skipped: a gap, no node
    assert m.write_tracker_csv(paths, "mot").splitlines()[1].startswith("3,1,110,200,50,40,")
    with pytest.raises(m.MolvarenError, match="line 1"):
        m.read_tracker_csv("1,7,x,200,50,40,1,-1,-1,-1\n", HD)


def test_simplify_within_keeps_the_bound_and_refuses_bad_tolerances():
    straight = m.Path.from_boxes([(10 * i, 100, 50, 50) for i in range(20)], HD)
    report = m.simplify_within(straight, 1.0)
    assert (report["nodes_before"], report["nodes_after"], len(straight)) == (20, 2, 2)
    assert report["largest_deviation"] <= 1.0
    for bad in (0.0, -1.0, float("nan")):
        with pytest.raises(m.MolvarenError, match="cannot simplify"):
            m.simplify_within(straight, bad)


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


def test_nodes_set_from_numpy_keep_their_frames():
    nodes = m.default_nodes(2)
    nodes["nFrameIndex"] = [5, 9]
    nodes["fXPos"] = [0.25, 0.5]
    path = m.Path()
    path.nodes = nodes
    assert path.frames.tolist() == [5, 9] and (path.frame_in, path.frame_out) == (5, 9)
    assert path.centres[:, 0].tolist() == [0.25, 0.5]


# ---- processing ------------------------------------------------------------

def test_simplify_drops_an_evenly_timed_middle_node():
    path = track(frames=(0, 10, 20), x=(100, 200, 300))
    assert m.simplify(path) == 1 and path.frames.tolist() == [0, 20]


def test_dump_is_the_library_listing():
    text = m.dump(m.Path.from_boxes([(0, 0, 10, 10)] * 2, HD), "two")
    lines = text.splitlines()
    assert lines[0] == "==== Begin dump path info ==== [two]"
    assert "==> nSizeOfpPathInfo: 672" in lines


@pytest.mark.parametrize("mode, y, h", [(m.FIT, 0.75 * 0.5 + 0.125, 0.75 * 0.2), (m.VIDEO, 0.5, 0.2)])
def test_convert_to_a_four_by_three_target(mode, y, h):
    path = m.Path()
    node = m.default_nodes(1)[0]
    node["fXPos"], node["fYPos"], node["fWidth"], node["fHeight"] = 0.5, 0.5, 0.1, 0.2
    out = m.convert(node, path, (1440, 1080), mode=mode)
    assert out["fYPos"] == pytest.approx(y) and out["fHeight"] == pytest.approx(h)


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

def test_store_then_boxes_and_a_new_identity_under_another_file(tmp_path):
    db = m.Database(tmp_path / "db")
    path = track()
    guid = db.store("clip.mp4", path)
    assert guid == path.guid
    assert db.box(guid, 30, HD) == (300, 200, 200, 200)       # halfway from 20 to 40
    assert db.box(guid, 30, (960, 540)) == (150, 100, 100, 100)
    with pytest.raises(ValueError, match="outside"):
        db.box(guid, 41, HD)
    assert db.box(guid, 41, HD, clamp=True) == (400, 200, 200, 200)
    other = db.import_path("b.mp4", path)
    copy, key = db.path(other)
    assert other != guid and copy.origin_guid == guid and key == "b.mp4"
    assert db.path(guid)[0].frames.tolist() == [10, 20, 40]


def test_relink_and_delete(tmp_path):
    db = m.Database(tmp_path / "db")
    media = tmp_path / "new.mp4"
    media.write_bytes(b"x" * 10)
    path = track()
    path.associate_file_size = 10
    db.store("old.mp4", path)
    with pytest.raises(m.MolvarenError, match="cannot relink"):
        db.relink("old.mp4", tmp_path / "missing.mp4")
    db.relink("old.mp4", media)
    assert db.fetch("old.mp4") is None and len(db.fetch(media)) == 1
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
])
def test_bad_input_raises_a_clear_exception(tmp_path, call, error, message):
    with pytest.raises(error, match=message):
        call(tmp_path)


def test_missing_library_is_an_import_error():
    env = dict(os.environ, MOLVAREN_LIBRARY_DIR="/nonexistent")
    run = subprocess.run([sys.executable, "-c", "import molvaren"], env=env,
                         capture_output=True, text=True)
    assert run.returncode != 0 and "MOLVAREN_LIBRARY_DIR" in run.stderr
