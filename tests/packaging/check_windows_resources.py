"""Checks what the Windows program carries, either from the resource script compiled with MinGW's
windres or read back from a built scherzetto.exe: every resource tagged Italian, the version record
1.00 in the Italian string block, the 16-colour icon with its 32- and 16-pixel images drawn from
the pixel art, and the application manifest. Of an .exe it also checks that it is a GUI program
that needs no DLL beyond Windows' own.

Usage: check_windows_resources.py (SCRIPT.rc | PROGRAM.exe) ART"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

ITALIAN = 0x0410
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
WINDRES = "x86_64-w64-mingw32-windres"

# Windows' own libraries, which every Windows since 7 has; the C++ runtime, libgcc and winpthreads
# must be linked into the program instead.
SYSTEM_DLLS = {"kernel32", "user32", "gdi32", "comctl32", "comdlg32", "advapi32", "shell32", "ole32",
               "oleaut32", "uxtheme", "winmm", "msvcrt", "imm32", "shlwapi", "version"}

MANIFEST = "urn:schemas-microsoft-com:asm.v1"
COMPATIBILITY = "urn:schemas-microsoft-com:compatibility.v1"
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


def resources(compiled):
    """(type, name, language, data) of every entry of a .res file."""
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
            entries.append((fields[0], fields[1], language, data))
        offset += header_size + ((data_size + 3) & ~3)
    return entries


def program_resources(program):
    """(type, name, language, data) of every resource in a PE file's resource tree, read straight
    from the file: windres loses the languages when it converts a program's resources."""
    with open(program, "rb") as file:
        image = file.read()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    resource_rva = struct.unpack_from("<I", image, optional + 112 + 2 * 8)[0]  # PE32+, directory 2
    table = optional + optional_size

    def offset(rva):
        for index in range(sections):
            size, address, _, raw = struct.unpack_from("<IIII", image, table + 40 * index + 8)
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError("RVA 0x%x lies in no section" % rva)

    root = offset(resource_rva)

    def entries_of(directory):
        named, numbered = struct.unpack_from("<HH", image, root + directory + 12)
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", image, root + directory + 16 + 8 * index)
            if name & 0x80000000:
                length = struct.unpack_from("<H", image, root + (name & 0x7FFFFFFF))[0]
                start = root + (name & 0x7FFFFFFF) + 2
                name = image[start:start + 2 * length].decode("utf-16-le")
            yield name, target

    entries = []
    for kind, names in entries_of(0):
        for name, languages in entries_of(names & 0x7FFFFFFF):
            for language, leaf in entries_of(languages & 0x7FFFFFFF):
                data_rva, size = struct.unpack_from("<II", image, root + leaf)
                entries.append((kind, name, language, image[offset(data_rva):offset(data_rva) + size]))
    return entries


def read_art(path):
    """The images of the pixel art, each a list of rows of booleans, True for a black pixel."""
    with open(path, encoding="utf-8") as art:
        blocks = re.split(r"\n\s*\n", art.read().strip())
    return [[[pixel == "#" for pixel in row.strip()] for row in block.splitlines()] for block in blocks]


