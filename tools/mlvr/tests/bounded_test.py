"""mlvr simplify --max-error: the bound in the frame asked for, and its refusals."""
import os, re, subprocess, sys, tempfile

import otp_bytes as ob

# Evenly timed along a line, every other node 0.5 px (of 1920) off it: (nodes kept, deviation).
NODES = [(f, 0.2 + 0.005 * f + (0.5 / 1920 if f % 2 else 0), 0.5, 0.1, 0.1) for f in range(100)]
CASES = [("--max-error 1", (2, 0.495)), ("--max-error 0.3 --size 960x540", (2, 0.247)),
         ("--max-error 0.3", (100, 0.0)), ("--max-error 0", None), ("--max-error nan", None),
         ("--max-error 1 --size 19x", None), ("--size 960x540", None)]

with tempfile.TemporaryDirectory() as d:
    src = os.path.join(d, "in.otp")
    with open(src, "wb") as f:
        f.write(ob.otp([ob.path(NODES, guid="{G}")]))
    for i, (args, want) in enumerate(CASES):
        out = os.path.join(d, f"{i}.otp")
        r = subprocess.run([sys.argv[1], "simplify", src, "-o", out, *args.split()],
                           capture_output=True, text=True, timeout=60)
        m = re.search(r"100 -> (\d+) nodes, largest deviation ([\d.]+) px", r.stdout)
        got = (int(m[1]), round(float(m[2]), 3)) if m else None
        seen = (got, os.path.exists(out), len(r.stderr.splitlines()))
        if seen != (want, bool(want), 0 if want else 1):
            sys.exit(f"mlvr simplify {args}: got {got}\n{r.stdout}{r.stderr}")
print(f"{len(CASES)} cases passed")
