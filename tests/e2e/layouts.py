"""The windows' layout records, as the program itself has them: tests/e2e/layouts/dump_layouts.cpp
writes them at build time to the file that SCHERZETTO_LAYOUTS names (tests/CMakeLists.txt sets it
for every test). Places are in pixels at 96 dots per inch, rounded as the back ends round them."""

import functools
import json
import os

TWIPS_PER_PIXEL = 15


def pixels(twips):
    return (twips + TWIPS_PER_PIXEL // 2) // TWIPS_PER_PIXEL


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


def window(caption=None, form=None):
    """Where the window's client area opens on the screen: (x, y, width, height). The window is
    named by its caption, or by its form when it has none (Form6, the farewell)."""
    record = _records()[form] if form else _form(caption)
    return tuple(pixels(twips) for twips in record["rect"])


def control(caption, name):
    """Where a control of the window with this caption stands inside its client area:
    (x, y, width, height). The control is named by its caption or by its name in the record."""
    for record in _form(caption)["controls"]:
        if name in (record["caption"], record["name"]):
            return tuple(pixels(twips) for twips in record["rect"])
    raise KeyError("no control %r in %r" % (name, caption))
