"""mlvr as a user runs it (python3 mlvr_test.py MLVR [unittest arguments]): per family of commands, a table of
(shell line, exit status, what the output holds) run in turn in a fresh folder. A line that fails prints one line,
"mlvr: ...", and changes no file."""
import json, os, pathlib, re, shutil, struct, subprocess, sys, tempfile, unittest
import xml.etree.ElementTree as ET

import otp_bytes as ob

GA, GB = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", "{11111111-2222-3333-4444-555555555555}"
AS_OWNER = "unshare --user --map-user=1000 --map-group=1000"  # root writes anyway: drop that
CAN_DROP = os.geteuid() != 0 or subprocess.run([*AS_OWNER.split(), "true"], capture_output=True).returncode == 0
NAN, NEG_INF = struct.unpack("<2f", struct.pack("<2I", 0x7FC00123, 0xFF800000))  # the NaN with a payload
SHELL = """mlvr() { "$MLVR" "$@"; }
ro() { chmod 555 "$1"; $AS_OWNER "$MLVR" check --repair "$1"; s=$?; chmod 755 "$1"; return $s; }\n"""


def one(guid, media="", nodes=((0, 0.2, 0.3, 0.1, 0.1),)):
    return ob.otp([ob.path(list(nodes), guid=guid, assoc=media)])


def ini(*entries):
    return "".join(f"[File_{i}]\nAssiciateFile={m}\nDataBaseName={f}\n" for i, (m, f) in enumerate(entries)) + \
        f"[Setting]\nNumOfFiles={len(entries)}\n"


def json_is(pick, want):
    return lambda out: pick(json.loads(out)) == want


class Table(unittest.TestCase):
    def test_rows(self):
        with tempfile.TemporaryDirectory() as d:
            for name, data in self.files.items():
                os.makedirs(os.path.dirname(os.path.join(d, name)), exist_ok=True)
                pathlib.Path(d, name).write_bytes(data.encode() if isinstance(data, str) else data)
            tree = lambda: [(r, ds, fs, [pathlib.Path(r, f).read_bytes() for f in fs]) for r, ds, fs in os.walk(d)]
            for line, status, *wants in self.rows:
                with self.subTest(line=line):
                    if line.startswith("ro ") and not CAN_DROP:
                        self.skipTest("root cannot drop its rights here (no user namespaces)")
                    before = tree()
                    r = subprocess.run(["sh", "-c", SHELL + line], cwd=d, capture_output=True, timeout=120,
                                       env=dict(os.environ, MLVR=MLVR, AS_OWNER=AS_OWNER))
                    out, err = r.stdout.decode(errors="replace"), r.stderr.decode(errors="replace")
                    self.assertEqual(r.returncode, status, out + err)
                    if status and not out:
                        self.assertRegex(err, r"\Amlvr: [^\n]+\n\Z")
                        self.assertEqual(tree(), before)
                    for want in wants:
                        if callable(want):
                            self.assertTrue(want(out), out + err)
                        else:  # spacing aside
                            self.assertIn(" ".join(want.split()), " ".join((out + err).split()))


def family(name, files, rows):
    globals()[name] = type(name, (Table,), {"files": files, "rows": rows})


# Two paths using every field, odd values included; text fields with bytes after the NUL, or not UTF-8.
RICH = ob.otp([ob.path([(0, 0.25, 0.75, 0.1, 0.2, 0.9, 0, 0.3, 0.7, (1, 2, 3, 4, 5)),
                        (12, 0.5, 0.5, 0.125, 0.25, -0.0, 1, 0.4, 0.9, (0, 0, 0, 0, 0xFFFFFFFF)),
                        (30, NAN, 0.1, 1e-30, 3.4e38, 0.0, 7, NEG_INF, 0.2)],
                       guid=GA, assoc="/media/clips/été.mp4", stamp="20261206.193000.125",
                       extra=(99, 0.5, 0.5, 0.2, 0.2, 0.1, 1, 0.1, 0.2, (9, 8, 7, 6, 5)),
                       keys=(1, 0xFFFFFFFF, 3), size=123456789012, video=(1920, 800, 2), frame_shape=(4, 3, 1),
                       origin=GB, rotation=270.0, track=(403, 77), reserved=(11, 22, 33, 44, 55), p_reserved=0xBEEF),
               ob.path([(5, 0.1, 0.2, 0.3, 0.4)], guid=b"{odd}\0junk", assoc=b"C:\\\xe9t\xe9.avi")],
              reserved1=bytes(range(51)), reserved2=bytes(range(200, 220)))
