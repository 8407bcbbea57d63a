#!/usr/bin/python3
# The contrast of a status line's text against its ground, measured from a
# screenshot: the ground is the commonest colour, the ink the pixel of the hue
# asked for (red or green) that stands out from it most. Prints both and the
# ratio; exits 1 below 4.5:1 and 2 when no ink of that hue is there.
# Arguments: the picture, red or green, the scale (for the report only).
import subprocess
import sys
from collections import Counter

path, hue, scale = sys.argv[1], sys.argv[2], sys.argv[3]
out = subprocess.run(["convert", path, "-depth", "8", "txt:-"], capture_output=True, text=True, check=True).stdout
pixels = []
for line in out.splitlines()[1:]:
    colour = line.split("#", 1)[1][:6]
    pixels.append(tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4)))


def luminance(c):
    def channel(v):
        v /= 255
        return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
    return 0.2126 * channel(c[0]) + 0.7152 * channel(c[1]) + 0.0722 * channel(c[2])


def ratio(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


ground = Counter(pixels).most_common(1)[0][0]
index = 0 if hue == "red" else 1
inks = [p for p in pixels if p[index] > 40 and all(p[i] < 8 for i in range(3) if i != index)]
if not inks:
    print(f"contrast: no {hue} text in {path}", file=sys.stderr)
    sys.exit(2)
ink = max(inks, key=lambda p: ratio(p, ground))
r = ratio(ink, ground)
print(f"contrast at {scale}x: {hue} text #{ink[0]:02x}{ink[1]:02x}{ink[2]:02x} on "
      f"#{ground[0]:02x}{ground[1]:02x}{ground[2]:02x}: {r:.2f}:1 ({len(inks)} pixels of pure ink)")
sys.exit(0 if r >= 4.5 else 1)
