"""The page in a browser, for end-to-end tests: Debian's Chromium (through chromium-driver and the
DevTools protocol), Firefox ESR (through puppeteer-core over WebDriver BiDi, puppeteer_bridge.js)
or WebKitGTK, Safari's engine (through WebKitWebDriver and its MiniBrowser, on a display of its
own). Each runs with a fresh profile, in Italian, the page opened from disk (or, in Chromium, from
a private static server). Each engine's driver only runs scripts, moves the mouse, taps and types,
and takes screenshots; one BrowserDesktop above them answers the questions of desktop.py and
wine.py (window, control, text, checked, enabled, focused, texts, message_box, client_area...)
for the scenarios of scenarios.py, reading the page as a screen reader reads it: the roles and
names that its elements and ARIA attributes give, in reading order.

A timeline installed with the page (in WebKit, once it has loaded) logs, by the page's clock,
every window shown or hidden, every text set in a label, every script error and everything that
the page's policy refused: the windows' showings and the progress captions come from there."""

import base64
import functools
import http.server
import inspect
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

from desktop import Desktop, TestFailure, check, wait_for
import screen

HERE = os.path.dirname(os.path.abspath(__file__))
ENGINES = ("chromium", "firefox", "webkit")
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync", "--no-first-run", "--lang=it-IT",
                  "--hide-scrollbars"]
MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
WEBKIT_DRIVER = "/usr/bin/WebKitWebDriver"
# The roles of the scenarios' control kinds.
ROLES = {"push button": "button", "text": "textbox", "combo box": "combobox", "radio button": "radio",
         "check box": "checkbox", "label": "label"}
HELPERS = """
if (!window.scherzettoTimeline) {
window.scherzettoTimeline = [];
// Where a window is, as a desktop has it: the client area under a title bar, or the whole bordered
// box of a window without one; in the page's own pixels, however the page is fitted to the screen.
window.scherzettoArea = frame => {
  const r = (frame.querySelector(':scope > .title') ? frame.querySelector(':scope > .client') : frame)
    .getBoundingClientRect();
  if (!frame.parentElement)
    return null;  // the page has ended
  const desk = frame.parentElement.getBoundingClientRect();
  const scale = new DOMMatrix(getComputedStyle(frame.parentElement).transform).a;
  return [(r.x - desk.x) / scale, (r.y - desk.y) / scale, r.width / scale, r.height / scale];
};
// The page as a screen reader reads it: each element's role and accessible name.
window.scherzettoKeys = new Map();
window.scherzettoItem = element => {
  if (!element.scherzettoKey_) {
    element.scherzettoKey_ = scherzettoKeys.size + 1;
    scherzettoKeys.set(element.scherzettoKey_, element);
  }
  const role = element.getAttribute('role') || (element.tagName === 'BUTTON' ? 'button' : element.tagName === 'LABEL'
    ? 'label' : element.tagName === 'P' ? 'paragraph' : element.type === 'text' ? 'textbox' : element.type);
  const byIds = ids => ids.split(' ').map(id => document.getElementById(id).textContent).join(' ');
  const labels = element.labels && element.labels.length ? [...element.labels].map(l => l.textContent).join(' ') : '';
  const name = element.getAttribute('aria-labelledby') ? byIds(element.getAttribute('aria-labelledby'))
    : element.tagName === 'INPUT' ? labels : element.tagName === 'BUTTON' ? element.textContent : '';
  return { key: element.scherzettoKey_, role, name, text: element.tagName === 'INPUT' ? element.value
    : element.tagName === 'LABEL' && element.control ? element.lastChild.data : element.textContent };
};
window.scherzettoShown = element => element.isConnected && element.getClientRects().length > 0
  && !element.closest('[aria-hidden="true"], [hidden]');
new MutationObserver(records => {
  const now = performance.now();
  for (const record of records) {
    const target = record.target;
    if (target.classList.contains('window'))
      scherzettoTimeline.push([now, record.oldValue === null ? 'hide' : 'show',
                               [...document.querySelectorAll('.window')].indexOf(target), scherzettoArea(target)]);
  }
}).observe(document, { subtree: true, attributes: true, attributeFilter: ['hidden'], attributeOldValue: true });
// A label's text is logged when it is set, not when the task that set it ends, as an observer
// would see it.
const textContent = Object.getOwnPropertyDescriptor(Node.prototype, 'textContent');
Object.defineProperty(Node.prototype, 'textContent', { ...textContent, set(text) {
  textContent.set.call(this, text);
  if (this.tagName === 'LABEL')
    scherzettoTimeline.push([performance.now(), 'text', String(text), null]);
} });
document.addEventListener('securitypolicyviolation', event => scherzettoTimeline.push(
  [performance.now(), 'refused', event.violatedDirective + ' ' + event.blockedURI, null]));
window.addEventListener('error', event => scherzettoTimeline.push([performance.now(), 'error', event.message, null]));
// What the page writes to the console, where the sanitizers report; a runtime that binds the
// console as it starts, before these lines in WebKit, writes past them.
for (const level of ['log', 'info', 'warn', 'error']) {
  const write = console[level];
  console[level] = function (...parts) {
    scherzettoTimeline.push([performance.now(), 'console', parts.map(String).join(' '), null]);
    return write.apply(this, parts);
  };
}
window.addEventListener('unhandledrejection', event => scherzettoTimeline.push(
  [performance.now(), 'error', String(event.reason), null]));
}
"""


