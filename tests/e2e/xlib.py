"""The Xlib calls that the end-to-end tests, the monkey and the benchmark make themselves, through
ctypes: reading the screen's pixels, the input focus, window names, properties, geometry and
stacking, the X server's events about top-level windows, the messages of a window manager (close
requests and pings), and the mouse and keyboard through the XTEST extension. Each Connection is
one client of the X server and belongs to one thread."""

import ctypes
import ctypes.util
import select
import time

_x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
_xtst = ctypes.CDLL(ctypes.util.find_library("Xtst"))


def _declare(name, result, *arguments, library=_x11):
    function = getattr(library, name)
    function.restype = result
    function.argtypes = list(arguments)
    return function


_Display = ctypes.c_void_p
_Window = ctypes.c_ulong
_Atom = ctypes.c_ulong


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]


class _XEvent(ctypes.Structure):
    # The event union is 24 longs; every event starts with type, serial, send_event and display,
    # and the window fields that the log reads follow at fixed places.
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("first", _Window), ("window", _Window),
                ("rest", ctypes.c_long * 18)]


_ErrorHandler = ctypes.CFUNCTYPE(ctypes.c_int, _Display, ctypes.c_void_p)

_declare("XInitThreads", ctypes.c_int)()
_open = _declare("XOpenDisplay", _Display, ctypes.c_char_p)
_close = _declare("XCloseDisplay", ctypes.c_int, _Display)
_default_root = _declare("XDefaultRootWindow", _Window, _Display)
_default_screen = _declare("XDefaultScreen", ctypes.c_int, _Display)
_display_width = _declare("XDisplayWidth", ctypes.c_int, _Display, ctypes.c_int)
_display_height = _declare("XDisplayHeight", ctypes.c_int, _Display, ctypes.c_int)
_connection_number = _declare("XConnectionNumber", ctypes.c_int, _Display)
_get_image = _declare("XGetImage", ctypes.POINTER(_XImage), _Display, _Window, ctypes.c_int, ctypes.c_int,
                      ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int)
_destroy_image = _declare("XDestroyImage", ctypes.c_int, ctypes.POINTER(_XImage))
_intern_atom = _declare("XInternAtom", _Atom, _Display, ctypes.c_char_p, ctypes.c_int)
_get_window_property = _declare(
    "XGetWindowProperty", ctypes.c_int, _Display, _Window, _Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int,
    _Atom, ctypes.POINTER(_Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p))
_free = _declare("XFree", ctypes.c_int, ctypes.c_void_p)
_fetch_name = _declare("XFetchName", ctypes.c_int, _Display, _Window, ctypes.POINTER(ctypes.c_char_p))
_get_input_focus = _declare("XGetInputFocus", ctypes.c_int, _Display, ctypes.POINTER(_Window),
                            ctypes.POINTER(ctypes.c_int))
_query_tree = _declare("XQueryTree", ctypes.c_int, _Display, _Window, ctypes.POINTER(_Window),
                       ctypes.POINTER(_Window), ctypes.POINTER(ctypes.POINTER(_Window)),
                       ctypes.POINTER(ctypes.c_uint))
_select_input = _declare("XSelectInput", ctypes.c_int, _Display, _Window, ctypes.c_long)
_send_event = _declare("XSendEvent", ctypes.c_int, _Display, _Window, ctypes.c_int, ctypes.c_long,
                       ctypes.c_void_p)
_pending = _declare("XPending", ctypes.c_int, _Display)
_next_event = _declare("XNextEvent", ctypes.c_int, _Display, ctypes.c_void_p)
_flush = _declare("XFlush", ctypes.c_int, _Display)
_sync = _declare("XSync", ctypes.c_int, _Display, ctypes.c_int)
_Int, _Unsigned = ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_uint)
_get_geometry = _declare("XGetGeometry", ctypes.c_int, _Display, _Window, ctypes.POINTER(_Window), _Int, _Int,
                         _Unsigned, _Unsigned, _Unsigned, _Unsigned)
_translate_coordinates = _declare("XTranslateCoordinates", ctypes.c_int, _Display, _Window, _Window, ctypes.c_int,
                                  ctypes.c_int, _Int, _Int, ctypes.POINTER(_Window))
_string_to_keysym = _declare("XStringToKeysym", ctypes.c_ulong, ctypes.c_char_p)
_keysym_to_keycode = _declare("XKeysymToKeycode", ctypes.c_ubyte, _Display, ctypes.c_ulong)
_fake_motion = _declare("XTestFakeMotionEvent", ctypes.c_int, _Display, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                        ctypes.c_ulong, library=_xtst)
_fake_button = _declare("XTestFakeButtonEvent", ctypes.c_int, _Display, ctypes.c_uint, ctypes.c_int,
                        ctypes.c_ulong, library=_xtst)
_fake_key = _declare("XTestFakeKeyEvent", ctypes.c_int, _Display, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong,
                     library=_xtst)


