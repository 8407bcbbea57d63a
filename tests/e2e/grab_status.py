#!/usr/bin/python3
# Grabs a part of the screen over and over until a pixel of pure red or green ink
# shows in it, then writes that grab as a PNG. A success shows on the status
# line for well under half a second, and a grab through a separate program per
# frame costs more than that on a busy machine; one grab here is a single
# XGetImage of the part alone.
# Arguments: x y width height seconds hue (red or green) picture.png
# Exits 0 with the picture written, 2 when the hue never showed (the last grab
# is written all the same).
import ctypes
import struct
import sys
import time
import zlib

x, y, w, h = (int(a) for a in sys.argv[1:5])
seconds, hue, path = float(sys.argv[5]), sys.argv[6], sys.argv[7]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.POINTER(XImage)
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                          ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XFree.argtypes = [ctypes.c_void_p]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit("grab_status: no display")
root = x11.XDefaultRootWindow(display)


def grab():
    """The part as rows of RGB bytes."""
    image = x11.XGetImage(display, root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
    if not image:
        sys.exit("grab_status: XGetImage failed")
    im = image.contents
    if im.bits_per_pixel != 32:
        sys.exit(f"grab_status: {im.bits_per_pixel} bits a pixel")
    raw = ctypes.string_at(im.data, im.bytes_per_line * h)
    stride = im.bytes_per_line
    x11.XFree(im.data)
    x11.XFree(image)
    rows = []
    for r in range(h):
        line = raw[r * stride:r * stride + 4 * w]
        rgb = bytearray(3 * w)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        rows.append(bytes(rgb))
    return rows


def inked(rows):
    """Whether a pixel of pure ink of the hue is there: its channel lit, the
    other two dark."""
    index = 0 if hue == "red" else 1
    for row in rows:
        lit, others = row[index::3], [row[i::3] for i in range(3) if i != index]
        for p, v in enumerate(lit):
            if v > 40 and others[0][p] < 8 and others[1][p] < 8:
                return True
    return False


def write_png(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    body = zlib.compress(b"".join(b"\0" + row for row in rows))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", body) + chunk(b"IEND", b""))


end = time.monotonic() + seconds
grabs = 0
while True:
    grabs += 1
    rows = grab()
    if inked(rows):
        write_png(rows)
        sys.exit(0)
    if time.monotonic() > end:
        write_png(rows)
        sys.exit(2)