MOT = ("1,7,100,200,50,40,0.9,-1,-1,-1\n1,3,0,0,1280,720,1,-1,-1,-1\n"
       "2,7,101.5,200.25,50,40,0.8,-1,-1,-1\n5,7,10,20,30,40,0.5,-1,-1,-1\n")
CSV = "frame,left,top,width,height,confidence\n0,10,20,30,40,0.5\n3,12,22,30,40,1\n"
FILES = {"a.otp": RICH, "junk.otp": "not a path file", "t.txt": MOT, "p.csv": CSV, "keep.otp": "old",
         "m.json": json.dumps({"paths": [{"nodes": [{"nFrameIndex": 4, "fXPos": 0.25}, {"nFrameIndex": 8}]}]})}

family("Files", FILES, [
    ("mlvr info a.otp", 0, f"0 {GA} /media/clips/été.mp4 0 30 3 403 4:3 1920:800 270", "2 paths"),
    ("mlvr dump a.otp", 0, "frame 12 x 0.500000 y 0.500000 w 0.125000 h 0.250000",
     "bezier ctrl (0.400000, 0.900000)", "extra frame 99"),
    # Every field in the full form, odd values as bits and bytes, and back byte for byte.
    ("mlvr export a.otp -o e.json && mlvr dump a.otp --json | cmp - e.json && mlvr import e.json -o b.otp && "
     "cmp a.otp b.otp && cat e.json", 0,
     '"abReserved1": "%s"' % bytes(range(51)).hex(), '"fXPos": "0x7FC00123"', '"fCtrlXPos": "0xFF800000"',
     '"szGUID": { "hex": "%s" }' % b"{odd}\0junk".ljust(39, b"\0").hex()),
    # Members left out: a new GUID, in and out from the nodes, control points placed.
    ("mlvr import m.json -o m.otp && mlvr export m.otp", 0, '"nPathInIndex": 4, "nPathOutIndex": 8',
     '"fCtrlXPos": 0.125,',
     lambda out: re.fullmatch(r"\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}", json.loads(out)["paths"][0]["szGUID"])),
    ("mlvr import t.txt --from mot --size 1280x720 --media clip.mp4 -o t.otp && mlvr info t.otp --json", 0,
     json_is(lambda i: [p["associateFile"] for p in i], ["clip.mp4"] * 2)),
    ("mlvr export t.otp --to mot", 0, lambda out: out == "1,1,0,0,1280,720,1,-1,-1,-1\n"
     "1,2,100,200,50,40,0.9,-1,-1,-1\n2,2,101.5,200.25,50,40,0.8,-1,-1,-1\n5,2,10,20,30,40,0.5,-1,-1,-1\n"),
    ("mlvr export t.otp --to MOT --size 640x360", 0, "1,2,50,100,25,20,0.9,-1,-1,-1"),
    ("mlvr import - --from csv --size 640x480 -o - < p.csv | mlvr export - --to csv", 0, lambda out: out == CSV),
    ("mlvr --version", 0, lambda out: re.fullmatch(r"mlvr \d+\.\d+\.\d+\n", out)),
])

BAD_JSON = [  # (path members, what the one line says: where, and why)
    ({"nodes": [{"nFrameIndex": 5}] * 2}, "paths[0].nodes[1].nFrameIndex: frame 5 does not follow frame 5"),
    ({"nodes": [{"fXPos": "abc"}]}, "paths[0].nodes[0].fXPos"), ({"nodes": [{"fWidth": -1}]}, "nodes[0].fWidth"),
    ({"nodes": [{"fXPos": 1e39}]}, "nodes[0].fXPos: not a finite"), ({"szGUID": GA.lower()}, "upper-case"),
    ({"szGUID": "hello"}, 'paths[0].szGUID: "hello" is not a GUID'), ({"dwMatchKey1": -1}, "Key1: out of range"),
    ({"nodes": [{}], "nTotalPathNodeNum": 5}, "does not match the 1 nodes"), ({"bHasExtraNode": 1}, "but no node"),
    ({"nodes": [{}], "nPathInIndex": 500}, "InIndex: is not the first"), ({"xyz": 7}, 'unknown member "xyz"')]
