"""mlvr check --repair: an orphan adopted, and refusals that change nothing."""
import os, shutil, subprocess, sys, tempfile

import otp_bytes as ob

MLVR = sys.argv[1]
INDEX = b"[Setting]\r\nNumOfFiles=1\r\n[File_0]\r\nAssiciateFile=/v/a.mp4\r\nDataBaseName={A}\r\n"


def orphan(*media):
    return ob.otp([ob.path([(0, 0.5, 0.5, 0.1, 0.1)], guid="{00000000-0000-0000-0000-00000000000%d}" % i, assoc=m)
                   for i, m in enumerate(media)])


def snapshot(d):
    return {n: open(os.path.join(d, n), "rb").read() for n in sorted(os.listdir(d))}


AS_OWNER = ["unshare", "--user", "--map-user=1000", "--map-group=1000"]
# Root writes anyway: as root, run as the folder's owner in a user namespace.
NEED_NS = os.geteuid() == 0
CAN_DROP = not NEED_NS or subprocess.run(AS_OWNER + ["true"], capture_output=True).returncode == 0


def read_only(cmd):
    return (AS_OWNER if NEED_NS else []) + cmd


# name: files, run as, words of the report
CASES = [
    ("not a database folder", {"notes.txt": b"x"}, list, "not a database folder"),
    ("different media", {"Molvaren.ini": INDEX, "{A}.otp": orphan("/v/a.mp4"),
                         "{MIX}.otp": orphan("/v/b.mp4", "/v/c.mp4")}, list, "cannot be adopted"),
    ("read-only, never locked", {"{B}.otp": orphan("/v/b.mp4")}, read_only, "not writable"),
    ("read-only, locked before", {"Molvaren.ini": INDEX, "Molvaren.lock": b"",
                                  "{A}.otp": orphan("/v/a.mp4"), "{B}.otp": orphan("/v/b.mp4")},
     read_only, "nothing was changed"),
]

failures = []
with tempfile.TemporaryDirectory() as top:
    for name, files, run_as, words in CASES:
        if run_as is read_only and not CAN_DROP:
            print(f"{name}: skipped, root cannot drop its rights here (no user namespaces)")
            continue
        d = os.path.join(top, name.replace(" ", "-").replace(",", ""))
        os.mkdir(d)
        for f, content in files.items():
            open(os.path.join(d, f), "wb").write(content)
        if run_as is read_only:
            os.chmod(d, 0o555)
        before = snapshot(d)
        r = subprocess.run(run_as([MLVR, "check", "--repair", d]), capture_output=True, text=True)
        if r.returncode != 1 or words not in r.stderr or snapshot(d) != before:
            failures.append(f"{name}: exit {r.returncode}, {r.stderr.strip()!r}")
        os.chmod(d, 0o755)

    # A folder whose index lost an entry: check lists it, repair adopts it.
    d = os.path.join(top, "orphan")
    os.mkdir(d)
    for f, content in {"Molvaren.ini": INDEX, "{A}.otp": orphan("/v/a.mp4"),
                       "{B}.otp": orphan("/V/B.mp4")}.items():
        open(os.path.join(d, f), "wb").write(content)
    steps = [(["check", d], "{B}.otp for /v/b.mp4"),
             (["check", "--repair", d], "adopted 1 path file into the index"),
             (["check", "--repair", d], "adopted 0 path files"),
             (["db", "list", d], "/v/b.mp4")]
    for args, words in steps:
        r = subprocess.run([MLVR, *args], capture_output=True, text=True)
        if words not in r.stdout + r.stderr:
            failures.append(f"mlvr {' '.join(args)}: {r.stdout}{r.stderr}")
    if os.path.getsize(os.path.join(d, "{B}.otp")) == 0:
        failures.append("the adopted file was emptied")

sys.exit("\n".join(failures)) if failures else print(f"{len(CASES) + 4} cases passed")
