"""Keeps one tracked object in a Molvaren database folder, then reads its box
back at every frame, between the nodes kept too.

With OpenCV (python3-opencv):  track_to_database.py DB clip.mp4 --box 100,500,120,90
Without it, from a CSV file:   track_to_database.py DB clip.mp4 --csv boxes.csv --size 1920x1080
(CSV columns: frame,left,top,width,height in pixels, y downward.)
"""

import argparse
import csv
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import molvaren  # noqa: E402


def track_with_opencv(video, first_box):
    import cv2
    capture = cv2.VideoCapture(video)
    ok, frame = capture.read()
    if not ok:
        sys.exit("cannot read %s" % video)
    tracker = cv2.TrackerMIL_create()
    tracker.init(frame, first_box)
    frames, boxes = [0], [first_box]
    while True:
        ok, frame = capture.read()
        if not ok:
            break
        found, box = tracker.update(frame)
        if found:
            frames.append(len(frames))
            boxes.append(box)
    height, width = frame.shape[:2] if frame is not None else (0, 0)
    return frames, boxes, (int(capture.get(cv2.CAP_PROP_FRAME_WIDTH)) or width,
                           int(capture.get(cv2.CAP_PROP_FRAME_HEIGHT)) or height)


def read_csv(name):
    with open(name, newline="") as f:
        rows = list(csv.DictReader(f))
    frames = [int(r["frame"]) for r in rows]
    boxes = [[float(r[k]) for k in ("left", "top", "width", "height")] for r in rows]
    return frames, boxes


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("database")
    parser.add_argument("media")
    parser.add_argument("--box", help="first box for the tracker: left,top,width,height")
    parser.add_argument("--csv", help="boxes from a CSV file instead of a tracker")
    parser.add_argument("--size", default="1920x1080", help="frame size of the CSV boxes")
    parser.add_argument("--target", default="1280x720", help="frame size to read boxes in")
    args = parser.parse_args()
    target = tuple(int(v) for v in args.target.split("x"))

    if args.csv:
        frames, boxes = read_csv(args.csv)
        size = tuple(int(v) for v in args.size.split("x"))
    else:
        try:
            import cv2  # noqa: F401
        except ImportError:
            sys.exit("OpenCV is not installed: give the boxes with --csv")
        if not args.box:
            sys.exit("give the first box for the tracker with --box left,top,width,height")
        frames, boxes, size = track_with_opencv(args.media, tuple(map(int, args.box.split(","))))

    # Storing: a path from the tracker's boxes, thinned to the nodes where
    # the motion changes, kept under the media file.
    db = molvaren.Database(args.database)
    path = molvaren.Path.from_boxes(boxes, size, frames=frames)
    dropped = molvaren.simplify(path)
    guid = db.store(args.media, path)
    print("stored %s: %d boxes, %d nodes kept" % (guid, len(boxes), len(boxes) - dropped))

    # Reading: the box at any frame in pixels of the target, interpolated
    # between the nodes that were kept.
    kept = set(path.frames.tolist())
    for frame in range(frames[0], frames[-1] + 1):
        left, top, width, height = db.box(guid, frame, target)
        print("frame %3d %s %5d %5d %5d %5d" % (frame, "node" if frame in kept else "    ",
                                               left, top, width, height))


if __name__ == "__main__":
    main()