family("Errors", FILES, [(f"mlvr import - -o keep.otp <<'E'\n{json.dumps({'paths': [m]})}\nE", 1, why)
                         for m, why in BAD_JSON] + [
    ("printf '{\"paths\": [1,\\n 2' | mlvr import - -o x.otp", 1, "not valid JSON: the text ends early (line 2)"),
    ("echo '{\"paths\": }' | mlvr import - -o x.otp", 1, "not valid JSON at line 1, column 11"),
    ("echo 1,1,0,0,x,10 | mlvr import - --from mot --size 9x9 -o x.otp", 1, "column 5 (bb_width): 'x' is not a"),
] + [("mlvr " + args, 1, why) for args, why in [
    ("info missing.otp", "no such file"), ("dump junk.otp", "not a readable path file"),
    ("export a.otp -o no/x.json", "cannot write"), ("import m.json -o .", "cannot write"),
    ("import t.txt --from mot -o x.otp", "give the frame size"),
    ("export a.otp --to csv -o x.csv", "a pixel CSV holds one path; the list has 2"),
    ("plot a.otp -o x.svg --guid {nope}", "no path with GUID {nope}"),
    ("plot a.otp -o x.svg --frames 500:600", "no node to draw in frames 500:600"),
    ("db list a.otp", "is a file, not a database folder"), ("check missing", "no such folder"),
    ("db delete . x.mp4", "not a database folder"), ("box . {G} --frames 0:100000", "at most 100000 frames"),
    ("box . {G} 5 --target 9y9", "--target 9y9: expected WIDTHxHEIGHT"),
    ("box . {G} 5 --mode odd", "--mode odd: expected fit, video or cover"), ("check .", "no index"),
]] + [("mlvr " + args, 2, why) for args, why in [  # refused by the command line before any work
    ("import t.txt --from xml -o x.otp", "xml not in"), ("plot a.otp -o x.svg --frames 9:x", "'9:x' is not a frame"),
    ("import t.txt --from mot --size -3x4 -o x.otp", "'-3x4' is not WIDTHxHEIGHT"),
    ("plot a.otp -o x.png", "x.png does not end in .svg"), ("plot a.otp -o x.svg --boxes no", "--boxes"),
    ("box . {G} 5 --frames 1:2", "excludes"), ("info", "file is required"), ("frobnicate", "subcommand"),
]])


def plotted(*classes, want):
    """Per path, how many elements of each class the picture holds; it renders at its stated size."""
    def check(out):
        root, svg = ET.fromstring(out[out.index("<svg"):]), "{http://www.w3.org/2000/svg}"
        if shutil.which("rsvg-convert"):  # librsvg2-bin
            png = subprocess.run(["rsvg-convert"], input=out[out.index("<svg"):].encode(), capture_output=True,
                                 check=True, timeout=120).stdout
            assert struct.unpack(">II", png[16:24]) == tuple(round(float(root.get(k))) for k in ("width", "height"))
        groups = list(root.iter(svg + "g")) or [root]
        return [[sum(e.get("class") == c for e in g) for c in classes] for g in groups] == want
    return check


LINE = [(f, 0.1 + 0.01 * f, 0.5, 0.1, 0.1, 0.2) for f in range(20)] + [(60, 0.8, 0.5, 0.1, 0.1)]
CURVE = [(0, 0.2, 0.3, 0.1, 0.1), (10, 0.4, 0.5, 0.1, 0.1, 0.5, 1, 0.3, 0.7), (20, 0.6, 0.4, 0.1, 0.1)]
family("Plot", {"a.otp": ob.otp([ob.path(LINE, guid=GA, frame_shape=(1280, 720, 2)), ob.path(CURVE, guid=GB)]),
                "b.otp": one(GA, nodes=LINE[::4])}, [
    # Boxes where the simplification keeps nodes: the ends and the gap; the curve as one.
    ("mlvr plot a.otp -o a.svg && cat a.svg", 0, ">1280<", "Q 308.00 182.00 596.00 344.00",
     plotted("box", "node", "start", "end", "gap", want=[[3, 21, 1, 1, 1], [3, 3, 1, 1, 0]])),
    ("mlvr plot a.otp -o - --boxes all", 0, plotted("box", want=[[21], [3]])),
    ("mlvr plot a.otp -o - --boxes none", 0, plotted("box", want=[[0], [0]])),
    ("mlvr plot a.otp -o - --time --guid " + GA, 0, plotted("time", "gap", want=[[2, 2]])),
    ("mlvr plot a.otp -o - --compare b.otp --guid " + GA, 0, 'class="path compare"', 'stroke-dasharray="6 4"',
     plotted("box", want=[[3], [3]])),
])

# Evenly timed along a line, and every other node 0.5 px (of 1920) off such a line.
STRAIGHT = ob.otp([ob.path([(f, 0.1 + 0.01 * f, 0.5, 0.1, 0.1) for f in range(0, 50)], guid=GA),
                   ob.path([(0, 0.1, 0.1, 0.1, 0.1), (10, 0.5, 0.1, 0.1, 0.1), (20, 0.5, 0.5, 0.1, 0.1)], guid=GB)])
