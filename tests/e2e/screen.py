"""Screenshots of an X display without extra packages: xwd grabs the screen, this reads its
dump format and can write it out as a PNG for a person to look at."""

import struct
import subprocess
import sys
import zlib


class Screenshot:
    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self._pixels = pixels  # one (r, g, b) tuple per pixel, row by row

    def pixel(self, x, y):
        return self._pixels[y * self.width + x]

    def save_png(self, path):
        raw = bytearray()
        for y in range(self.height):
            raw.append(0)
            for r, g, b in self._pixels[y * self.width:(y + 1) * self.width]:
                raw += bytes((r, g, b))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                      + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


def grab(display):
    """The whole screen of a 24-bit TrueColor display, as xwd dumps it (ZPixmap, 24 or 32 bits a pixel)."""
    dump = subprocess.run(["xwd", "-root", "-silent", "-display", display],
                          check=True, capture_output=True).stdout
    fields = struct.unpack(">25I", dump[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    colour_count = fields[19]
    if bits_per_pixel not in (24, 32):
        raise ValueError("only 24- and 32-bit screens are supported, this one has %d" % bits_per_pixel)
    size = bits_per_pixel // 8
    data = dump[header_size + 12 * colour_count:]
    pixels = []
    for y in range(height):
        row = data[y * bytes_per_line:y * bytes_per_line + size * width]
        for x in range(0, len(row), size):
            value = int.from_bytes(row[x:x + size], "little" if byte_order == 0 else "big")
            pixels.append(((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF))
    return Screenshot(width, height, pixels)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: screen.py DISPLAY OUTPUT.png")
    grab(sys.argv[1]).save_png(sys.argv[2])
