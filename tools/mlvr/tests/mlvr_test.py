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
import zlib

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

    def run_tool(self, *args, ok=True):
        r = subprocess.run([MLVR, *args], capture_output=True, text=True,
                           errors="replace", timeout=120)
        if ok:
            self.assertEqual(r.returncode, 0, f"mlvr {' '.join(args)}: {r.stderr}")
        return r

    def assert_fails(self, *args, mentions=""):
        r = self.run_tool(*args, ok=False)
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


class InfoAndDump(ToolCase):
    def test_table_and_nodes(self):
        src = self.file("a.otp", rich_file())
        out = self.run_tool("info", src).stdout.splitlines()
        self.assertEqual(out[0].split()[:4], ["#", "GUID", "associate", "file"])
        row = out[1].split()
        self.assertEqual(row[:3], ["0", GUID_A, "/media/clips/été.mp4"])
        # in, out, nodes, track type, frame, video, turn
        self.assertEqual(row[3:], ["0", "30", "3", "403", "4:3", "1920:800", "270"])
        self.assertEqual(out[-1], "2 paths")

        dump = self.run_tool("dump", src).stdout.splitlines()
        self.assertTrue(dump[0].startswith("path 0 " + GUID_A))
        self.assertIn("frames 0..30  3 nodes", dump[0])
        self.assertIn("frame     12  x 0.500000  y 0.500000  w 0.125000  h 0.250000", dump[2])
        self.assertIn("bezier ctrl (0.400000, 0.900000)", dump[2])
        self.assertIn("type 7", dump[3])
        self.assertTrue(dump[4].startswith("  extra  frame     99"))
        self.assertTrue(dump[5].startswith("path 1 {odd}"))
        self.assertEqual(len(dump), 7)