NEAR = [(f, 0.2 + 0.005 * f + (0.5 / 1920 if f % 2 else 0), 0.5, 0.1, 0.1) for f in range(100)]
family("Simplify", {"in.otp": STRAIGHT, "copy.otp": STRAIGHT, "n.otp": one("{G}", nodes=NEAR)}, [
    ("mlvr simplify in.otp -o out.otp && cmp in.otp copy.otp && mlvr simplify out.otp -o o2.otp", 0,  # input kept
     f"path 0 {GA}: 50 -> 2 nodes", f"path 1 {GB}: 3 -> 3 nodes", "53 -> 5 nodes, written to out.otp", "5 -> 5 nodes"),
    # The bound in the frame asked for: the 0.5 px in a frame half as wide is 0.25 px.
    ("mlvr simplify n.otp -o 1.otp --max-error 1 && mlvr simplify n.otp -o 2.otp --max-error 0.3 --size 960x540 && "
     "mlvr simplify n.otp -o 3.otp --max-error 0.3", 0, "100 -> 2 nodes, largest deviation 0.49",
     "100 -> 2 nodes, largest deviation 0.24", "100 -> 100 nodes, largest deviation 0.000000 px"),
] + [(f"mlvr simplify n.otp -o x.otp {bad}", 2, why) for bad, why in [
    ("--max-error 0", "a positive number of pixels, not 0"), ("--max-error nan", "not nan"),
    ("--max-error 1 --size 19x", "WIDTHxHEIGHT in pixels"), ("--size 960x540", "requires --max-error")]])

family("Database", {"wrong.mp4": "123", "final.mp4": "1234567", "t.txt": MOT, "one.otp": ob.otp([ob.path(
    [(10, .2, .2, .1, .1), (20, .4, .3, .1, .1), (40, .6, .5, .3, .3), (42, .6, .5, .3, .3)], guid=GA, size=7)])}, [
    ("mlvr db import db Clip.MP4 one.otp && mlvr db import db x/../Clip.MP4 one.otp", 0, f"path 0: {GA}",
     "imported 1 path for Clip.MP4", "second entry"),
    # Halfway between the nodes at 20 and 40, in a gap longer than usual.
    (f"mlvr box db {GA} 30", 0, "normalised x 0.500000 y 0.400000 width 0.200000", "a gap of 20 frames (20..40)"),
    # In a portrait target the video alone is placed otherwise than the whole frame.
    (f"mlvr box db {GA} 30 --target 1080x1920 --mode video > v && mlvr box db {GA} 30 --target 1080x1920 > f && "
     "! cmp -s v f", 0),
    (f"mlvr box db {GA} --frames 42:43 --json", 0, "frame 43 lies outside the path (frames 10..42)",
     json_is(lambda b: [(x["frame"], x["pixels"]["right"]) for x in b], [(42, 1440), (43, 1440)])),
    # Relink names the condition that failed.
    ("mlvr db relink db Clip.MP4 missing.mp4", 1, "missing.mp4 does not exist"),
    ("mlvr db relink db none.mp4 wrong.mp4", 1, "none.mp4 has no paths"),
    ("mlvr db relink db Clip.MP4 wrong.mp4", 1, "wrong.mp4 is 3 bytes but the paths record 7 bytes"),
    ("mlvr db relink db Clip.MP4 final.mp4 && mlvr db list db && mlvr db delete db final.mp4 && rm db/*.otp", 0,
     "final.mp4 {", "deleted the paths of final.mp4"),
    ("mlvr db show db final.mp4", 1, "no paths for final.mp4"),
    ("mlvr db show db x/../clip.mp4", 1, ".otp of x/../clip.mp4 is missing"),  # told apart from no paths
    ("mlvr db import db2 clip.mp4 t.txt --from mot --size 1280x720", 0, "imported 2 paths for clip.mp4"),
    ("mlvr db show db2 clip.mp4 --json", 0, json_is(lambda s: [p["nodes"] for p in s], [1, 3])),
])