def icon_failures(data, art):
    """What is wrong with one icon image: it must be 16-colour and show the art's image of its size
    in black on transparent."""
    _, width, double_height, _, bits = struct.unpack_from("<IiiHH", data)
    colours = struct.unpack_from("<I", data, 32)[0]
    if double_height != 2 * width or bits != 4 or colours != 16:
        return ["icon image %d: %d bits, %d colours; expected a 16-colour image" % (width, bits, colours)]
    drawing = next((image for image in art if len(image[0]) == width and len(image) == width), None)
    if drawing is None:
        return ["icon image of %d pixels, which the pixel art does not have" % width]
    palette = [data[40 + 4 * index:43 + 4 * index] for index in range(16)]
    colour_row = (width * 4 + 31) // 32 * 4
    mask_row = (width + 31) // 32 * 4
    pixels = 40 + 64
    mask = pixels + colour_row * width
    for y in range(width):
        stored = width - 1 - y  # rows are stored bottom first
        for x in range(width):
            transparent = data[mask + stored * mask_row + x // 8] & (0x80 >> (x % 8))
            index = (data[pixels + stored * colour_row + x // 2] >> (0 if x % 2 else 4)) & 0x0F
            # Opaque exactly where the art is black, and every opaque pixel black.
            if bool(transparent) == drawing[y][x] or (not transparent and palette[index] != b"\0\0\0"):
                return ["icon image %d differs from the pixel art at (%d, %d)" % (width, x, y)]
    return []


def manifest_failures(text):
    failures = []
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        return ["the manifest is no valid XML: %s" % error]
    identity = root.find("{%s}assemblyIdentity" % MANIFEST)
    if identity is None or identity.get("processorArchitecture") != "amd64":
        failures.append("the manifest names no 64-bit program (assemblyIdentity processorArchitecture amd64)")
    controls = [element for element in root.iter("{%s}assemblyIdentity" % MANIFEST)
                if element.get("name") == "Microsoft.Windows.Common-Controls"]
    if not any(element.get("version") == "6.0.0.0" and element.get("publicKeyToken") == "6595b64144ccf1df"
               for element in controls):
        failures.append("the manifest does not ask for Common Controls 6 (visual styles)")
    settings = {element.tag.split("}")[1]: (element.tag.split("}")[0][1:], (element.text or "").strip())
                for element in root.iter() if element.tag.endswith(("}dpiAware", "}dpiAwareness"))}
    if settings.get("dpiAwareness") != ("http://schemas.microsoft.com/SMI/2016/WindowsSettings", "PerMonitorV2"):
        failures.append("the manifest does not declare dpiAwareness PerMonitorV2")
    if settings.get("dpiAware") != ("http://schemas.microsoft.com/SMI/2005/WindowsSettings", "true/pm"):
        failures.append("the manifest does not declare dpiAware true/pm for older Windows")
    supported = {element.get("Id", "").lower() for element in root.iter("{%s}supportedOS" % COMPATIBILITY)}
    for guid, name in SUPPORTED_OS.items():
        if guid not in supported:
            failures.append("the manifest does not declare support for " + name)
    return failures


def program_failures(program):
    """A GUI program whose every imported DLL is Windows' own."""
    headers = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", program], check=True, capture_output=True,
                             text=True).stdout
    failures = []
    if not re.search(r"^Subsystem\s+00000002\s+\(Windows GUI\)", headers, re.M):
        failures.append("the program is no GUI program (subsystem 2)")
    imports = re.findall(r"DLL Name: (\S+)", headers)
    if not imports:
        failures.append("objdump shows no imported DLL at all")
    for dll in imports:
        name = dll.lower().removesuffix(".dll")
        if name not in SYSTEM_DLLS and not name.startswith("api-ms-win-"):
            failures.append("the program needs %s, which is not part of Windows" % dll)
    return failures


def decompile(path, kind):
    """The resources as a resource script, as windres writes it back."""
    return subprocess.run([WINDRES, "-J", kind, "-i", path, "-O", "rc"], check=True, capture_output=True,
                          text=True).stdout


def main(path, art_path):
    if not os.path.exists(path):
        print("FAIL: there is no %s; scripts/build-windows builds the Windows program" % path)
        return 1
    if path.endswith(".rc"):
        with tempfile.TemporaryDirectory() as work:
            compiled_path = work + "/scherzetto.res"
            subprocess.run([WINDRES, "--preprocessor=cpp", "-i", path, "-O", "res", "-o", compiled_path],
                           check=True)
            decompiled = decompile(compiled_path, "res")
            with open(compiled_path, "rb") as compiled:
                entries = resources(compiled.read())
    else:
        decompiled = decompile(path, "coff")
        entries = program_resources(path)

    failures = []
    for kind, _, language, _ in entries:
        if language != ITALIAN:
            failures.append("resource of type %s is tagged language 0x%04x, not Italian" % (kind, language))

    for expected in (r"FILEVERSION 1, 0, 0, 0", r"PRODUCTVERSION 1, 0, 0, 0", r'BLOCK "041004B0"',
                     r'VALUE "FileVersion", "1\.00"', r'VALUE "ProductVersion", "1\.00"',
                     r'VALUE "Translation", 0x410, 1200'):
        if not re.search(expected, decompiled):
            failures.append("the version record lacks " + expected.replace("\\", ""))
    if len(re.findall(r'BLOCK "[0-9A-F]{8}"', decompiled)) != 1:
        failures.append("the version record must have exactly one string block, the Italian one")

    art = read_art(art_path)
    icons = [data for kind, _, _, data in entries if kind == RT_ICON]
    sizes = sorted(struct.unpack_from("<i", data, 4)[0] for data in icons)
    if sizes != [16, 32]:
        failures.append("icon images of %s pixels; expected 32 and 16" % sizes)
    for data in icons:
        failures += icon_failures(data, art)
    kinds = {kind for kind, _, _, _ in entries}
    if RT_GROUP_ICON not in kinds or RT_VERSION not in kinds:
        failures.append("the icon group or the version record is missing")

    # Windows reads the manifest of a program from resource 1 of type RT_MANIFEST.
    manifests = [data for kind, name, _, data in entries if kind == RT_MANIFEST and name == 1]
    if len(manifests) != 1:
        failures.append("expected one manifest as resource 1 of type RT_MANIFEST, found %d" % len(manifests))
    else:
        failures += manifest_failures(manifests[0])

    if not path.endswith(".rc"):
        failures += program_failures(path)

    for failure in failures:
        print("FAIL: " + failure)
    print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.splitlines()[-1])
    sys.exit(main(sys.argv[1], sys.argv[2]))