class JsonRoundTrip(ToolCase):
    def test_export_import_is_byte_identical(self):
        original = rich_file()
        src = self.file("a.otp", original)
        self.run_tool("export", src, "-o", self.file("a.json"))
        self.run_tool("import", self.file("a.json"), "-o", self.file("b.otp"))
        self.assertEqual(self.read(self.file("b.otp")), original)
        self.run_tool("export", self.file("b.otp"), "-o", self.file("b.json"))
        self.assertEqual(self.read(self.file("a.json")), self.read(self.file("b.json")))
        # Standard output carries the same text.
        self.assertEqual(self.run_tool("export", src).stdout.encode(), self.read(self.file("a.json")))

    def test_json_carries_every_field(self):
        src = self.file("a.otp", rich_file())
        doc = json.loads(self.run_tool("export", src).stdout)
        self.assertEqual(doc["format"], "molvaren-path-list")
        self.assertEqual(doc["header"]["abReserved1"], bytes(range(51)).hex())
        self.assertEqual(doc["header"]["abReserved2"], bytes(range(200, 220)).hex())
        a, b = doc["paths"]
        self.assertEqual((a["dwMatchKey1"], a["dwMatchKey2"], a["dwMatchKey3"]), (1, 0xFFFFFFFF, 3))
        self.assertEqual(a["qwAssociateFileSize"], 123456789012)
        self.assertEqual(a["pReserved"], 0xDEADBEEF)
        self.assertEqual([a[k] for k in ("dwReserved1", "dwReserved2", "dwReserved3",
                                         "dwReserved4", "dwReserved5")], [11, 22, 33, 44, 55])
        self.assertEqual((a["nVideoWidth"], a["nVideoHeight"], a["nVideoAspect"]), (1920, 800, 2))
        self.assertEqual((a["nFrameWidth"], a["nFrameHeight"], a["nFrameAspect"]), (4, 3, 1))
        self.assertEqual(a["szOriginGUID"], GUID_B)
        self.assertEqual(a["fRotation"], 270.0)
        self.assertEqual((a["nTrackType"], a["nTrackParam"]), (403, 77))
        self.assertEqual(a["bHasExtraNode"], 1)
        self.assertEqual(a["extraNode"]["dwReserved"], [9, 8, 7, 6, 5])
        n0, n1, n2 = a["nodes"]
        self.assertEqual(n0["fXPos"], 0.25)
        self.assertEqual(n0["dwReserved"], [1, 2, 3, 4, 5])
        self.assertEqual(n2["fXPos"], "0x7FC00123")
        self.assertEqual(n2["fCtrlXPos"], "0xFF800000")
        self.assertEqual(n2["nPathType"], 7)
        self.assertEqual(b["szGUID"], {"hex": ob.text(b"{odd}\0junk", 39).hex()})
        self.assertEqual(b["szAssociateFile"],
                         {"hex": ob.text(b"C:\\clips\\\xe9t\xe9.avi", 260).hex()})
        self.assertIsNone(b["extraNode"])

    def test_handwritten_json_gives_the_expected_bytes(self):
        node = {"dwSize": 60, "nFrameIndex": 4, "fConfidence": 1, "fXPos": 0.5, "fYPos": 0.25,
                "fWidth": 0.1, "fHeight": "0x3E800000", "nPathType": 0, "fCtrlXPos": 0,
                "fCtrlYPos": 0, "dwReserved": [0, 0, 0, 0, 6]}
        path = {"dwSize": 544, "dwMatchKey1": 0, "dwMatchKey2": 0, "dwMatchKey3": 0,
                "szAssociateFile": "clip.mp4", "qwAssociateFileSize": 10, "szGUID": GUID_A,
                "szTimeStamp": "20261206.000000.000", "dwReserved1": 0, "nPathInIndex": 4,
                "nPathOutIndex": 4, "nTotalPathNodeNum": 1, "pReserved": 0, "dwReserved2": 0,
                "bHasExtraNode": 0, "dwReserved3": 0, "nVideoWidth": 0, "nVideoHeight": 0,
                "nVideoAspect": 1, "nFrameWidth": 0, "nFrameHeight": 0, "nFrameAspect": 0,
                "dwReserved4": 0, "szOriginGUID": "", "dwReserved5": 0, "fRotation": 0,
                "nTrackType": 401, "nTrackParam": 20, "dwReserved6": 0, "nodes": [node],
                "extraNode": None}
        doc = {"format": "molvaren-path-list", "version": 1,
               "header": {"dwSize": 88, "abReserved1": "00" * 51, "nNumOfPathInfos": 1,
                          "abReserved2": "00" * 20},
               "paths": [path]}
        self.file("in.json", json.dumps(doc).encode())
        self.run_tool("import", self.file("in.json"), "-o", self.file("out.otp"))
        expected = ob.otp([ob.path([(4, 0.5, 0.25, 0.1, 0.25, 1.0, 0, 0, 0, (0, 0, 0, 0, 6))],
                                   guid=GUID_A, assoc="clip.mp4", size=10,
                                   stamp="20261206.000000.000", video=(0, 0, 1))])
        self.assertEqual(self.read(self.file("out.otp")), expected)