ODD = [(5, 0.1, 0.1, 0.1, 0.1), (3, NAN, 0.1, 0.1, 0.1)]
E7 = "File_7 (/v/./e.mp4): {E}.otp "
INDEX, A, B = ini(("/v/a.mp4", "{A}")), one(GA, "/v/a.mp4"), one(GB, "/v/b.mp4")
family("Folders", {"bad/{A}.otp": A, "bad/{B}.otp": B, "bad/{C}.otp": "junk", "bad/stray.otp": ob.otp([]),
                   "bad/{D}.otp": A, "bad/{E}.otp": one("{e}", nodes=ODD) + b"tail",
                   "bad/Molvaren.ini": ini(("/v/A.mp4", "{A}"), ("/v/b.mp4", "{B}"), ("/v/c.mp4", "{C}"),
                                           ("/v/gone.mp4", "{GONE}"), ("/v/x.mp4", "../x"), ("/v/d.mp4", "{D}"),
                                           ("/v/a.MP4", "{B}"), ("/v/./e.mp4", "{E}"), ("/v/e.mp4", "{Z}")),
                   "nodb/notes.txt": "x", "mixed/Molvaren.ini": INDEX, "mixed/{A}.otp": A, "ro1/{B}.otp": B,
                   "mixed/{MIX}.otp": ob.otp([ob.path([(0, .5, .5, .1, .1)], guid="{%s}" % m, assoc=m) for m in "bc"]),
                   "ro2/Molvaren.ini": INDEX, "ro2/Molvaren.lock": "", "ro2/{A}.otp": A, "ro2/{B}.otp": B,
                   "orphan/Molvaren.ini": INDEX, "orphan/{A}.otp": A, "orphan/{B}.otp": one(GB, "/V/B.mp4")}, [
    ("mlvr check bad", 1, "14 problems", *("problem: " + p for p in [
        "File_2 (/v/c.mp4): path file {C}.otp is not a readable path file", "stray.otp: no entry names this path file",
        "File_3 (/v/gone.mp4): path file {GONE}.otp is missing", "File_8 (/v/e.mp4): path file {Z}.otp is missing",
        'File_4: database name "../x" is not one the library accepts (the library skips it)',
        "File_0 and File_6 both name /v/a.mp4 (the later one counts)", "File_1, File_6 share the path file {B}.otp",
        f"identity {GA} appears 2 times: /v/a.mp4 #0, /v/d.mp4 #0", f"identity {GB} appears 2 times: /v/b.mp4 #0, ",
        "/v/./e.mp4, /v/e.mp4 name one media file in different spellings (separate entries)"]), *(E7 + p for p in [
        "is only partly readable: the library reads 782 of its 786 bytes", 'path 0: malformed GUID "{e}"',
        "path 0: frames do not increase at node 1 (frame 3 after 5)", "path 0: node 1 (frame 3) holds a value"])),
    ("mlvr check bad --json", 1, json_is(lambda c: (c["healthy"], len(c["problems"])), (False, 14))),
    # check --repair: refusals that change nothing, then an orphan adopted.
    ("mlvr check --repair nodb", 1, "not a database folder"),
    ("mlvr check --repair mixed", 1, "cannot be adopted"),  # path files naming different media
    ("ro ro1", 1, "not writable"),  # never locked
    ("ro ro2", 1, "nothing was changed"),  # locked before
    ("mlvr check orphan", 1, "1 entries, 1 paths would adopt: orphan/{B}.otp for /v/b.mp4"),
    ("mlvr check orphan --json", 1, json_is(lambda c: c["orphans"], [
        {"pathFile": "orphan/{B}.otp", "adoptAs": "/v/b.mp4", "reason": ""}])),
    ("mlvr check --repair orphan && mlvr check --repair orphan && mlvr check orphan", 0,
     "adopted 1 path file into the index", "adopted 0 path files", "2 entries, 2 paths healthy"),
    ("mlvr db list orphan", 0, "/v/a.mp4 {A}.otp 1 path /v/b.mp4 {B}.otp 1 path 2 media files"),
    ("mlvr db list orphan --json", 0, json_is(lambda x: x[1], {"media": "/v/b.mp4", "pathFile": "{B}.otp",
                                                               "state": "ok", "paths": 1})),
])

family("Demo", {}, [
    # The straight part of object 1 collapses; the circle keeps more nodes.
    ("mlvr demo demo && LC_ALL=C ls demo && mlvr check demo/database", 0,
     "clip-final.mp4 database paths-simplified.svg paths.svg", "healthy",
     lambda out: re.search(r"object 1 300 -> \d+ nodes, object 2 300 -> \d+ nodes", out)),
    ("mlvr demo demo", 1, "exists already"),  # rather than mixing runs
])
del Table  # only the families are tests

if __name__ == "__main__":
    MLVR = os.path.abspath(sys.argv.pop(1))
    unittest.main()