# Xlib's own handler ends the process on any protocol error, for instance when a window goes away
# while it is being read. A request that fails here simply yields nothing.
@_ErrorHandler
def _ignore_error(display, event):
    return 0


_declare("XSetErrorHandler", ctypes.c_void_p, _ErrorHandler)(_ignore_error)

ALL_PLANES = 0xFFFFFFFFFFFFFFFF
Z_PIXMAP = 2
ANY_PROPERTY_TYPE = 0
XA_WINDOW = 33
STRUCTURE_NOTIFY_MASK = 1 << 17
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
CLIENT_MESSAGE = 33
CREATE_NOTIFY, DESTROY_NOTIFY, UNMAP_NOTIFY, MAP_NOTIFY, REPARENT_NOTIFY = 16, 17, 18, 19, 21


class Image:
    """Pixels read from the screen: 24-bit colour in 32-bit little-endian words, as Xvfb and
    Xwayland keep them. `data` holds the rows without padding, so that two images of the same
    rectangle are equal exactly when their pixels are."""

    def __init__(self, width, height, data):
        self.width = width
        self.height = height
        self.data = data

    def pixel(self, x, y):
        offset = 4 * (y * self.width + x)
        blue, green, red = self.data[offset:offset + 3]
        return (red, green, blue)

    def rows(self):
        """The image as rows of (r, g, b) tuples."""
        return [[self.pixel(x, y) for x in range(self.width)] for y in range(self.height)]