class Errors(ToolCase):
    def test_each_error_is_one_line_and_writes_nothing(self):
        good = self.file("good.otp", rich_file())
        self.file("junk.otp", b"this is not a path file at all")
        wrong_version = bytearray(rich_file())
        wrong_version[42] = 102
        self.file("v102.otp", bytes(wrong_version))
        self.file("bad.json", b"{\"format\": ")
        self.file("wrong.json", json.dumps({"format": "something else", "version": 1}).encode())
        before = self.files()

        self.assert_fails("info", self.file("missing.otp"), mentions="no such file")
        self.assert_fails("dump", self.file("junk.otp"), mentions="not a readable path file")
        self.assert_fails("export", self.file("v102.otp"), "-o", self.file("x.json"),
                          mentions="not a readable path file")
        self.assert_fails("import", self.file("bad.json"), "-o", self.file("x.otp"),
                          mentions="not valid JSON")
        self.assert_fails("import", self.file("wrong.json"), "-o", self.file("x.otp"),
                          mentions="format")
        self.assert_fails("plot", good, "-o", self.file("x.svg"), "--guid", "{nope}",
                          mentions="no path with GUID {nope}")
        self.assert_fails("plot", good, "-o", self.file("x.svg"), "--frames", "9:x",
                          mentions="--frames")
        self.assert_fails("export", good, "-o", os.path.join(self.dir, "no", "such", "x.json"),
                          mentions="cannot write")
        self.assert_fails("info", mentions="file")
        self.assert_fails("frobnicate", mentions="subcommand")
        self.assertEqual(self.files(), before)

    def test_bad_members_are_named(self):
        doc = json.loads(self.run_tool("export", self.file("a.otp", rich_file())).stdout)
        cases = [
            (("paths", 0, "nodes", 1, "fXPos"), "abc", "paths[0].nodes[1].fXPos"),
            (("paths", 0, "nTotalPathNodeNum"), 5, "nTotalPathNodeNum"),
            (("paths", 1, "szGUID"), "x" * 39, "paths[1].szGUID"),
            (("paths", 0, "dwMatchKey1"), -1, "out of range"),
            (("paths", 0, "nodes", 0, "dwReserved"), [1, 2], "dwReserved"),
            (("header", "abReserved1"), "00", "abReserved1"),
            (("paths", 1, "bHasExtraNode"), 1, "extraNode"),
        ]
        for keys, value, message in cases:
            broken = json.loads(json.dumps(doc))
            at = broken
            for k in keys[:-1]:
                at = at[k]
            at[keys[-1]] = value
            self.file("broken.json", json.dumps(broken).encode())
            with self.subTest(keys=keys):
                self.assert_fails("import", self.file("broken.json"), "-o", self.file("x.otp"),
                                  mentions=message)
                self.assertFalse(os.path.exists(self.file("x.otp")))
        # An existing output stays as it was when the import fails.
        self.file("keep.otp", b"old")
        self.assert_fails("import", self.file("broken.json"), "-o", self.file("keep.otp"))
        self.assertEqual(self.read(self.file("keep.otp")), b"old")


class FolderCheck(ToolCase):
    def make_folder(self):
        good = ob.otp([ob.path([(0, 0.2, 0.3, 0.1, 0.1)], guid=GUID_A)])
        other = ob.otp([ob.path([(0, 0.2, 0.3, 0.1, 0.1)], guid=GUID_B)])
        self.file("{A}.otp", good)
        self.file("{B}.otp", other)
        index = ("[File_0]\nAssiciateFile=/v/A.mp4\nDataBaseName={A}\n"
                 "[File_1]\nAssiciateFile=/v/b.mp4\nDataBaseName={B}\n"
                 "[Setting]\nNumOfFiles=2\n")
        self.file("Molvaren.ini", index.encode())

    def test_healthy_folder(self):
        self.make_folder()
        before = {n: self.read(self.file(n)) for n in self.files()}
        r = self.run_tool("check", self.dir)
        self.assertEqual(r.stdout.splitlines()[1:], ["2 entries, 2 paths", "healthy"])
        self.assertEqual(r.stderr, "")  # no progress bar when not on a terminal
        listed = self.run_tool("db", "list", self.dir).stdout.splitlines()
        self.assertEqual(listed, ["/v/a.mp4  {A}.otp  1 path", "/v/b.mp4  {B}.otp  1 path",
                                  "2 media files"])
        self.assertEqual({n: self.read(self.file(n)) for n in self.files()}, before)

    def test_every_kind_of_problem(self):
        self.make_folder()
        self.file("{C}.otp", b"junk")
        self.file("stray.otp", ob.otp([]))
        self.file("{D}.otp", ob.otp([ob.path([(0, 0.2, 0.3, 0.1, 0.1)], guid=GUID_A)]))
        index = ("[File_0]\nAssiciateFile=/v/A.mp4\nDataBaseName={A}\n"
                 "[File_1]\nAssiciateFile=/v/b.mp4\nDataBaseName={B}\n"
                 "[file_2]\nassiciatefile=/v/c.mp4\nDataBaseName={C}\n"
                 "[File_3]\nAssiciateFile=/v/gone.mp4\nDataBaseName={GONE}\n"
                 "[File_4]\nAssiciateFile=/v/x.mp4\nDataBaseName=../x\n"
                 "[File_5]\nAssiciateFile=/v/d.mp4\nDataBaseName={D}\n"
                 "[File_6]\nAssiciateFile=/v/a.MP4\nDataBaseName={B}\n"
                 "[File_9]\nAssiciateFile=/v/beyond.mp4\nDataBaseName={E}\n"
                 "[Setting]\nNumOfFiles=7\n")
        self.file("Molvaren.ini", index.encode())
        r = self.run_tool("check", self.dir, ok=False)
        self.assertEqual(r.returncode, 1)
        problems = [l[len("  problem: "):] for l in r.stdout.splitlines() if "problem:" in l]
        self.assertIn("File_2 (/v/c.mp4): path file {C}.otp is not a readable path file", problems)
        self.assertIn("File_3 (/v/gone.mp4): path file {GONE}.otp is missing", problems)
        self.assertIn('File_4: database name "../x" would leave the folder (the library skips it)',
                      problems)
        self.assertIn("File_0 and File_6 both name /v/a.mp4 (the later one counts)", problems)
        self.assertIn("File_1, File_6 share the path file {B}.otp", problems)
        self.assertIn("stray.otp: no entry names this path file", problems)
        self.assertTrue(any(p.startswith("identity " + GUID_A + " appears 2 times") for p in problems),
                        problems)
        self.assertFalse(any("beyond" in p or "{E}" in p for p in problems), problems)
        self.assertEqual(r.stdout.splitlines()[-1], f"{len(problems)} problems")

    def test_not_a_database(self):
        self.assert_fails("check", self.file("missing"), mentions="no such folder")
        r = self.run_tool("check", self.dir, ok=False)
        self.assertEqual(r.returncode, 1)
        self.assertIn("no index", r.stdout)
        self.assert_fails("db", "list", self.dir, mentions="not a database folder")


