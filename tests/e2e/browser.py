"""The page in Debian's Chromium, headless, for end-to-end tests. Chromium runs with a fresh profile
and without any service of its own that could go online, driven through chromium-driver; the page
is opened from disk or from a private static server. It is played with the DevTools protocol's
mouse and key events and read back from Chromium's accessibility tree, as a screen reader reads it,
so that BrowserDesktop answers the questions of desktop.py and wine.py (window, control, text,
checked, enabled, focused, texts, message_box, client_area...) for the scenarios of scenarios.py.

A timeline installed before the page's own script logs, with the page's clock, every window shown
or hidden, every text set in a label and everything that the page's policy refused: the windows'
showings and the progress captions come from there. Chromium's performance log gives every network request of the page."""

import base64
import functools
import http.server
import json
import os
import shutil
import signal
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

from desktop import TestFailure, check, wait_for
import screen

CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync", "--no-first-run", "--lang=it-IT",
                  "--window-size=1024,768", "--hide-scrollbars"]
ROLES = {"push button": "button", "text": "textbox", "combo box": "combobox", "radio button": "radio",
         "check box": "checkbox", "label": "LabelText"}
TIMELINE = """
window.scherzettoTimeline = [];
// Where a window is, as a desktop has it: the client area under a title bar, or the whole bordered
// box of a window without one.
window.scherzettoArea = frame => {
  const r = (frame.querySelector(':scope > .title') ? frame.querySelector(':scope > .client') : frame)
    .getBoundingClientRect();
  return [r.x, r.y, r.width, r.height];
};
new MutationObserver(records => {
  const now = performance.now();
  for (const record of records) {
    const target = record.target;
    if (record.type === 'attributes' && target.classList.contains('window')) {
      scherzettoTimeline.push([now, record.oldValue === null ? 'hide' : 'show',
                               [...document.querySelectorAll('.window')].indexOf(target), scherzettoArea(target)]);
    } else if (record.type === 'childList' && target.tagName === 'LABEL') {
      for (const node of record.addedNodes)
        scherzettoTimeline.push([now, 'text', node.data, null]);
    }
  }
}).observe(document, { subtree: true, childList: true, attributes: true, attributeFilter: ['hidden'],
                       attributeOldValue: true });
document.addEventListener('securitypolicyviolation', event => scherzettoTimeline.push(
  [performance.now(), 'refused', event.violatedDirective + ' ' + event.blockedURI, null]));
"""


