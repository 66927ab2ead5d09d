"""The windows' layout records, as the program itself has them: tests/e2e/layouts/dump_layouts.cpp
writes them at build time to the file that SCHERZETTO_LAYOUTS names (tests/CMakeLists.txt sets it
for every test). Places are in pixels at 96 dots per inch, rounded as the back ends round them."""

import functools
import json
import os

TWIPS_PER_PIXEL = 15


def pixels(twips, dpi=96):
    """Twips to pixels at this density, half a pixel up, as shell::pixelsAt() rounds them."""
    return (twips * dpi + 720) // 1440


@functools.cache
def _records():
    path = os.environ.get("SCHERZETTO_LAYOUTS")
    if not path:
        raise RuntimeError("SCHERZETTO_LAYOUTS names no file; it is build/<preset>/tests/e2e/layouts.json")
    with open(path, encoding="utf-8") as layouts:
        return json.load(layouts)


def _form(caption):
    found = [form for form in _records().values() if form["caption"] == caption]
    if len(found) != 1:
        raise KeyError("%d windows titled %r in the layouts" % (len(found), caption))
    return found[0]


def window(caption=None, form=None, dpi=96, border=0):
    """Where the window's client area opens on the screen: (x, y, width, height) at this density.
    The window is named by its caption, or by its form when it has none (Form6, the farewell).
    With a border of so many pixels at 96 dpi, the rectangle around both, scaled as one."""
    x, y, width, height = _records()[form]["rect"] if form else _form(caption)["rect"]
    edge = border * TWIPS_PER_PIXEL
    return tuple(pixels(twips, dpi) for twips in (x - edge, y - edge, width + 2 * edge, height + 2 * edge))


def control(caption, name, dpi=96):
    """Where a control of the window with this caption stands inside its client area:
    (x, y, width, height) at this density. The control is named by its caption or by its name in
    the record."""
    for record in _form(caption)["controls"]:
        if name in (record["caption"], record["name"]):
            return tuple(pixels(twips, dpi) for twips in record["rect"])
    raise KeyError("no control %r in %r" % (name, caption))
