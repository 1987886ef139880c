#!/usr/bin/python3
"""Texture rectification beside OpenCV's warpPerspective, on one and on two threads.

Both make a 3000 x 2000 texture out of a 6000 x 4000 photograph through the same homography
(texture to photograph, OpenCV's WARP_INVERSE_MAP) with bilinear interpolation. The machine is
shared, so one run decides nothing: OpenCV and Pelorin take turns for several rounds (who goes
first alternates), each giving its best rate of the round, and the script prints the median of
the rounds' ratios Pelorin / OpenCV with their range. Needs Debian's python3-opencv, which
scripts/install-deps.sh installs when asked:  scripts/install-deps.sh python3-opencv
Run from the repository root after building:  /usr/bin/python3 bench/compare_warp.py [rounds]
"""
import json
import statistics
import subprocess
import sys
import time

import cv2
import numpy as np

BENCH = "build/bench/bench_texture"
TEXTURE_W, TEXTURE_H = 3000, 2000
PHOTO_W, PHOTO_H = 6000, 4000
REPEATS = 5        # timings per side and round; the best counts
MIN_SECONDS = 0.3  # Pelorin's timings are means over at least this long


def opencv_rate(photo, homography, threads):
    cv2.setNumThreads(threads)
    flags = cv2.INTER_LINEAR | cv2.WARP_INVERSE_MAP
    cv2.warpPerspective(photo, homography, (TEXTURE_W, TEXTURE_H), flags=flags)  # warm up
    best = float("inf")
    for _ in range(REPEATS):
        start = time.perf_counter()
        calls = 0
        while True:
            cv2.warpPerspective(photo, homography, (TEXTURE_W, TEXTURE_H), flags=flags)
            calls += 1
            elapsed = time.perf_counter() - start
            if elapsed >= MIN_SECONDS:
                break
        best = min(best, elapsed / calls)
    return TEXTURE_W * TEXTURE_H / best / 1e6


def pelorin_rate(threads):
    out = subprocess.run([BENCH, "--benchmark_format=json", f"--benchmark_filter=BM_RectifyTexture/threads:{threads}/",
                          f"--benchmark_repetitions={REPEATS}", f"--benchmark_min_time={MIN_SECONDS}"],
                         check=True, capture_output=True, text=True).stdout
    return max(b["Mpixels/s"] for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration")


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 7
    rows = subprocess.run([BENCH, "--homography"], check=True, capture_output=True, text=True).stdout.split("\n")
    homography = np.array([[float(v) for v in row.split()] for row in rows if row.strip()])
    photo = (np.arange(PHOTO_W * PHOTO_H * 3, dtype=np.uint64) * 7 % 256).astype(np.uint8).reshape(PHOTO_H, PHOTO_W, 3)
    for threads in (1, 2):
        ratios, ours, theirs = [], [], []
        for r in range(rounds):
            if r % 2 == 0:
                theirs.append(opencv_rate(photo, homography, threads))
                ours.append(pelorin_rate(threads))
            else:
                ours.append(pelorin_rate(threads))
                theirs.append(opencv_rate(photo, homography, threads))
            ratios.append(ours[-1] / theirs[-1])
            print(f"  {threads} thread(s), round {r + 1}: Pelorin {ours[-1]:7.1f}, OpenCV {theirs[-1]:7.1f} Mpixel/s,"
                  f" ratio {ratios[-1]:.2f}", flush=True)
        print(f"{threads} thread(s): Pelorin / OpenCV = {statistics.median(ratios):.2f} "
              f"(range {min(ratios):.2f} - {max(ratios):.2f}, {rounds} alternating rounds; medians "
              f"{statistics.median(ours):.1f} and {statistics.median(theirs):.1f} Mpixel/s)", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