class BrowserDesktop:
    """Chromium with the page, and on request a static server for its folder; both are taken down
    and the profile removed, whatever happens."""

    def __init__(self, page, served=False):
        check(os.path.isfile(page), "there is no %s; scripts/build-web builds it" % page)
        self._profile = tempfile.mkdtemp(prefix="scherzetto-chromium-")
        self._server = None
        url = "file://" + os.path.abspath(page)
        if served:
            handler = functools.partial(QuietHandler, directory=os.path.dirname(os.path.abspath(page)))
            self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
            threading.Thread(target=self._server.serve_forever, daemon=True).start()
            url = "http://127.0.0.1:%d/%s" % (self._server.server_port, os.path.basename(page))
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + self._profile]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.cdp("Page.addScriptToEvaluateOnNewDocument", source=TIMELINE)
        # An Italian browser, as the desktops' tests run in an Italian locale.
        self.cdp("Emulation.setLocaleOverride", locale="it-IT")
        self.url = url
        self.driver.get(url)
        # The page's clock against this one, for the timeline's times.
        self._offset = time.monotonic() - self.script("return performance.now()") / 1000

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def close(self):
        self.driver.quit()
        if self._server:
            self._server.shutdown()
        shutil.rmtree(self._profile, ignore_errors=True)

    def cdp(self, command, **parameters):
        return self.driver.execute_cdp_cmd(command, parameters)

    def script(self, source, *arguments):
        return self.driver.execute_script(source, *arguments)

    # The accessibility tree, as a screen reader reads it.

    def tree(self):
        nodes = self.cdp("Accessibility.getFullAXTree")["nodes"]
        return {node["nodeId"]: node for node in nodes}

    def top_level(self, title, roles=("dialog", "alertdialog")):
        return next(iter(self.windows(title, roles)), None)

    def windows(self, title, roles=("dialog", "alertdialog")):
        return [node for node in self.tree().values()
                if not node.get("ignored") and role(node) in roles and name(node) == title]

    def window(self, title):
        return wait_for('the window "%s"' % title, lambda: self.top_level(title))

    def window_gone(self, title):
        wait_for('the window "%s" to close' % title, lambda: self.top_level(title) is None)

    def message_box(self, title):
        return self.top_level(title, ("alertdialog",))

    def on_screen(self, title):
        return self.top_level(title) is not None

    def fresh(self, item):
        """The node as it is now, found by its element; fails once it is gone."""
        found = next((node for node in self.tree().values() if node.get("backendDOMNodeId")
                      == item["backendDOMNodeId"] and not node.get("ignored")), None)
        check(found, "%s %r is gone" % (role(item), name(item)))
        return found

    def control(self, window, kind, wanted=None):
        def probe():
            tree = self.tree()
            return next((node for node in descendants(tree, self.fresh(window)) if role(node) == ROLES[kind]
                         and wanted in (None, name(node), text_in(tree, node))), None)
        return wait_for('a %s "%s" in "%s"' % (kind, wanted or "", name(window)), probe)

    def text(self, control):
        node = self.fresh(control)
        return node["value"]["value"] if "value" in node else text_in(self.tree(), node)

    def texts(self, window):
        """The texts of the labels and of a message box's prompt, not those of its controls."""
        tree = self.tree()
        return [text_in(tree, node) for node in descendants(tree, self.fresh(window))
                if role(node) in ("LabelText", "paragraph") and text_in(tree, node)
                and not any(role(inner) in ROLES.values() for inner in descendants(tree, node))]

    def checked(self, control):
        return state(self.fresh(control), "checked") == "true"

    def enabled(self, control):
        return not state(self.fresh(control), "disabled")

    def focused(self, control):
        tree = self.tree()
        return any(state(node, "focused") for node in [self.fresh(control), *descendants(tree, self.fresh(control))])

    # Where things are on the page, in CSS pixels, which are the screen pixels of a 96 dpi desktop.

    def box(self, item):
        quad = self.cdp("DOM.getBoxModel", backendNodeId=item["backendDOMNodeId"])["model"]["border"]
        return (quad[0], quad[1], quad[4] - quad[0], quad[5] - quad[1])

    def client_area(self, title):
        return self.geometry(self.window(title)["backendDOMNodeId"])

    def window_ids(self, title):
        return [node["backendDOMNodeId"] for node in self.windows(title)]

    def geometry(self, window_id):
        """Where the window is, as the window log has it (see scherzettoArea)."""
        element = self.cdp("DOM.resolveNode", backendNodeId=window_id)["object"]["objectId"]
        found = self.cdp("Runtime.callFunctionOn", objectId=element, returnByValue=True,
                         functionDeclaration="function() { return scherzettoArea(this); }")
        return tuple(round(value) for value in found["result"]["value"])

    def frame_of(self, client, titled=True):
        return client

    def close_window(self, title):
        """Escape closes the active window, as Alt+F4 does on a desktop: a page cannot take Alt+F4,
        which closes the browser's own window."""
        self.window(title)
        self.key("Escape")

    def mapped_windows(self):
        """Whatever the page still shows: the elements left in its body."""
        return self.script("return [...document.body.children].filter(e => e.offsetWidth).map(e => e.className)")

    def grab(self, rectangle):
        x, y, width, height = rectangle
        shot = self.cdp("Page.captureScreenshot", format="png",
                        clip={"x": x, "y": y, "width": width, "height": height, "scale": 1})
        return screen.Picture(base64.b64decode(shot["data"]))

    # The page's own record of what it did.

    def timeline(self):
        """Every window shown or hidden and every label text set, as (monotonic time, kind, window
        or text, place of the window)."""
        return [(self._offset + when / 1000, kind, what, place)
                for when, kind, what, place in self.script("return scherzettoTimeline")]

    def watch_windows(self):
        return WindowLog(self)

    def wait_for_exit(self, timeout=20):
        status = wait_for("the page to end", lambda: self.script("return document.documentElement.dataset.exitStatus"),
                          timeout=timeout)
        return int(status)

    def requests(self):
        """Every request of the page's document since the last call, as Chromium's network log has
        it; the browser's own pages (its new tab) are not the page's."""
        events = (json.loads(entry["message"])["message"] for entry in self.driver.get_log("performance"))
        return [event["params"]["request"]["url"] for event in events if event["method"] == "Network.requestWillBeSent"
                and event["params"].get("documentURL") == self.url]

    def stored(self):
        """What the page keeps in the browser: cookies, local and session storage, IndexedDB."""
        return self.driver.execute_async_script(
            "const done = arguments[0]; indexedDB.databases().then(databases => done({cookie: document.cookie,"
            " local: localStorage.length, session: sessionStorage.length, indexedDB: databases.length}))")

    # Mouse and keyboard, as a person uses them, through the DevTools protocol.

    def click(self, item):
        x, y, width, height = self.box(item)
        for kind in ("mousePressed", "mouseReleased"):
            self.cdp("Input.dispatchMouseEvent", type=kind, x=x + width / 2, y=y + height / 2, button="left",
                     clickCount=1)

    def type(self, text):
        for character in text:
            self.cdp("Input.dispatchKeyEvent", type="keyDown", key=character, text=character)
            self.cdp("Input.dispatchKeyEvent", type="keyUp", key=character)
            time.sleep(0.03)

    def key(self, *keys):
        for combination in keys:
            *modifiers, key = combination.split("+")
            code, virtual, text = KEYS[key] if key in KEYS else ("Key" + key.upper(), ord(key.upper()), key)
            flags = sum(MODIFIERS[modifier] for modifier in modifiers)
            down = dict(type="keyDown" if text and not flags else "rawKeyDown", key=KEY_NAMES.get(key, key),
                        code=code, windowsVirtualKeyCode=virtual, modifiers=flags)
            if text and not flags:
                down["text"] = text
            if combination == "ctrl+a":
                down["commands"] = ["selectAll"]
            self.cdp("Input.dispatchKeyEvent", **down)
            self.cdp("Input.dispatchKeyEvent", type="keyUp", key=down["key"], code=code,
                     windowsVirtualKeyCode=virtual, modifiers=flags)
            time.sleep(0.03)


