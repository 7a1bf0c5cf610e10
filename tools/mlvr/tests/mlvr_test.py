"""Tests of the mlvr tool on path files built byte by byte here.

Run as: python3 mlvr_test.py MLVR_BINARY [unittest arguments...]
"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

import otp_bytes as ob

MLVR = None
GUID_A = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"
GUID_B = "{11111111-2222-3333-4444-555555555555}"
NAN_BITS = 0x7FC00123  # a NaN with a payload
NEG_INF_BITS = 0xFF800000


def f32(bits):
    return struct.unpack("<f", struct.pack("<I", bits))[0]


def rich_file():
    """Two paths that use every field, reserved words and odd values included."""
    nodes_a = [(0, 0.25, 0.75, 0.1, 0.2, 0.9, 0, 0.3, 0.7, (1, 2, 3, 4, 5)),
               (12, 0.5, 0.5, 0.125, 0.25, -0.0, 1, 0.4, 0.9, (0, 0, 0, 0, 0xFFFFFFFF)),
               (30, f32(NAN_BITS), 0.1, 1e-30, 3.4e38, 0.0, 7, f32(NEG_INF_BITS), 0.2)]
    a = ob.path(nodes_a, guid=GUID_A, assoc="/media/clips/été.mp4", stamp="20261206.193000.125",
                extra=(99, 0.5, 0.5, 0.2, 0.2, 0.1, 1, 0.1, 0.2, (9, 8, 7, 6, 5)),
                keys=(1, 0xFFFFFFFF, 3), size=123456789012, video=(1920, 800, 2),
                frame_shape=(4, 3, 1), origin=GUID_B, rotation=270.0, track=(403, 77),
                reserved=(11, 22, 33, 44, 55), p_reserved=0xDEADBEEF)
    # A text field with bytes after its NUL and one that is not UTF-8.
    odd_guid = b"{odd}\0junk"
    b = ob.path([(5, 0.1, 0.2, 0.3, 0.4)], guid=odd_guid, assoc=b"C:\\clips\\\xe9t\xe9.avi",
                stamp="20250101.000000.000")
    return ob.otp([a, b], reserved1=bytes(range(51)), reserved2=bytes(range(200, 220)))


class ToolCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mlvr-test-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def file(self, name, content=None):
        p = os.path.join(self.dir, name)
        if content is not None:
            with open(p, "wb") as f:
                f.write(content)
        return p

    def run_tool(self, *args, ok=True, stdin=None):
        r = subprocess.run([MLVR, *args], capture_output=True, text=True, input=stdin,
                           errors="replace", timeout=120)
        if ok:
            self.assertEqual(r.returncode, 0, f"mlvr {' '.join(args)}: {r.stderr}")
        return r

    def assert_fails(self, *args, mentions="", stdin=None):
        r = self.run_tool(*args, ok=False, stdin=stdin)
        self.assertNotEqual(r.returncode, 0, f"mlvr {' '.join(args)} should fail")
        lines = r.stderr.splitlines()
        self.assertEqual(len(lines), 1, r.stderr)
        self.assertTrue(lines[0].startswith("mlvr: "), lines[0])
        self.assertIn(mentions, lines[0])
        return lines[0]

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def files(self):
        return sorted(os.listdir(self.dir))

    def json_of(self, *args):
        return json.loads(self.run_tool(*args, "--json").stdout)


MOT = ("1,7,100,200,50,40,0.9,-1,-1,-1\n1,3,0,0,1280,720,1,-1,-1,-1\n"
       "2,7,101.5,200.25,50,40,0.8,-1,-1,-1\n5,7,10,20,30,40,0.5,-1,-1,-1\n")
MOT_OUT = ("1,1,0,0,1280,720,1,-1,-1,-1\n1,2,100,200,50,40,0.9,-1,-1,-1\n"
           "2,2,101.5,200.25,50,40,0.8,-1,-1,-1\n5,2,10,20,30,40,0.5,-1,-1,-1\n")
MINIMAL = {"paths": [{"nodes": [{"nFrameIndex": 4, "fXPos": 0.25, "fYPos": 0.5, "fWidth": 0.1},
                                {"nFrameIndex": 8, "fXPos": 0.75, "fYPos": 0.25}]}]}


class Files(ToolCase):
    def test_reports_as_text_and_json(self):
        src = self.file("a.otp", rich_file())
        out = self.run_tool("info", src).stdout.splitlines()
        self.assertEqual(out[1].split(), ["0", GUID_A, "/media/clips/été.mp4", "0", "30", "3",
                                          "403", "4:3", "1920:800", "270"])
        self.assertEqual(out[-1], "2 paths")
        info = self.json_of("info", src)
        self.assertEqual([(p["guid"], p["in"], p["out"], p["nodes"]) for p in info[:1]],
                         [(GUID_A, 0, 30, 3)])
        dump = self.run_tool("dump", src).stdout.splitlines()
        self.assertIn("frame     12  x 0.500000  y 0.500000  w 0.125000  h 0.250000", dump[2])
        self.assertIn("bezier ctrl (0.400000, 0.900000)", dump[2])
        self.assertTrue(dump[4].startswith("  extra  frame     99"))
        self.assertEqual(self.json_of("dump", src), json.loads(self.run_tool("export", src).stdout))
        self.assertRegex(self.run_tool("--version").stdout, r"^mlvr \d+\.\d+\.\d+\n$")

    def test_full_json_round_trips_byte_for_byte(self):
        original = rich_file()
        src = self.file("a.otp", original)
        text = self.run_tool("export", src).stdout
        doc = json.loads(text)
        self.assertEqual(doc["header"]["abReserved1"], bytes(range(51)).hex())
        n2 = doc["paths"][0]["nodes"][2]
        self.assertEqual((n2["fXPos"], n2["fCtrlXPos"]), ("0x7FC00123", "0xFF800000"))
        self.assertEqual(doc["paths"][1]["szGUID"], {"hex": ob.text(b"{odd}\0junk", 39).hex()})
        self.run_tool("import", "-", "-o", self.file("b.otp"), stdin=text)
        self.assertEqual(self.read(self.file("b.otp")), original)


class MinimalJson(ToolCase):
    def test_left_out_members_take_defaults(self):
        self.file("m.json", json.dumps(MINIMAL).encode())
        self.run_tool("import", self.file("m.json"), "-o", self.file("m.otp"))
        p = json.loads(self.run_tool("export", self.file("m.otp")).stdout)["paths"][0]
        self.assertRegex(p["szGUID"], r"^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$")
        self.assertEqual((p["dwSize"], p["nTrackType"], p["nTrackParam"]), (544, 401, 20))
        self.assertEqual((p["nPathInIndex"], p["nPathOutIndex"], p["nTotalPathNodeNum"]), (4, 8, 2))
        a, b = p["nodes"]
        self.assertEqual((a["dwSize"], a["fWidth"], b["fWidth"], a["fConfidence"]), (60, 0.1, 0, 0))
        # Linear segments get their control point at the midpoint.
        self.assertEqual((a["fCtrlXPos"], a["fCtrlYPos"]), (0.5, 0.375))

    def test_every_bad_member_is_named_and_nothing_is_written(self):
        def nodes(*frames):
            return [{"nFrameIndex": f} for f in frames]
        cases = [  # (path members, location and reason)
            ({"nodes": nodes(5, 5)}, "paths[0].nodes[1].nFrameIndex: frame 5 does not follow frame 5"),
            ({"nodes": [{"fXPos": "abc"}]}, "paths[0].nodes[0].fXPos"),
            ({"nodes": [{"fWidth": -1}]}, "paths[0].nodes[0].fWidth"),
            ({"nodes": [{"fXPos": 1e39}]}, "paths[0].nodes[0].fXPos: not a finite"),
            ({"szGUID": "hello"}, 'paths[0].szGUID: "hello" is not a GUID'),
            ({"szGUID": GUID_A.lower()}, "upper-case"),
            ({"nodes": nodes(1, 2), "nTotalPathNodeNum": 5}, "does not match the 2 nodes"),
            ({"nodes": nodes(0, 299), "nPathInIndex": 500}, "paths[0].nPathInIndex: is not the first"),
            ({"nodes": [{"fXpos": 7}]}, 'paths[0].nodes[0]: unknown member "fXpos"'),
            ({"dwMatchKey1": -1}, "paths[0].dwMatchKey1: out of range"),
            ({"bHasExtraNode": 1}, "bHasExtraNode is set but no node"),
        ]
        self.file("keep.otp", b"old")
        for members, message in cases:
            with self.subTest(message=message):
                text = json.dumps({"paths": [members]})
                self.assert_fails("import", "-", "-o", self.file("x.otp"), mentions=message, stdin=text)
                self.assert_fails("import", "-", "-o", self.file("keep.otp"), stdin=text)
        self.assert_fails("import", "-", "-o", self.file("x.otp"), stdin='{"paths": [1,\n  2',
                          mentions="not valid JSON: the text ends early (line 2)")
        self.assert_fails("import", "-", "-o", self.file("x.otp"), stdin='{"paths": }',
                          mentions="not valid JSON at line 1, column 11")
        self.assertEqual(self.files(), ["keep.otp"])
        self.assertEqual(self.read(self.file("keep.otp")), b"old")


class Formats(ToolCase):
    def test_mot_in_and_out_through_the_options(self):
        # The companion's tests cover the reading; here, the tool's options.
        self.file("t.txt", MOT.encode())
        self.run_tool("import", self.file("t.txt"), "--from", "mot", "--size", "1280x720",
                      "--media", "clip.mp4", "-o", self.file("t.otp"))
        self.assertEqual([p["associateFile"] for p in self.json_of("info", self.file("t.otp"))],
                         ["clip.mp4"] * 2)
        self.assertEqual(self.run_tool("export", self.file("t.otp"), "--to", "mot").stdout, MOT_OUT)
        half = self.run_tool("export", self.file("t.otp"), "--to", "MOT", "--size", "640x360").stdout
        self.assertEqual(half.splitlines()[1], "1,2,50,100,25,20,0.9,-1,-1,-1")
        # Straight into a database folder, and out again.
        folder = os.path.join(self.dir, "db")
        self.run_tool("db", "import", folder, "clip.mp4", self.file("t.txt"), "--from", "mot",
                      "--size", "1280x720")
        self.assertEqual([p["nodes"] for p in self.json_of("db", "show", folder, "clip.mp4")], [1, 3])

    def test_pixel_csv_through_standard_streams(self):
        csv = "frame,left,top,width,height,confidence\n0,10,20,30,40,0.5\n3,12,22,30,40,1\n"
        otp = subprocess.run([MLVR, "import", "-", "--from", "csv", "--size", "640x480", "-o", "-"],
                             input=csv.encode(), capture_output=True, check=True).stdout
        back = subprocess.run([MLVR, "export", "-", "--to", "csv"], input=otp,
                              capture_output=True, check=True).stdout
        self.assertEqual(back.decode(), csv)

    def test_bad_tracker_input_is_refused_and_nothing_written(self):
        size = ("--size", "1280x720")
        # The companion's own tests cover each sentence; here, that they reach the user.
        cases = [  # (form, text, extra arguments, message)
            ("mot", "1,1,0,0,10,10\n2,1,0,0,x,10\n", size, "line 2, column 5 (bb_width): 'x' is not a number"),
            ("mot", "1,1,0,0,10,10\n", (), "give the frame size with --size"),
            ("mot", "1,1,0,0,10,10\n", ("--size", "-3x4"), "'-3x4' is not WIDTHxHEIGHT"),
            ("xml", "", size, "xml not in"),
        ]
        for form, text, extra, message in cases:
            with self.subTest(message=message):
                self.file("in.txt", text.encode())
                self.assert_fails("import", self.file("in.txt"), "--from", form, *extra, "-o",
                                  self.file("x.otp"), mentions=message)
                self.assertNotIn("x.otp", self.files())
        self.file("two.otp", rich_file())
        self.assert_fails("export", self.file("two.otp"), "--to", "csv", "-o", self.file("x.csv"),
                          mentions="a pixel CSV holds one path; the list has 2")
        self.assertNotIn("x.csv", self.files())


class Errors(ToolCase):
    def test_each_error_is_one_line_and_writes_nothing(self):
        good = self.file("good.otp", rich_file())
        self.file("junk.otp", b"this is not a path file at all")
        wrong_version = bytearray(rich_file())
        wrong_version[42] = 102
        self.file("v102.otp", bytes(wrong_version))
        before = self.files()
        cases = [
            (("info", self.file("missing.otp")), "no such file"),
            (("dump", self.file("junk.otp")), "not a readable path file"),
            (("export", self.file("v102.otp"), "-o", self.file("x.json")), "not a readable path file"),
            (("plot", good, "-o", self.file("x.svg"), "--guid", "{nope}"), "no path with GUID {nope}"),
            (("plot", good, "-o", self.file("x.svg"), "--frames", "9:x"), "--frames"),
            (("plot", good, "-o", self.file("x.svg"), "--frames", "500:600"), "no node to draw in frames 500:600"),
            (("plot", good, "-o", self.file("x.png")), "x.png does not end in .svg"),
            (("export", good, "-o", os.path.join(self.dir, "no", "x.json")), "cannot write"),
            (("db", "list", good), "is a file, not a database folder"),
            (("check", self.file("missing")), "no such folder"),
            (("db", "delete", self.dir, "x.mp4"), "not a database folder"),
            (("box", self.dir, GUID_A, "--frames", "0:100000"), "at most 100000 frames"),
            (("simplify", self.file("none.otp"), "-o", self.file("out.otp")), "none.otp"),
            (("info",), "file"),
            (("frobnicate",), "subcommand"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                self.assert_fails(*args, mentions=message)
        self.assertEqual(self.files(), before)
        self.assertIn("no index", self.run_tool("check", self.dir, ok=False).stdout)


class FolderCheck(ToolCase):
    def make_folder(self, extra=""):
        self.file("{A}.otp", ob.otp([ob.path([(0, 0.2, 0.3, 0.1, 0.1)], guid=GUID_A)]))
        self.file("{B}.otp", ob.otp([ob.path([(0, 0.2, 0.3, 0.1, 0.1)], guid=GUID_B)]))
        self.file("Molvaren.ini", ("[File_0]\nAssiciateFile=/v/A.mp4\nDataBaseName={A}\n"
                                   "[File_1]\nAssiciateFile=/v/b.mp4\nDataBaseName={B}\n" + extra +
                                   "[Setting]\nNumOfFiles=9\n").encode())

    def test_healthy_folder_is_left_as_it_was(self):
        self.make_folder()
        before = {n: self.read(self.file(n)) for n in self.files()}
        self.assertEqual(self.run_tool("check", self.dir).stdout.splitlines()[1:],
                         ["2 entries, 2 paths", "healthy"])
        self.assertEqual(self.json_of("db", "list", self.dir),
                         [{"media": "/v/a.mp4", "pathFile": "{A}.otp", "state": "ok", "paths": 1},
                          {"media": "/v/b.mp4", "pathFile": "{B}.otp", "state": "ok", "paths": 1}])
        self.assertEqual({n: self.read(self.file(n)) for n in self.files()}, before)

    def test_every_kind_of_problem(self):
        odd = [(5, 0.1, 0.1, 0.1, 0.1), (3, f32(NAN_BITS), 0.1, 0.1, 0.1)]
        self.file("{C}.otp", b"junk")
        self.file("stray.otp", ob.otp([]))
        self.file("{D}.otp", ob.otp([ob.path([(0, 0.2, 0.3, 0.1, 0.1)], guid=GUID_A)]))
        self.file("{E}.otp", ob.otp([ob.path(odd, guid="{e}")]) + b"tail")
        self.make_folder("[file_2]\nassiciatefile=/v/c.mp4\nDataBaseName={C}\n"
                         "[File_3]\nAssiciateFile=/v/gone.mp4\nDataBaseName={GONE}\n"
                         "[File_4]\nAssiciateFile=/v/x.mp4\nDataBaseName=../x\n"
                         "[File_5]\nAssiciateFile=/v/d.mp4\nDataBaseName={D}\n"
                         "[File_6]\nAssiciateFile=/v/a.MP4\nDataBaseName={B}\n"
                         "[File_7]\nAssiciateFile=/v/./e.mp4\nDataBaseName={E}\n"
                         "[File_8]\nAssiciateFile=/v/e.mp4\nDataBaseName={Z}\n")
        r = self.run_tool("check", self.dir, "--json", ok=False)
        self.assertEqual(r.returncode, 1)
        report = json.loads(r.stdout)
        self.assertFalse(report["healthy"])
        e = "File_7 (/v/./e.mp4): {E}.otp "
        self.assertEqual(set(report["problems"]) - {"File_8 (/v/e.mp4): path file {Z}.otp is missing"}, {
            "File_2 (/v/c.mp4): path file {C}.otp is not a readable path file",
            "File_3 (/v/gone.mp4): path file {GONE}.otp is missing",
            'File_4: database name "../x" is not one the library accepts (the library skips it)',
            "File_0 and File_6 both name /v/a.mp4 (the later one counts)",
            "File_1, File_6 share the path file {B}.otp",
            "stray.otp: no entry names this path file",
            f"identity {GUID_A} appears 2 times: /v/a.mp4 #0, /v/d.mp4 #0",
            f"identity {GUID_B} appears 2 times: /v/b.mp4 #0, /v/a.mp4 #0",
            e + "is only partly readable: the library reads 782 of its 786 bytes",
            e + 'path 0: malformed GUID "{e}"',
            e + "path 0: frames do not increase at node 1 (frame 3 after 5)",
            e + "path 0: node 1 (frame 3) holds a value that is not finite",
            "/v/./e.mp4, /v/e.mp4 name one media file in different spellings (separate entries)"})


SVG = "{http://www.w3.org/2000/svg}"


class Plot(ToolCase):
    def picture(self, *args):
        self.run_tool("plot", self.file("a.otp"), "-o", self.file("a.svg"), *args)
        root = ET.parse(self.file("a.svg")).getroot()
        if shutil.which("rsvg-convert"):  # librsvg2-bin: the picture renders at its stated size
            png = subprocess.run(["rsvg-convert", "-f", "png", self.file("a.svg")],
                                 capture_output=True, check=True, timeout=120).stdout
            self.assertEqual(struct.unpack(">II", png[16:24]),
                             (round(float(root.get("width"))), round(float(root.get("height")))))
        return root

    def test_views(self):
        line = [(f, 0.1 + 0.01 * f, 0.5, 0.1, 0.1, 0.2) for f in range(20)] + [(60, 0.8, 0.5, 0.1, 0.1)]
        curve = [(0, 0.2, 0.3, 0.1, 0.1), (10, 0.4, 0.5, 0.1, 0.1, 0.5, 1, 0.3, 0.7), (20, 0.6, 0.4, 0.1, 0.1)]
        self.file("a.otp", ob.otp([ob.path(line, guid=GUID_A, frame_shape=(1280, 720, 2)),
                                   ob.path(curve, guid=GUID_B)]))
        root = self.picture()
        a, b = [g for g in root.iter(SVG + "g")]
        count = lambda g, kind: len([e for e in g if e.get("class") == kind])
        # Boxes only where the simplification keeps nodes: the ends and the gap.
        self.assertEqual([count(a, k) for k in ("box", "node", "start", "end", "gap")], [3, 21, 1, 1, 1])
        self.assertIn("Q 308.00 182.00 596.00 344.00", b.find(SVG + "path").get("d"))
        self.assertIn("1280", [t.text for t in root if t.get("class") == "axis"])
        self.assertEqual([count(g, "box") for g in self.picture("--boxes", "all").iter(SVG + "g")], [21, 3])
        self.assertEqual([count(g, "box") for g in self.picture("--boxes", "none").iter(SVG + "g")], [0, 0])
        times = self.picture("--time", "--guid", GUID_A)
        self.assertEqual([e.get("class") for e in times if e.tag == SVG + "path"], ["time", "gap"] * 2)
        self.file("b.otp", ob.otp([ob.path(line[::4], guid=GUID_A)]))
        compare = self.picture("--compare", self.file("b.otp"), "--guid", GUID_A)
        mine, other = [g.find(SVG + "path").get("stroke") for g in compare.iter(SVG + "g")]
        self.assertNotEqual(mine, other)


class Simplify(ToolCase):
    def test_straight_run_collapses_and_input_stays(self):
        # Evenly timed along a straight line, equal boxes: only the ends are needed.
        line = [(f, 0.1 + 0.01 * f, 0.5, 0.1, 0.1) for f in range(0, 50)]
        turn = [(0, 0.1, 0.1, 0.1, 0.1), (10, 0.5, 0.1, 0.1, 0.1), (20, 0.5, 0.5, 0.1, 0.1)]
        src = self.file("in.otp", ob.otp([ob.path(line, guid=GUID_A),
                                          ob.path(turn, guid=GUID_B)]))
        before = self.read(src)
        out = self.file("out.otp")
        r = self.run_tool("simplify", src, "-o", out)
        self.assertEqual(r.stdout.splitlines(), [
            f"path 0 {GUID_A}: 50 -> 2 nodes",
            f"path 1 {GUID_B}: 3 -> 3 nodes",
            f"all paths: 53 -> 5 nodes, written to {out}"])
        self.assertEqual(self.read(src), before)
        self.assertEqual([p["nodes"] for p in self.json_of("info", out)], [2, 3])


class Database(ToolCase):
    def test_import_show_box_relink_delete(self):
        folder, media = os.path.join(self.dir, "db"), os.path.join(self.dir, "Clip.MP4")
        nodes = [(10, 0.2, 0.2, 0.1, 0.1), (20, 0.4, 0.3, 0.1, 0.1), (40, 0.6, 0.5, 0.3, 0.3),
                 (42, 0.6, 0.5, 0.3, 0.3)]
        src = self.file("one.otp", ob.otp([ob.path(nodes, guid=GUID_A, assoc=media, size=7)]))
        r = self.run_tool("db", "import", folder, media, src)
        self.assertEqual(r.stdout.splitlines(), [f"path 0: {GUID_A}", f"imported 1 path for {media}"])
        self.assertIn("second entry", self.run_tool("db", "import", folder, os.path.join(self.dir, "x", "..", "Clip.MP4"), src).stderr)
        self.assertEqual(self.json_of("db", "show", folder, media.lower())[0]["guid"], GUID_A)
        # Halfway between the nodes at 20 and 40, in a gap longer than usual.
        r = self.run_tool("box", folder, GUID_A, "30", "--target", "1920x1080")
        self.assertIn("normalised  x 0.500000  y 0.400000  width 0.200000  height 0.200000", r.stdout)
        self.assertIn("lies in a gap of 20 frames (20..40)", r.stderr)
        r = self.run_tool("box", folder, GUID_A, "--frames", "42:43", "--json")
        self.assertEqual([(b["frame"], b["pixels"]["right"]) for b in json.loads(r.stdout)], [(42, 1440), (43, 1440)])
        self.assertIn("frame 43 lies outside the path (frames 10..42)", r.stderr)
        # Relink names the condition that failed.
        self.file("wrong.mp4", b"123")
        for new, message in ((self.file("missing.mp4"), "missing.mp4 does not exist"),
                             (self.file("wrong.mp4"), "wrong.mp4 is 3 bytes but the paths record 7 bytes"),
                             (media + "x", "does not exist")):
            self.assert_fails("db", "relink", folder, media, new, mentions=message)
        self.assert_fails("db", "relink", folder, "/none.mp4", self.file("wrong.mp4"), mentions="has no paths")
        renamed = self.file("final.mp4", b"1234567")
        self.run_tool("db", "relink", folder, media, renamed)
        self.assertTrue(self.run_tool("db", "list", folder).stdout.startswith(renamed + "  "))
        self.run_tool("db", "delete", folder, renamed)
        self.assert_fails("db", "show", folder, renamed, mentions="no paths for")
        # A path file gone from the folder is told apart from no paths.
        entry = self.json_of("db", "list", folder)[0]
        os.remove(os.path.join(folder, entry["pathFile"]))
        self.assert_fails("db", "show", folder, entry["media"], mentions=entry["pathFile"] + " of")


class Demo(ToolCase):
    def test_demo_runs_through_the_library(self):
        out = os.path.join(self.dir, "demo")
        report = self.run_tool("demo", out).stdout
        self.assertEqual(sorted(os.listdir(out)),
                         ["clip-final.mp4", "database", "paths-simplified.svg", "paths.svg"])
        # The straight part of object 1 collapses; the circle keeps more nodes.
        self.assertRegex(report, r"object 1 300 -> \d+ nodes, object 2 300 -> \d+ nodes")
        # One entry for the renamed clip, and the tool's own check finds it healthy.
        self.assertTrue(self.json_of("check", os.path.join(out, "database"))["healthy"])
        # A second run into the same folder refuses rather than mixing runs.
        self.assert_fails("demo", out, mentions="exists already")


def test_index_read_as_the_library_reads_it(self):
    # Names the library refuses are skipped, keys are folded as it folds them,
    # and the orphan this leaves shows in the JSON report too.
    self.file("{A}.otp", ob.otp([ob.path([(0, 0.2, 0.3, 0.1, 0.1)], guid=GUID_A)]))
    self.file("{B}.otp", ob.otp([ob.path([(0, 0.2, 0.3, 0.1, 0.1)], guid=GUID_B, assoc="/v/b.mp4")]))
    long_name = "n" * 300
    self.file("Molvaren.ini", ("[Setting]\nNumOfFiles=3\n[File_0]\nAssiciateFile=/v/ÉTÉ.mp4\n"
                               "DataBaseName={A}\n[File_1]\nAssiciateFile=/v/b.mp4\nDataBaseName={B}*\n"
                               f"[File_2]\nAssiciateFile=/v/c.mp4\nDataBaseName={long_name}\n").encode())
    self.assertEqual([e["media"] for e in self.json_of("db", "list", self.dir)],
                     ["/v/été.mp4", "/v/b.mp4", "/v/c.mp4"])
    report = json.loads(self.run_tool("check", self.dir, "--json", ok=False).stdout)
    skipped = [p for p in report["problems"] if p.endswith("(the library skips it)")]
    self.assertEqual([p.split(":")[0] for p in skipped], ["File_1", "File_2"])
    self.assertEqual(report["orphans"], [{"pathFile": self.file("{B}.otp"), "adoptAs": "/v/b.mp4", "reason": ""}])


FolderCheck.test_index_read_as_the_library_reads_it = test_index_read_as_the_library_reads_it


if __name__ == "__main__":
    MLVR = os.path.abspath(sys.argv.pop(1))
    unittest.main()