class Connection:
    def __init__(self, display_name):
        self._display = _open(display_name.encode())
        if not self._display:
            raise RuntimeError("cannot open the X display " + display_name)
        self.root = _default_root(self._display)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def close(self):
        if self._display:
            _close(self._display)
            self._display = None

    def root_size(self):
        screen = _default_screen(self._display)
        return (_display_width(self._display, screen), _display_height(self._display, screen))

    def image(self, x, y, width, height, window=None):
        """The pixels of a rectangle of the screen (or of a window), one XGetImage: what the X
        server shows there, windows inside windows included. None if it cannot be read."""
        image = _get_image(self._display, window or self.root, x, y, width, height, ALL_PLANES, Z_PIXMAP)
        if not image:
            return None
        try:
            ximage = image.contents
            if ximage.bits_per_pixel != 32 or ximage.byte_order != 0:
                raise RuntimeError("only 32-bit little-endian pixels are read, not %d-bit"
                                   % ximage.bits_per_pixel)
            row_bytes = 4 * width
            if ximage.bytes_per_line == row_bytes:
                data = ctypes.string_at(ximage.data, row_bytes * height)
            else:
                data = b"".join(ctypes.string_at(ximage.data + y * ximage.bytes_per_line, row_bytes)
                                for y in range(height))
        finally:
            _destroy_image(image)
        return Image(width, height, data)

    def atom(self, name):
        return _intern_atom(self._display, name.encode(), 0)

    def property(self, window, name, kind=ANY_PROPERTY_TYPE):
        """A property of a window: a list of its items for a 32-bit property, the bytes of an 8-bit
        one, or None if the window has no such property."""
        actual_type, actual_format = _Atom(), ctypes.c_int()
        count, remaining, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        status = _get_window_property(self._display, window, self.atom(name), 0, 1024, 0, kind,
                                      ctypes.byref(actual_type), ctypes.byref(actual_format), ctypes.byref(count),
                                      ctypes.byref(remaining), ctypes.byref(data))
        if status != 0 or not data.value:
            return None
        try:
            if actual_format.value == 32:
                return list((ctypes.c_ulong * count.value).from_address(data.value))
            if actual_format.value == 8:
                return ctypes.string_at(data.value, count.value)
            return None
        finally:
            _free(data)

    def name(self, window):
        """The window's title (WM_NAME), or None."""
        name = ctypes.c_char_p()
        if not _fetch_name(self._display, window, ctypes.byref(name)) or not name.value:
            return None
        try:
            return name.value.decode("utf-8", "replace")
        finally:
            _free(name)

    def input_focus(self):
        window, revert = _Window(), ctypes.c_int()
        _get_input_focus(self._display, ctypes.byref(window), ctypes.byref(revert))
        return window.value

    def tree(self, window):
        """(parent, children bottom first) of a window; (None, []) once it is gone."""
        root, parent = _Window(), _Window()
        children, count = ctypes.POINTER(_Window)(), ctypes.c_uint()
        if not _query_tree(self._display, window, ctypes.byref(root), ctypes.byref(parent),
                           ctypes.byref(children), ctypes.byref(count)):
            return None, []
        listed = [children[index] for index in range(count.value)]
        if children:
            _free(children)
        return parent.value, listed

    def parent(self, window):
        return self.tree(window)[0]

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen, or None once it is gone."""
        root, child = _Window(), _Window()
        x, y, width, height, border, depth = (ctypes.c_int(), ctypes.c_int(), ctypes.c_uint(), ctypes.c_uint(),
                                              ctypes.c_uint(), ctypes.c_uint())
        if not _get_geometry(self._display, window, ctypes.byref(root), ctypes.byref(x), ctypes.byref(y),
                             ctypes.byref(width), ctypes.byref(height), ctypes.byref(border), ctypes.byref(depth)):
            return None
        if not _translate_coordinates(self._display, window, self.root, 0, 0, ctypes.byref(x), ctypes.byref(y),
                                      ctypes.byref(child)):
            return None
        return x.value, y.value, width.value, height.value

    def window_manager(self):
        """The name of the window manager that manages the screen, following the EWMH check
        window, or None while there is none."""
        check = self.property(self.root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW)
        if not check or self.property(check[0], "_NET_SUPPORTING_WM_CHECK", XA_WINDOW) != check[:1]:
            return None
        name = self.property(check[0], "_NET_WM_NAME")
        return name.decode("utf-8", "replace") if isinstance(name, bytes) and name else "unnamed"

    def send_protocol_message(self, window, protocol, *arguments):
        """A WM_PROTOCOLS client message to a window, as a window manager sends it: the protocol,
        then its arguments (a time stamp of 0 unless given)."""
        event = _ClientMessage(type=CLIENT_MESSAGE, window=window, message_type=self.atom("WM_PROTOCOLS"),
                               format=32)
        event.data[0] = self.atom(protocol)
        for index, argument in enumerate(arguments, 1):
            event.data[index] = argument
        _send_event(self._display, window, 0, 0, ctypes.byref(event))
        _flush(self._display)

    def watch_pings(self):
        """Asks for the answers to pings, which a program sends to the root window's listeners."""
        _select_input(self._display, self.root, STRUCTURE_NOTIFY_MASK)
        _sync(self._display, 0)

    def ping(self, windows, token, timeout):
        """Pings the windows (_NET_WM_PING, as window managers look for hung programs) and tells
        whether one answered within timeout seconds: the program's event loop runs. watch_pings()
        must have been called."""
        for window in windows:
            self.send_protocol_message(window, "_NET_WM_PING", token, window)
        protocols, ping = self.atom("WM_PROTOCOLS"), self.atom("_NET_WM_PING")
        event = _ClientMessage()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while _pending(self._display):
                _next_event(self._display, ctypes.byref(event))
                if event.type == CLIENT_MESSAGE and event.message_type == protocols \
                        and event.data[0] == ping and event.data[1] == token:
                    return True
            time.sleep(0.01)
        return False

    # The mouse and the keyboard, through the XTEST extension as xdotool uses them, without
    # starting a process for every event.

    def move(self, x, y):
        _fake_motion(self._display, -1, x, y, 0)
        _flush(self._display)

    def button(self, number, press):
        _fake_button(self._display, number, press, 0)
        _flush(self._display)

    MODIFIERS = {"shift": "Shift_L", "ctrl": "Control_L", "alt": "Alt_L"}

    def key(self, combination):
        """Presses and releases a key such as "Tab", "a" or "ctrl+a", with its modifiers."""
        names = [self.MODIFIERS.get(name, name) for name in combination.split("+")]
        codes = [_keysym_to_keycode(self._display, _string_to_keysym(name.encode())) for name in names]
        codes = [code for code in codes if code]
        for code in codes:
            _fake_key(self._display, code, 1, 0)
        for code in reversed(codes):
            _fake_key(self._display, code, 0, 0)
        _flush(self._display)

    def watch_top_level(self):
        """Asks for the events of the root window's children: creation, mapping, unmapping,
        reparenting and destruction."""
        _select_input(self._display, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        _sync(self._display, 0)

    def next_events(self, timeout):
        """The events that arrived, waiting up to timeout seconds for the first one; each as
        (type, window, parent-or-event, x, y, width, height, send_event)."""
        if not _pending(self._display):
            readable, _, _ = select.select([_connection_number(self._display)], [], [], timeout)
            if not readable:
                return []
        events = []
        event = _XEvent()
        while _pending(self._display):
            _next_event(self._display, ctypes.byref(event))
            x, y, width, height = (ctypes.c_int * 4).from_buffer_copy(event, 48)
            if event.type == CREATE_NOTIFY:
                # XCreateWindowEvent: parent, window, then x, y, width and height.
                events.append((event.type, event.window, event.first, x, y, width, height, event.send_event))
            elif event.type == REPARENT_NOTIFY:
                # XReparentEvent: event, window, then the new parent.
                parent = ctypes.c_ulong.from_buffer_copy(event, 48).value
                events.append((event.type, event.window, parent, 0, 0, 0, 0, event.send_event))
            else:
                events.append((event.type, event.window, event.first, 0, 0, 0, 0, event.send_event))
        return events