# The engines' drivers: each opens the page at a viewport size and offers script, click, key,
# type, screenshot, requests and close.

class Chromium:
    def __init__(self, url, width, height, touch=False):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        self._profile = tempfile.mkdtemp(prefix="scherzetto-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + self._profile, "--window-size=%d,%d" % (width, height)]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.cdp("Page.addScriptToEvaluateOnNewDocument", source=HELPERS)
        self.cdp("Emulation.setLocaleOverride", locale="it-IT")
        self.touch = touch
        if touch:
            self.resize(width, height)
        self.url = url
        self.driver.get(url)

    def cdp(self, command, **parameters):
        return self.driver.execute_cdp_cmd(command, parameters)

    def resize(self, width, height):
        """A phone or tablet of this size, held as its sides say, with a touch screen."""
        self.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=2, mobile=True,
                 screenOrientation={"type": "portraitPrimary" if height > width else "landscapePrimary",
                                    "angle": 0 if height > width else 90})
        self.cdp("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)

    def script(self, body, *arguments):
        return self.driver.execute_script(body, *arguments)

    def click(self, x, y):
        if self.touch:
            return self.tap(x, y)
        for kind in ("mousePressed", "mouseReleased"):
            self.cdp("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def tap(self, x, y):
        self.cdp("Input.dispatchTouchEvent", type="touchStart", touchPoints=[{"x": x, "y": y}])
        self.cdp("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def key(self, key, modifiers):
        code, virtual, text = KEYS[key] if key in KEYS else ("Key" + key.upper(), ord(key.upper()), key)
        flags = sum(MODIFIERS[modifier] for modifier in modifiers)
        down = dict(type="keyDown" if text and not flags else "rawKeyDown", key=KEY_NAMES.get(key, key), code=code,
                    windowsVirtualKeyCode=virtual, modifiers=flags)
        if text and not flags:
            down["text"] = text
        if modifiers == ["ctrl"] and key == "a":
            down["commands"] = ["selectAll"]
        self.cdp("Input.dispatchKeyEvent", **down)
        self.cdp("Input.dispatchKeyEvent", type="keyUp", key=down["key"], code=code, windowsVirtualKeyCode=virtual,
                 modifiers=flags)

    def type(self, text):
        for character in text:
            self.cdp("Input.dispatchKeyEvent", type="keyDown", key=character, text=character)
            self.cdp("Input.dispatchKeyEvent", type="keyUp", key=character)
            time.sleep(0.03)

    def screenshot(self, x, y, width, height):
        shot = self.cdp("Page.captureScreenshot", format="png",
                        clip={"x": x, "y": y, "width": width, "height": height, "scale": 1})
        return screen.Picture(base64.b64decode(shot["data"]))

    def accessible(self, expression):
        """The role and name under which Chromium's accessibility tree, the one that screen readers
        read, has the element that the expression finds."""
        found = self.cdp("Runtime.evaluate", expression=expression)["result"]
        node = self.cdp("Accessibility.getPartialAXTree", objectId=found["objectId"], fetchRelatives=False)["nodes"][0]
        return node.get("role", {}).get("value"), node.get("name", {}).get("value", "")

    def requests(self):
        """Every request of the page's document, as Chromium's network log has it; the browser's
        own pages (its new tab) are not the page's."""
        events = (json.loads(entry["message"])["message"] for entry in self.driver.get_log("performance"))
        return [event["params"]["request"]["url"] for event in events if event["method"] == "Network.requestWillBeSent"
                and event["params"].get("documentURL") == self.url]

    def close(self):
        self.driver.quit()
        shutil.rmtree(self._profile, ignore_errors=True)


class Firefox:
    def __init__(self, url, width, height, touch=False):
        self._bridge = subprocess.Popen(["node", os.path.join(HERE, "puppeteer_bridge.js"), "/usr/bin/firefox-esr"],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.url = url
        self._call("launch", url=url, width=width, height=height, preload=HELPERS)

    def _call(self, op, **arguments):
        self._bridge.stdin.write(json.dumps(dict(arguments, op=op)) + "\n")
        self._bridge.stdin.flush()
        answer = json.loads(self._bridge.stdout.readline() or '{"error": "the bridge to Firefox has gone"}')
        if "error" in answer:
            raise RuntimeError("Firefox: " + answer["error"])
        return answer["value"]

    def script(self, body, *arguments):
        return self._call("script", body=body, args=list(arguments))

    def click(self, x, y):
        self._call("click", x=x, y=y)

    def key(self, key, modifiers):
        self._call("key", key=PUPPETEER_KEYS.get(key, key), modifiers=[PUPPETEER_KEYS[m] for m in modifiers])

    def type(self, text):
        self._call("type", text=text)

    def screenshot(self, x, y, width, height):
        return screen.Picture(base64.b64decode(self._call("screenshot", x=x, y=y, width=width, height=height)))

    def requests(self):
        """What Firefox's network log has (nothing for a page from disk) and what the page itself
        records of its loading."""
        logged, own = self._call("requests"), self.script(OWN_REQUESTS)
        return own + [url for url in logged if url not in own]

    def close(self):
        try:
            self._call("close")
        finally:
            self._bridge.stdin.close()
            self._bridge.wait(timeout=30)


class WebKit:
    def __init__(self, url, width, height, touch=False):
        from selenium import webdriver
        self._scratch = tempfile.mkdtemp(prefix="scherzetto-webkit-")
        self._desktop = None
        try:
            # WebKit's Intl follows the process's locale: an Italian one, built here if the system
            # has none.
            subprocess.run(["localedef", "-i", "it_IT", "-f", "UTF-8", os.path.join(self._scratch, "it_IT.UTF-8")],
                           check=False, capture_output=True, timeout=120)
            self._desktop = Desktop(width=width + 100, height=height + 200)
            environment = dict(self._desktop._environment, LOCPATH=self._scratch, HOME=self._scratch,
                               XDG_RUNTIME_DIR=self._scratch)
            options = webdriver.WebKitGTKOptions()
            options.binary_location = MINIBROWSER
            options.add_argument("--automation")
            # Selenium 4.8 starts WebKitWebDriver, and so the browser, with this process's variables.
            saved = dict(os.environ)
            os.environ.update(environment)
            try:
                self.driver = webkit_driver(webdriver, options)
            finally:
                os.environ.clear()
                os.environ.update(saved)
        except BaseException:
            self.close()
            raise
        self.driver.set_window_size(width, height)
        self.url = url
        self.driver.get(url)
        # The window's own parts take some of its size: the viewport is made the size asked for.
        inner = self.driver.execute_script("return [innerWidth, innerHeight]")
        self.driver.set_window_size(2 * width - inner[0], 2 * height - inner[1])
        self.driver.execute_script(HELPERS)

    def script(self, body, *arguments):
        return self.driver.execute_script(body, *arguments)

    def _actions(self):
        from selenium.webdriver.common.action_chains import ActionChains
        return ActionChains(self.driver, duration=0)

    def click(self, x, y):
        from selenium.webdriver.common.actions.action_builder import ActionBuilder
        actions = ActionBuilder(self.driver, duration=0)
        actions.pointer_action.move_to_location(int(x), int(y)).click()
        actions.perform()

    def key(self, key, modifiers):
        from selenium.webdriver.common.keys import Keys
        actions = self._actions()
        names = [getattr(Keys, SELENIUM_KEYS.get(m, m.upper())) for m in modifiers]
        for name in names:
            actions.key_down(name)
        actions.send_keys(getattr(Keys, SELENIUM_KEYS[key]) if key in SELENIUM_KEYS else key)
        for name in reversed(names):
            actions.key_up(name)
        actions.perform()

    def type(self, text):
        for character in text:
            self._actions().send_keys(character).perform()
            time.sleep(0.03)

    def screenshot(self, x, y, width, height):
        """Read from the display: WebKitWebDriver's own screenshot waits, now and then for ever, for
        a rendering update that an unchanging page never asks for."""
        left, top = self.driver.execute_script("return [screenX + outerWidth - innerWidth, "
                                               "screenY + outerHeight - innerHeight]")
        return screen.grab(self._desktop.display, (round(left + x), round(top + y), round(width), round(height)))

    def requests(self):
        return self.script(OWN_REQUESTS)

    def close(self):
        if getattr(self, "driver", None):
            self.driver.quit()
        if self._desktop:
            self._desktop.close()
        shutil.rmtree(self._scratch, ignore_errors=True)


def webkit_driver(webdriver, options):
    """WebKitWebDriver with the MiniBrowser: Selenium 4.8 (Debian 12) takes the driver's path, and
    Selenium 4.24 (Debian 13) a service that knows it."""
    if "service" in inspect.signature(webdriver.WebKitGTK).parameters:
        from selenium.webdriver.webkitgtk.service import Service
        return webdriver.WebKitGTK(options=options, service=Service(executable_path=WEBKIT_DRIVER))
    return webdriver.WebKitGTK(executable_path=WEBKIT_DRIVER, options=options)


def is_sanitized(page):
    """Whether the page is the sanitizers' build (the `web-asan` preset's), which has no size limit
    and looks for leaks once the page has ended."""
    return "web-asan" in os.path.abspath(page).split(os.sep)


# The first line of a report of AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer.
SANITIZER_REPORT = re.compile(r"\b(AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer)\b|runtime error: ")


# What a page records of its loading: itself and every resource that it fetched.
OWN_REQUESTS = "return [location.href, ...performance.getEntriesByType('resource').map(e => e.name)]"
DRIVERS = {"chromium": Chromium, "firefox": Firefox, "webkit": WebKit}
KEYS = {"Tab": ("Tab", 9, ""), "Return": ("Enter", 13, "\r"), "Escape": ("Escape", 27, ""), "F4": ("F4", 115, ""),
        "BackSpace": ("Backspace", 8, ""), "Down": ("ArrowDown", 40, ""), "Up": ("ArrowUp", 38, ""),
        "space": ("Space", 32, " ")}
KEY_NAMES = {"Return": "Enter", "BackSpace": "Backspace", "Down": "ArrowDown", "Up": "ArrowUp", "space": " "}
MODIFIERS = {"alt": 1, "ctrl": 2, "shift": 8}
PUPPETEER_KEYS = {"Return": "Enter", "BackSpace": "Backspace", "Down": "ArrowDown", "Up": "ArrowUp", "space": " ",
                  "alt": "Alt", "ctrl": "Control", "shift": "Shift"}
SELENIUM_KEYS = {"Tab": "TAB", "Return": "ENTER", "Escape": "ESCAPE", "F4": "F4", "BackSpace": "BACKSPACE",
                 "Down": "ARROW_DOWN", "Up": "ARROW_UP", "space": "SPACE", "ctrl": "CONTROL"}


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *arguments):
        pass


class BrowserDesktop:
    """The page in one engine at one viewport size, with a touch screen on request, and on request
    a static server for its folder; all is taken down whatever happens."""

    def __init__(self, page, engine="chromium", served=False, size=(1024, 768), touch=False):
        check(os.path.isfile(page), "there is no %s; scripts/build-web builds it" % page)
        self.engine, self.page = engine, page
        self.sanitized = is_sanitized(page)
        self._server = None
        self.url = "file://" + os.path.abspath(page)
        if served:
            handler = functools.partial(QuietHandler, directory=os.path.dirname(os.path.abspath(page)))
            self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
            threading.Thread(target=self._server.serve_forever, daemon=True).start()
            self.url = "http://127.0.0.1:%d/%s" % (self._server.server_port, os.path.basename(page))
        try:
            self.browser = DRIVERS[engine](self.url, *size, touch=touch)
        except BaseException:
            self.close(browser=False)
            raise
        self._since_load()

    def _since_load(self):
        # The page's clock against this one, for the timeline's times.
        self._offset = time.monotonic() - self.script("return performance.now()") / 1000

    def reload(self, size=None):
        """The page afresh, at another size of the screen if one is given."""
        if size:
            self.browser.resize(*size)
        self.browser.driver.get(self.url)
        self._since_load()

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def close(self, browser=True):
        if browser:
            self.browser.close()
        if self._server:
            self._server.shutdown()

    def script(self, body, *arguments):
        return self.browser.script(body, *arguments)

    def read(self, body, *arguments):
        """A script with the page's reading helpers at hand (in WebKit, put in once the page had
        loaded)."""
        return self.script("if (!window.scherzettoItem) { %s }\n%s" % (HELPERS, body), *arguments)

    # The page as a screen reader reads it.

    def windows(self, title, roles=("dialog", "alertdialog")):
        found = self.read("return [...document.querySelectorAll('[role=dialog], [role=alertdialog]')]"
                          ".filter(scherzettoShown).map(scherzettoItem)")
        return [item for item in found if item["role"] in roles and item["name"] == title]

    def top_level(self, title, roles=("dialog", "alertdialog")):
        return next(iter(self.windows(title, roles)), None)

    def window(self, title):
        return wait_for('the window "%s"' % title, lambda: self.top_level(title))

    def window_gone(self, title):
        wait_for('the window "%s" to close' % title, lambda: self.top_level(title) is None)

    def message_box(self, title):
        return self.top_level(title, ("alertdialog",))

    def on_screen(self, title):
        return self.top_level(title) is not None

    def fresh(self, item):
        """The item as it is now; fails once it is gone."""
        found = self.read("const e = scherzettoKeys.get(arguments[0]); return e && scherzettoShown(e) ? "
                          "Object.assign(scherzettoItem(e), {checked: e.checked, disabled: e.disabled, "
                          "focused: e === document.activeElement}) : null", item["key"])
        check(found, "%s %r is gone" % (item["role"], item["name"]))
        return found

    def controls(self, window):
        return self.read("return [...scherzettoKeys.get(arguments[0]).querySelectorAll("
                         "'button, input, label, p')].filter(scherzettoShown).map(scherzettoItem)", window["key"])

    def control(self, window, kind, wanted=None):
        def probe():
            return next((item for item in self.controls(window) if item["role"] == ROLES[kind]
                         and wanted in (None, item["name"], item["text"])), None)
        return wait_for('a %s "%s" in "%s"' % (kind, wanted or "", window["name"]), probe)

    def text(self, control):
        return self.fresh(control)["text"]

    def texts(self, window):
        """The texts of the labels and of a message box's prompt, not those of its controls."""
        return [item["text"] for item in self.read(
            "return [...scherzettoKeys.get(arguments[0]).querySelectorAll('label:not(.choice), p')]"
            ".filter(scherzettoShown).map(scherzettoItem)", window["key"]) if item["text"]]

    def checked(self, control):
        return self.fresh(control)["checked"]

    def enabled(self, control):
        return not self.fresh(control)["disabled"]

    def focused(self, control):
        return self.fresh(control)["focused"]

    # Where things are: on the screen, in the browser's pixels, and in the page's own pixels,
    # which are the screen pixels of a 96 dpi desktop.

    def box(self, item):
        """Where the item is drawn on the screen: (x, y, width, height)."""
        return tuple(self.read("const r = scherzettoKeys.get(arguments[0]).getBoundingClientRect();"
                               "return [r.x, r.y, r.width, r.height]", item["key"]))

    def client_area(self, title):
        return self.geometry(self.window(title)["key"])

    def window_ids(self, title):
        return [item["key"] for item in self.windows(title)]

    def geometry(self, window_id):
        """Where the window is, as the window log has it (see scherzettoArea)."""
        return tuple(round(value) for value in self.read("return scherzettoArea(scherzettoKeys.get(arguments[0]))",
                                                         window_id))

    def frame_of(self, client, titled=True):
        return client

    def close_window(self, title):
        """Escape closes the active window, as Alt+F4 does on a desktop: a page cannot take Alt+F4,
        which closes the browser's own window."""
        self.window(title)
        self.key("Escape")

    def mapped_windows(self):
        """Whatever the page still shows: the elements left in its body."""
        return self.script("return [...document.body.querySelectorAll('.desk > *, body > *')]"
                           ".filter(e => e.offsetWidth).map(e => e.className)")

    def grab(self, rectangle):
        """A picture of a rectangle in the page's own pixels, as the screen shows it."""
        x, y, width, height = rectangle
        origin = self.script("const d = document.querySelector('.desk'); const r = d ? d.getBoundingClientRect() : "
                             "{x: 0, y: 0}; return [r.x, r.y, d ? new DOMMatrix(getComputedStyle(d).transform).a : 1]")
        return self.browser.screenshot(origin[0] + x * origin[2], origin[1] + y * origin[2], width * origin[2],
                                       height * origin[2])

    # The page's own record of what it did.

    def timeline(self):
        """Every window shown or hidden, every label text set, every script error and every
        refusal of the policy, as (monotonic time, kind, window or text, place of the window)."""
        return [(self._offset + when / 1000, kind, what, place)
                for when, kind, what, place in self.read("return scherzettoTimeline")]

    def watch_windows(self):
        return WindowLog(self)

    def wait_for_exit(self, timeout=20):
        status = wait_for("the page to end", lambda: self.script("return document.documentElement.dataset.exitStatus"),
                          timeout=timeout)
        return int(status)

    def requests(self):
        return self.browser.requests()

    def sanitizer_reports(self):
        """Fails with whatever a sanitizer wrote to the console, from its report's first line on.
        A sanitized page that has ended is given the time to look for leaks."""
        checked = True
        if self.sanitized and self.script("return document.documentElement.dataset.exitStatus") is not None:
            try:
                wait_for("the page's leak check after its end", lambda: self.script(
                    "return document.documentElement.dataset.leaksChecked"), timeout=60)
            except TestFailure:
                checked = False
        # A report names the page's code by its whole address, the page's binary as a data URI.
        lines = [re.sub(r"data:[^)\s]{60,}", "page", what) for _, kind, what, _ in self.timeline() if kind == "console"]
        first = next((index for index, line in enumerate(lines) if SANITIZER_REPORT.search(line)), None)
        check(first is None, "a sanitizer's report in the console:\n" + "\n".join(lines[first or 0:][:60]))
        check(checked, "the page's leak check did not end; its console:\n" + "\n".join(lines[-20:]))

    def stored(self):
        """What the page keeps in the browser: cookies, local and session storage, IndexedDB."""
        return self.script("return (indexedDB.databases ? indexedDB.databases() : Promise.resolve([])).then("
                           "databases => ({cookie: document.cookie, local: localStorage.length, "
                           "session: sessionStorage.length, indexedDB: databases.length}))")

    # Mouse, touch and keyboard, as a person uses them, through the engine's input.

    def click(self, item):
        x, y, width, height = self.box(item)
        self.browser.click(x + width / 2, y + height / 2)

    def type(self, text):
        self.browser.type(text)

    def key(self, *keys):
        for combination in keys:
            *modifiers, key = combination.split("+")
            self.browser.key(key, modifiers)
            time.sleep(0.03)


class WindowLog:
    """The windows shown from now on, from the page's timeline: what desktop.py's X log reports."""

    def __init__(self, desktop):
        self._desktop = desktop
        self._since = len(desktop.read("return scherzettoTimeline"))

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


def play(page, *steps, engine="chromium", served=False, size=(1024, 768), touch=False):
    """Runs the steps, each a function of the browser desktop, as one test, and returns the
    desktop; the browser always goes, also when ctest stops the test."""
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(128 + number))
    with BrowserDesktop(page, engine, served, size, touch) as desktop:
        try:
            for step in steps:
                step(desktop)
            desktop.sanitizer_reports()
        except (TestFailure, RuntimeError):
            print("What the page showed in %s:\n%s" % (engine, desktop.script(
                "return document.body.innerHTML")[-3000:]), file=sys.stderr)
            desktop.sanitizer_reports()  # a sanitizer's report, where one stopped the page, comes first
            raise
    return desktop
