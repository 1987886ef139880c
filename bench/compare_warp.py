#!/usr/bin/python3
"""Texture rectification beside OpenCV's warpPerspective, in one run on one thread.

Both make a 3000 x 2000 texture out of a 6000 x 4000 photograph through the same homography
(texture to photograph, OpenCV's WARP_INVERSE_MAP) with bilinear interpolation. Prints the
output pixels per second of each and their ratio. Needs Debian's python3-opencv, which
scripts/install-deps.sh installs when asked:  scripts/install-deps.sh python3-opencv
Run from the repository root after building:  /usr/bin/python3 bench/compare_warp.py
"""
import json
import subprocess
import sys
import time

import cv2
import numpy as np

BENCH = "build/bench/bench_texture"
TEXTURE_W, TEXTURE_H = 3000, 2000
PHOTO_W, PHOTO_H = 6000, 4000


def opencv_rate(homography, repeats=15):
    cv2.setNumThreads(1)
    photo = (np.arange(PHOTO_W * PHOTO_H * 3, dtype=np.uint64) * 7 % 256).astype(np.uint8).reshape(PHOTO_H, PHOTO_W, 3)
    flags = cv2.INTER_LINEAR | cv2.WARP_INVERSE_MAP
    cv2.warpPerspective(photo, homography, (TEXTURE_W, TEXTURE_H), flags=flags)  # warm up
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        cv2.warpPerspective(photo, homography, (TEXTURE_W, TEXTURE_H), flags=flags)
        best = min(best, time.perf_counter() - start)
    return TEXTURE_W * TEXTURE_H / best / 1e6


def pelorin_rates():
    out = subprocess.run([BENCH, "--benchmark_format=json"], check=True, capture_output=True, text=True).stdout
    runs = {b["name"].split("/")[0]: b["Mpixels/s"] for b in json.loads(out)["benchmarks"]}
    return runs["BM_RectifyTexture"], runs["BM_RectifyTexturePlain"]


def main():
    rows = subprocess.run([BENCH, "--homography"], check=True, capture_output=True, text=True).stdout.split("\n")
    homography = np.array([[float(v) for v in row.split()] for row in rows if row.strip()])
    ours, plain = pelorin_rates()
    theirs = opencv_rate(homography)
    print(f"Pelorin RectifyTexture: {ours:8.1f} Mpixel/s (plain path {plain:.1f})")
    print(f"OpenCV warpPerspective: {theirs:8.1f} Mpixel/s (one thread, INTER_LINEAR)")
    print(f"ratio Pelorin / OpenCV = {ours / theirs:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