KEYS = {"Tab": ("Tab", 9, ""), "Return": ("Enter", 13, "\r"), "Escape": ("Escape", 27, ""), "F4": ("F4", 115, ""),
        "BackSpace": ("Backspace", 8, "")}
KEY_NAMES = {"Return": "Enter", "BackSpace": "Backspace"}
MODIFIERS = {"alt": 1, "ctrl": 2, "shift": 8}


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *arguments):
        pass


class WindowLog:
    """The windows shown from now on, from the page's timeline: what desktop.py's X log reports."""

    def __init__(self, desktop):
        self._desktop = desktop
        self._since = len(desktop.script("return scherzettoTimeline"))
        self._events = None

    def stop(self):
        time.sleep(0.2)
        counts = {}
        for geometry, _, _ in self.showings():
            counts[geometry] = counts.get(geometry, 0) + 1
        return counts

    def showings(self):
        """Each showing as (client area, time shown, time hidden or None)."""
        showings, shown = [], {}
        for when, kind, window, place in self._desktop.timeline()[self._since:]:
            if kind == "show":
                shown[window] = len(showings)
                showings.append([tuple(round(value) for value in place), when, None])
            elif kind == "hide" and window in shown:
                showings[shown.pop(window)][2] = when
        return [tuple(showing) for showing in showings]


def role(node):
    return node.get("role", {}).get("value")


def name(node):
    return node.get("name", {}).get("value", "")


def state(node, wanted):
    return next((item["value"].get("value") for item in node.get("properties", []) if item["name"] == wanted), None)


def descendants(tree, node):
    for child in node.get("childIds", []):
        if child in tree:
            if not tree[child].get("ignored"):
                yield tree[child]
            yield from descendants(tree, tree[child])


def text_in(tree, node):
    return "".join(name(inner) for inner in descendants(tree, node) if role(inner) == "StaticText")


def play(page, *steps, served=False):
    """Runs the steps, each a function of the browser desktop, as one test, and returns what the
    page asked of the network; Chromium always goes, also when ctest stops the test."""
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(128 + number))
    with BrowserDesktop(page, served) as desktop:
        try:
            for step in steps:
                step(desktop)
        except TestFailure:
            print("What the page showed:\n" + desktop.script("return document.body.innerHTML")[-3000:],
                  file=sys.stderr)
            raise
    print("1 passed, 0 failed")
    return desktop
