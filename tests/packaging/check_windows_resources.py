"""Compiles the Windows resource script with MinGW's windres and checks what a Windows build would
carry: every resource tagged Italian, the version record 1.00 in the Italian string block, and a
16-colour icon with its 32- and 16-pixel images."""

import re
import struct
import subprocess
import sys
import tempfile

ITALIAN = 0x0410
RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


def resources(compiled):
    """(type, language, data) of every entry of a .res file."""
    entries = []
    offset = 0
    while offset + 8 <= len(compiled):
        data_size, header_size = struct.unpack_from("<II", compiled, offset)
        header = compiled[offset + 8:offset + header_size]
        position = 0
        fields = []
        for _ in range(2):  # type, then name: an ordinal or a zero-terminated UTF-16 string
            if struct.unpack_from("<H", header, position)[0] == 0xFFFF:
                fields.append(struct.unpack_from("<H", header, position + 2)[0])
                position += 4
            else:
                end = position
                while struct.unpack_from("<H", header, end)[0] != 0:
                    end += 2
                fields.append(header[position:end].decode("utf-16-le"))
                position = end + 2
        position = (position + 3) & ~3
        language = struct.unpack_from("<H", header, position + 6)[0]
        data = compiled[offset + header_size:offset + header_size + data_size]
        if data_size:
            entries.append((fields[0], language, data))
        offset += header_size + ((data_size + 3) & ~3)
    return entries


def main(script):
    failures = []
    with tempfile.TemporaryDirectory() as work:
        compiled_path = work + "/scherzetto.res"
        subprocess.run(["x86_64-w64-mingw32-windres", "--preprocessor=cpp", "-i", script, "-O", "res",
                        "-o", compiled_path], check=True)
        decompiled = subprocess.run(["x86_64-w64-mingw32-windres", "-J", "res", "-i", compiled_path, "-O", "rc"],
                                    check=True, capture_output=True, text=True).stdout
        with open(compiled_path, "rb") as compiled:
            entries = resources(compiled.read())

    for kind, language, _ in entries:
        if language != ITALIAN:
            failures.append("resource of type %s is tagged language 0x%04x, not Italian" % (kind, language))

    for expected in (r"FILEVERSION 1, 0, 0, 0", r"PRODUCTVERSION 1, 0, 0, 0", r'BLOCK "041004B0"',
                     r'VALUE "FileVersion", "1\.00"', r'VALUE "ProductVersion", "1\.00"',
                     r'VALUE "Translation", 0x410, 1200'):
        if not re.search(expected, decompiled):
            failures.append("the version record lacks " + expected.replace("\\", ""))
    if len(re.findall(r'BLOCK "[0-9A-F]{8}"', decompiled)) != 1:
        failures.append("the version record must have exactly one string block, the Italian one")

    icons = [data for kind, _, data in entries if kind == RT_ICON]
    sizes = []
    for data in icons:
        _, width, double_height, _, bits = struct.unpack_from("<IiiHH", data)
        colours = struct.unpack_from("<I", data, 32)[0]
        sizes.append(width)
        if double_height != 2 * width or bits != 4 or colours != 16:
            failures.append("icon image %d: %d bits, %d colours; expected a 16-colour image" % (width, bits, colours))
    if sorted(sizes) != [16, 32]:
        failures.append("icon images of %s pixels; expected 32 and 16" % sizes)
    if not any(kind == RT_GROUP_ICON for kind, _, _ in entries) or not any(kind == RT_VERSION for kind, _, _ in entries):
        failures.append("the icon group or the version record is missing")

    for failure in failures:
        print("FAIL: " + failure)
    print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
