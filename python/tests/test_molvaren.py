"""The package as a host uses it: what the binding itself adds (numpy views, arguments passed through, owned
and borrowed records, use after close, exceptions). What the library computes is its own tests' business."""

import os
import subprocess
import sys

import pytest

import molvaren as m

HD = (1920, 1080)


def track(frames=(10, 20, 40), x=(100, 200, 400)):
    return m.Path.from_boxes([[left, 200, 200, 200] for left in x], HD, frames=frames)


def test_numpy_views_round_trips_and_ownership(tmp_path):
    path = m.Path.from_boxes([(-50, -50, 100, 100), (100, 200, 201, 201)], HD)
    # Odd sides come back one larger; y points up in the nodes.
    assert [a.tolist() for a in path.boxes(HD)] == [[0, 1], [[-50, -50, 100, 100], [99, 199, 202, 202]]]
    assert path.nodes[1]["fYPos"] == pytest.approx(1 - 300 / 1080)
    nodes = m.default_nodes(2)
    nodes["nFrameIndex"], nodes["fXPos"] = [5, 9], [0.25, 0.5]
    path.nodes = nodes
    assert (path.frame_in, path.frame_out) == (5, 9) and path.centres[:, 0].tolist() == [0.25, 0.5]
    source = m.PathList([track(), path])
    source.save(tmp_path / "t.otp")
    assert len(source.pack()) == 88 + 2 * 528 + 5 * 60
    for back in (m.unpack(source.pack()), m.open_file(tmp_path / "t.otp"), source.copy()):
        assert [p.guid for p in back] == [p.guid for p in source]
        assert all((a.nodes == b.nodes).all() for a, b in zip(back, source))
    assert not path.owned
    path.close()  # a member is freed with its list, not alone
    assert len(source) == 2 and source[1].guid == path.guid
    source.close()
    source.close()  # closing twice frees once
    for use in (len, m.PathList.pack, lambda o: o[0], m.PathList.copy, lambda o: path.guid):
        with pytest.raises(m.MolvarenError, match="closed"):
            use(source)


def test_calls_pass_their_arguments_through():
    path = track(frames=(0, 10, 20), x=(100, 200, 300))
    assert m.simplify(path) == 1 and path.frames.tolist() == [0, 20]
    assert m.dump(path, "two").splitlines()[0].endswith("[two]")
    zigzag = m.Path.from_boxes([(10 * i + i % 2 / 2, 100, 50, 50) for i in range(20)], HD)  # edges 1 px off a line
    report = m.simplify_within(zigzag, 0.3, size=(480, 270))  # a quarter of that in a frame a quarter as wide
    assert (report["nodes_before"], report["nodes_after"], len(zigzag)) == (20, 2, 2)
    node = m.Path.from_boxes([(0, 0, 192, 216)], HD).nodes[0]  # y 0.9; fit to 4:3 adds bars above and below
    assert [m.convert(node, m.Path(), (400, 300), mode=k)["fYPos"] for k in (m.FIT, m.VIDEO)] == pytest.approx([.8, .9])
    paths = m.read_tracker_csv("1,7,100,200,50,40,1,-1,-1,-1\n3,7,110,200,50,40,.5,-1,-1,-1\n", HD, media_file="a")
    assert paths[0].associate_file == "a" and paths[0].frames.tolist() == [0, 2]
    assert m.write_tracker_csv(paths, "mot").splitlines()[1].startswith("3,1,110,200,50,40,")


def test_database_calls_and_borrowed_lists(tmp_path):
    db = m.Database(tmp_path / "db")
    mine = track()
    mine.associate_file_size = 10
    guid = db.store("clip.mp4", mine)
    assert guid == mine.guid and mine.owned and len(mine) == 3  # copied in, still the caller's
    first = db.fetch("clip.mp4")
    assert not first.owned
    first.close()  # lets go only: the database's list stays
    again = db.fetch("CLIP.MP4")
    with pytest.raises(m.MolvarenError, match="borrowed"):
        again.append(track())
    db.update("clip.mp4", again)  # its own list as the source is copied first
    with pytest.raises(m.MolvarenError, match="fetch it again"):
        len(again)
    assert db.box(guid, 30, (960, 540)) == (150, 100, 100, 100)  # halfway from 20 to 40
    assert db.box(guid, 41, HD, clamp=True) == (400, 200, 200, 200)
    copy, key = db.path(db.import_path("b.mp4", mine))
    assert copy.guid != guid and copy.origin_guid == guid and key == "b.mp4"
    (tmp_path / "new.mp4").write_bytes(b"x" * 10)
    db.relink("clip.mp4", tmp_path / "new.mp4")
    assert db.fetch("clip.mp4") is None and len(db.fetch(tmp_path / "new.mp4")) == 1


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
    (lambda t: m.Database(t).delete("none.mp4"), KeyError, "no paths for none.mp4"),
    (lambda t: m.Database(t).relink("a.mp4", t / "none.mp4"), m.MolvarenError, "cannot relink"),
    (lambda t: m.Database(t).box(m.Database(t).store("a.mp4", track()), 41, HD), ValueError, "outside"),
    (lambda t: m.read_tracker_csv("1,7,x,200,50,40,1,-1,-1,-1\n", HD), m.MolvarenError, "line 1"),
    (lambda t: m.simplify_within(track(), float("nan")), m.MolvarenError, "cannot simplify within nan"),
    (lambda t: m.simplify_within(track(), 0), m.MolvarenError, "cannot simplify within 0"),
])
def test_bad_input_raises_a_clear_exception(tmp_path, call, error, message):
    with pytest.raises(error, match=message):
        call(tmp_path)


def test_missing_library_is_an_import_error():
    run = subprocess.run([sys.executable, "-c", "import molvaren"], capture_output=True, text=True,
                         env=dict(os.environ, MOLVAREN_LIBRARY_DIR="/nonexistent"))
    assert run.returncode != 0 and "MOLVAREN_LIBRARY_DIR" in run.stderr
