"""Screenshots of an X display: one XGetImage of the root window, which reads what the X server
shows, windows inside other windows included, and writes it out as a PNG for a person to look at.
A Grabber keeps its connection open to read small rectangles again and again, quickly."""

import struct
import sys
import zlib

import xlib


class Grabber:
    """Reads rectangles of one display's screen; each grab is a single request to the X server."""

    def __init__(self, display):
        self._connection = xlib.Connection(display)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def close(self):
        self._connection.close()

    def grab(self, x, y, width, height):
        """An xlib.Image of the rectangle, or None if it lies off the screen."""
        return self._connection.image(x, y, width, height)


def grab(display, rectangle=None):
    """The whole screen, or a rectangle (x, y, width, height) of it, as an xlib.Image."""
    with xlib.Connection(display) as connection:
        if rectangle is None:
            geometry = connection.root_size()
            rectangle = (0, 0, *geometry)
        image = connection.image(*rectangle)
    if image is None:
        raise RuntimeError("cannot read %r of the screen of %s" % (rectangle, display))
    return image


def save_png(image, path):
    raw = bytearray()
    for row in image.rows():
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                  + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: screen.py DISPLAY OUTPUT.png")
    save_png(grab(sys.argv[1]), sys.argv[2])
