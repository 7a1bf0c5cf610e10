#!/usr/bin/env python3
"""Real tracker output for bounded_simplification_bench.

ffmpeg renders a 1280x720 clip of a textured object moving along a curve over
a noisy background; OpenCV's CSRT and KCF trackers follow it from its first
box. Writes OUT/csrt.csv and OUT/kcf.csv: frame,left,top,width,height in
pixels, y downward, one line per frame the tracker reports a box for.

    tracker_tracks.py OUT [FRAMES]
"""
import math
import os
import subprocess
import sys

import cv2

W, H, SIDE, RATE = 1280, 720, 80, 30
X = "600+420*sin(t*0.9)"
Y = "320+220*sin(t*1.4+0.3)"


def render(path, frames):
    seconds = frames / RATE
    subprocess.run(
        ["ffmpeg", "-v", "error", "-y",
         "-f", "lavfi", "-i", f"color=c=0x505050:s={W}x{H}:r={RATE}:d={seconds}",
         "-f", "lavfi", "-i", f"testsrc=s={SIDE}x{SIDE}:r={RATE}:d={seconds}",
         "-filter_complex", f"[0]noise=alls=25:allf=t[bg];[bg][1]overlay=x='{X}':y='{Y}'",
         "-frames:v", str(frames), "-c:v", "mjpeg", "-q:v", "3", path],
        check=True)


def track(video, make, out):
    cap = cv2.VideoCapture(video)
    ok, frame = cap.read()
    if not ok:
        sys.exit(f"{video}: no frames")
    start = (600, round(320 + 220 * math.sin(0.3)), SIDE, SIDE)  # the overlay at t = 0
    tracker = make()
    tracker.init(frame, start)
    rows = [(0, *start)]
    index = 0
    while True:
        ok, frame = cap.read()
        if not ok:
            break
        index += 1
        found, box = tracker.update(frame)
        if found:
            rows.append((index, *[int(round(v)) for v in box]))
    with open(out, "w") as f:
        f.write("frame,left,top,width,height\n")
        f.writelines(",".join(map(str, r)) + "\n" for r in rows)
    return len(rows)


def main():
    out = sys.argv[1]
    frames = int(sys.argv[2]) if len(sys.argv) > 2 else 150
    os.makedirs(out, exist_ok=True)
    video = os.path.join(out, "moving.avi")
    render(video, frames)
    for name, make in (("csrt", cv2.TrackerCSRT_create), ("kcf", cv2.TrackerKCF_create)):
        n = track(video, make, os.path.join(out, name + ".csv"))
        print(f"{name}: {n} of {frames} frames tracked")


if __name__ == "__main__":
    main()