def read_png(path):
    """RGB pixels of an 8-bit, non-interlaced RGB or RGBA PNG as rows of tuples."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width, height, bpp = 8, b"", 0, 0, 4
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0
            bpp = 4 if colour == 6 else 3
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * bpp:x * bpp + 3]) for x in range(width)])
        prev = line
    return width, height, rows


SVG = "{http://www.w3.org/2000/svg}"


class Plot(ToolCase):
    def two_paths(self):
        curve = [(0, 0.2, 0.3, 0.1, 0.1), (10, 0.4, 0.5, 0.1, 0.1, 0.5, 1, 0.3, 0.7),
                 (20, 0.6, 0.4, 0.1, 0.1), (30, 0.8, 0.4, 0.1, 0.1)]
        line = [(0, 0.5, 0.8, 0.05, 0.05), (40, 0.5, 0.2, 0.05, 0.05)]
        return ob.otp([ob.path(curve, guid=GUID_A), ob.path(line, guid=GUID_B)])

    def test_svg_structure(self):
        src = self.file("a.otp", self.two_paths())
        self.run_tool("plot", src, "-o", self.file("a.svg"))
        root = ET.parse(self.file("a.svg")).getroot()
        self.assertEqual(root.tag, SVG + "svg")
        groups = [g for g in root.iter(SVG + "g") if "path" in g.get("class").split()]
        self.assertEqual([g.get("data-guid") for g in groups], [GUID_A, GUID_B])
        circles = groups[0].findall(SVG + "circle")
        self.assertEqual(len(circles), 4)
        # Frame 960 x 540 at a 20-pixel margin; y drawn upward.
        self.assertEqual((float(circles[0].get("cx")), float(circles[0].get("cy"))),
                         (20 + 0.2 * 960, 20 + (1 - 0.3) * 540))
        d = groups[0].find(SVG + "path").get("d").split()
        # The bezier segment from node 1 bends through its control point.
        self.assertEqual(d[:3], ["M", "212.00", "398.00"])
        self.assertEqual(d[6:11], ["Q", "308.00", "182.00", "596.00", "344.00"])
        self.assertEqual(d[11], "L")
        self.assertEqual(len(groups[0].findall(SVG + "polyline")), 1)
        boxes = groups[0].findall(SVG + "rect")
        box = [b for b in boxes if b.get("class") == "box"][0]
        self.assertEqual([float(box.get(k)) for k in ("x", "y", "width", "height")],
                         [20 + 0.15 * 960, 20 + (1 - 0.35) * 540, 96.0, 54.0])

    def test_filters_and_compare(self):
        src = self.file("a.otp", self.two_paths())
        self.run_tool("plot", src, "-o", self.file("g.svg"), "--guid", GUID_B, "--frames", "0:10")
        root = ET.parse(self.file("g.svg")).getroot()
        groups = [g for g in root.iter(SVG + "g")]
        self.assertEqual([g.get("data-guid") for g in groups], [GUID_B])
        self.assertEqual(len(groups[0].findall(SVG + "circle")), 1)

        fewer = ob.otp([ob.path([(0, 0.2, 0.3, 0.1, 0.1), (30, 0.8, 0.4, 0.1, 0.1)], guid=GUID_A)])
        other = self.file("b.otp", fewer)
        self.run_tool("plot", src, "-o", self.file("c.svg"), "--compare", other)
        root = ET.parse(self.file("c.svg")).getroot()
        kinds = [(g.get("class"), g.get("data-guid")) for g in root.iter(SVG + "g")]
        self.assertEqual(kinds, [("path", GUID_A), ("path compare", GUID_A), ("path", GUID_B)])
        dashed = [g for g in root.iter(SVG + "g") if g.get("class") == "path compare"][0]
        self.assertEqual(len(dashed.findall(SVG + "circle")), 2)
        self.assertIsNotNone(dashed.find(SVG + "path").get("stroke-dasharray"))

    @unittest.skipUnless(shutil.which("rsvg-convert"), "rsvg-convert (librsvg2-bin) missing")
    def test_rendered_pixels_lie_on_the_boxes(self):
        # Large overlapping boxes along a straight line, so that everything
        # drawn for the path stays inside the union of its boxes.
        nodes = [(i, 0.3 + 0.04 * i, 0.3 + 0.02 * i, 0.2, 0.2) for i in range(8)]
        src = self.file("a.otp", ob.otp([ob.path(nodes, guid=GUID_A)]))
        self.run_tool("plot", src, "-o", self.file("a.svg"))
        subprocess.run(["rsvg-convert", "-f", "png", "-o", self.file("a.png"), self.file("a.svg")],
                       check=True, timeout=120)
        width, height, rows = read_png(self.file("a.png"))
        self.assertEqual((width, height), (1000, 596))

        def inside_some_box(px, py):
            for _, x, y, w, h in nodes:
                left, right = 20 + (x - w / 2) * 960 - 3, 20 + (x + w / 2) * 960 + 3
                top, bottom = 20 + (1 - y - h / 2) * 540 - 3, 20 + (1 - y + h / 2) * 540 + 3
                if left <= px <= right and top <= py <= bottom:
                    return True
            return False

        drawn = 0
        for py in range(22, 558):  # inside the frame's border
            for px in range(22, 978):
                if rows[py][px][:3] != (255, 255, 255):
                    drawn += 1
                    self.assertTrue(inside_some_box(px, py), (px, py))
        self.assertGreater(drawn, 500)
        # Every box outline shows: the middle of each box's top edge is drawn.
        for _, x, y, w, h in nodes:
            px, py = round(20 + x * 960), round(20 + (1 - y - h / 2) * 540)
            self.assertTrue(any(rows[py + dy][px][:3] != (255, 255, 255) for dy in (-1, 0, 1)))


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
        dumped = self.run_tool("dump", out).stdout
        frames = [int(f) for f in __import__("re").findall(r"frame +(\d+)  x", dumped)]
        self.assertEqual(frames, [0, 49, 0, 10, 20])

    def test_failure_writes_nothing(self):
        self.assert_fails("simplify", self.file("none.otp"), "-o", self.file("out.otp"),
                          mentions="none.otp")
        self.assertEqual(self.files(), [])


class Database(ToolCase):
    def test_import_show_box_relink_delete(self):
        folder = os.path.join(self.dir, "db")
        media = os.path.join(self.dir, "Clip.MP4")
        nodes = [(10, 0.2, 0.2, 0.1, 0.1), (20, 0.4, 0.3, 0.1, 0.1), (40, 0.6, 0.5, 0.3, 0.3)]
        src = self.file("one.otp", ob.otp([ob.path(nodes, guid=GUID_A, assoc=media, size=7,
                                                   stamp="20261206.193000.125")]))
        r = self.run_tool("db", "import", folder, media, src)
        self.assertEqual(r.stdout.splitlines(), [f"path 0: {GUID_A}", f"imported 1 path for {media}"])
        self.assertIn("Molvaren.ini", os.listdir(folder))
        self.assertEqual(len([n for n in os.listdir(folder) if n.endswith(".otp")]), 1)

        # Letter case of the media file does not matter.
        shown = self.run_tool("db", "show", folder, media.lower()).stdout
        self.assertIn(GUID_A, shown)

        # Halfway between the nodes at 20 and 40, in the path's own frame shape.
        box = self.run_tool("box", folder, GUID_A, "30", "--target", "1920x1080").stdout
        self.assertIn("normalised  x 0.500000  y 0.400000  width 0.200000  height 0.200000", box)
        self.assertIn("associate file " + media.lower(), box)
        self.assert_fails("box", folder, GUID_A.lower(), "30", mentions="no path with GUID")
        self.assert_fails("box", folder, GUID_A, "30", "--target", "19x", mentions="--target")

        # Relink: the new file must exist and have the recorded size.
        self.assert_fails("db", "relink", folder, media, self.file("missing.mp4"),
                          mentions="relink refused")
        wrong = self.file("wrong.mp4", b"123")
        self.assert_fails("db", "relink", folder, media, wrong, mentions="relink refused")
        renamed = self.file("final.mp4", b"1234567")
        self.run_tool("db", "relink", folder, media, renamed)
        listed = self.run_tool("db", "list", folder).stdout.splitlines()
        self.assertEqual(len(listed), 2, listed)
        self.assertTrue(listed[0].startswith(renamed + "  "), listed)
        self.assertIn(GUID_A, self.run_tool("db", "show", folder, renamed).stdout)
        self.assert_fails("db", "show", folder, media, mentions="no paths for")

        self.run_tool("db", "delete", folder, renamed)
        self.assertEqual([n for n in os.listdir(folder) if n.endswith(".otp")], [])
        self.assert_fails("db", "show", folder, renamed, mentions="no paths for")

    def test_folders_that_are_not_databases_are_left_alone(self):
        plain = os.path.join(self.dir, "plain")
        os.mkdir(plain)
        for args in (("db", "show", plain, "x.mp4"), ("db", "delete", plain, "x.mp4"),
                     ("box", plain, GUID_A, "0")):
            self.assert_fails(*args, mentions="not a database folder")
        self.assertEqual(os.listdir(plain), [])


class Demo(ToolCase):
    def test_demo_runs_through_the_library(self):
        out = os.path.join(self.dir, "demo")
        r = self.run_tool("demo", out)
        report = r.stdout
        for step in range(1, 9):
            self.assertIn(f"\n{step}. ", "\n" + report)
        self.assertEqual(sorted(os.listdir(out)),
                         ["clip-final.mp4", "database", "paths-simplified.svg", "paths.svg"])
        # The straight part of object 1 collapses; the circle keeps more nodes.
        self.assertRegex(report, r"object 1 300 -> \d+ nodes, object 2 300 -> \d+ nodes")
        # The folder on disk holds one entry for the renamed clip, and the
        # tool's own read-only check finds it healthy.
        check = self.run_tool("check", os.path.join(out, "database")).stdout
        self.assertIn("healthy", check)
        listed = self.run_tool("db", "list", os.path.join(out, "database")).stdout
        self.assertIn(os.path.join(out, "clip-final.mp4") + "  ", listed)
        self.assertIn("2 paths", listed)
        for svg in ("paths.svg", "paths-simplified.svg"):
            root = ET.parse(os.path.join(out, svg)).getroot()
            self.assertTrue(root.tag.endswith("svg"))
        # Portrait boxes: normalised to the target, inside it.
        for m in __import__("re").finditer(r"normalised  x (\S+)  y (\S+)  width (\S+)", report):
            x, y, w = map(float, m.groups())
            self.assertTrue(0 <= x <= 1 and 0 <= y <= 1 and 0 < w < 1, m.group(0))
        # A second run into the same folder refuses rather than mixing runs.
        self.assert_fails("demo", out, mentions="exists already")


if __name__ == "__main__":
    MLVR = os.path.abspath(sys.argv.pop(1))
    unittest.main()
