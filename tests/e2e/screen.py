"""Screenshots of an X display: one XGetImage of the root window, which reads what the X server
shows, windows inside other windows included, and writes it out as a PNG for a person to look at.
A Grabber keeps its connection open to read small rectangles again and again, quickly. Picture
reads a PNG screenshot, such as the browser's, as an image of the same kind."""

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


class Picture:
    """A PNG screenshot (8-bit RGB or RGBA, as Chromium writes them) as rows of (red, green, blue),
    like xlib.Image."""

    def __init__(self, png):
        self.width, self.height, depth, colour = struct.unpack(">IIBB", png[16:26])
        if depth != 8 or colour not in (2, 6):
            raise ValueError("not an 8-bit RGB or RGBA PNG")
        data, position, size = b"", 8, 4 if colour == 6 else 3
        while position < len(png):
            length, kind = struct.unpack(">I4s", png[position:position + 8])
            data += png[position + 8:position + 8 + length] if kind == b"IDAT" else b""
            position += length + 12
        raw, stride, previous, self._rows = zlib.decompress(data), self.width * size, bytearray(self.width * size), []
        for y in range(self.height):
            line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
            for i in range(stride):
                a, b, c = line[i - size] if i >= size else 0, previous[i], previous[i - size] if i >= size else 0
                line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth(a, b, c))[raw[y * (stride + 1)]]) & 0xFF
            self._rows.append([tuple(line[x:x + 3]) for x in range(0, stride, size)])
            previous = line
        self.data = bytes(value for row in self._rows for pixel in row for value in pixel)

    def rows(self):
        return self._rows

    def crop(self, x, y, width, height):
        """A rectangle of the picture, as a picture."""
        part = Picture.__new__(Picture)
        part._rows = [row[x:x + width] for row in self._rows[y:y + height]]
        part.width, part.height = width, len(part._rows)
        part.data = bytes(value for row in part._rows for pixel in row for value in pixel)
        return part

    def pixel(self, x, y):
        return self._rows[y][x]


def paeth(a, b, c):
    p = a + b - c
    return min((abs(p - a), 0, a), (abs(p - b), 1, b), (abs(p - c), 2, c))[2]


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
