"""mlvr simplify --max-error: the bound in the frame asked for, and its refusals."""
import os, re, subprocess, sys, tempfile, unittest

import otp_bytes as ob

# Evenly timed along a line, every other node 0.5 px (of 1920) off it.
NODES = [(f, 0.2 + 0.005 * f + (0.5 / 1920 if f % 2 else 0), 0.5, 0.1, 0.1) for f in range(100)]


class Bounded(unittest.TestCase):
    def run_tool(self, *args):
        with tempfile.TemporaryDirectory() as d:
            src, out = os.path.join(d, "in.otp"), os.path.join(d, "out.otp")
            with open(src, "wb") as f:
                f.write(ob.otp([ob.path(NODES, guid="{G}")]))
            r = subprocess.run([MLVR, "simplify", src, "-o", out, *args], capture_output=True,
                               text=True, timeout=60)
            return r, os.path.exists(out)

    def test_bound_follows_the_frame_size(self):
        for args, after, largest in [(["--max-error", "1"], 2, 0.495),
                                     (["--max-error", "0.3", "--size", "960x540"], 2, 0.2475),
                                     (["--max-error", "0.3"], 100, 0)]:
            r, _ = self.run_tool(*args)
            m = re.search(r"100 -> (\d+) nodes, largest deviation ([\d.]+) px", r.stdout)
            self.assertEqual((r.returncode, int(m.group(1))), (0, after), r.stdout)
            self.assertAlmostEqual(float(m.group(2)), largest, delta=1e-3)

    def test_refusals_write_nothing(self):
        for args in (["--max-error", "0"], ["--max-error", "-1"], ["--max-error", "nan"],
                     ["--max-error", "1", "--size", "19x"], ["--size", "960x540"]):
            r, written = self.run_tool(*args)
            self.assertNotEqual(r.returncode, 0, args)
            self.assertEqual((len(r.stderr.splitlines()), written), (1, False), r.stderr)


if __name__ == "__main__":
    MLVR = os.path.abspath(sys.argv.pop(1))
    unittest.main()
