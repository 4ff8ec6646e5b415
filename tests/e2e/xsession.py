"""A private X server for tests of the real program: start Xvfb, find a window, take a
screenshot of it, click into it, and close it the way a window manager's close box does."""

import ctypes
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time


def poll(test, what, look, timeout):
    """Calls look() until it returns something other than None and returns that; fails `test`
    once `timeout` seconds have passed."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = look()
        if found is not None:
            return found
        time.sleep(0.01)
    test.fail(f"timed out waiting for {what}")


class XSession:
    def __init__(self, width=1024, height=768):
        if not shutil.which("Xvfb"):
            raise RuntimeError("Xvfb is not installed")
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.server.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb")
        self.env.pop("WAYLAND_DISPLAY", None)
        # The program's settings and history go to a folder of the session's own, never into
        # the home of whoever runs the tests; a test may name folders of its own instead.
        self.folders = tempfile.TemporaryDirectory(prefix="wimbly-xsession-")
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.folders.name, "config")
        self.env["XDG_DATA_HOME"] = os.path.join(self.folders.name, "data")
        self.children = []

    def start(self, argv, **kwargs):
        process = subprocess.Popen(argv, env=self.env, **kwargs)
        self.children.append(process)
        return process

    def run(self, argv):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True, check=False)

    def find_window(self, title, timeout=15.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"])
            ids = found.stdout.split()
            if ids:
                return int(ids[0])
            time.sleep(0.1)
        raise TimeoutError(f"no window titled {title!r} appeared")

    def geometry(self, window):
        """(x, y, width, height) of the window's client area on the screen."""
        out = self.run(["xdotool", "getwindowgeometry", "--shell", str(window)]).stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def screenshot(self, window):
        """The window's pixels as (width, height, rgb(x, y) -> (r, g, b))."""
        dump = subprocess.run(["xwd", "-silent", "-id", str(window)], env=self.env,
                              capture_output=True, check=True).stdout
        fields = struct.unpack(">25I", dump[:100])
        header_size, width, height = fields[0], fields[4], fields[5]
        bits_per_pixel, bytes_per_line, ncolors = fields[11], fields[12], fields[19]
        byte_order = fields[7]
        if bits_per_pixel != 32:
            raise RuntimeError(f"unexpected screenshot depth {bits_per_pixel}")
        pixels = dump[header_size + 12 * ncolors:]
        word = "<I" if byte_order == 0 else ">I"

        def rgb(x, y):
            (value,) = struct.unpack_from(word, pixels, y * bytes_per_line + 4 * x)
            return (value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF

        return width, height, rgb

    def click(self, window, x, y, button=1):
        """A real pointer press and release at (x, y) of the window's client area."""
        self.run(["xdotool", "mousemove", "--window", str(window), str(x), str(y),
                  "click", str(button)])

    def close_window(self, window):
        """Asks the window's client to close it, as a window manager's close box does."""
        xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XInternAtom.restype = ctypes.c_ulong
        xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                    ctypes.c_long, ctypes.c_void_p]
        xlib.XFlush.argtypes = [ctypes.c_void_p]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                        ("padding", ctypes.c_long * 12)]

        display = xlib.XOpenDisplay(self.display.encode())
        if not display:
            raise RuntimeError("cannot open the test display")
        try:
            event = ClientMessage()
            event.type = 33  # ClientMessage
            event.window = window
            event.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
            event.format = 32
            event.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
            event.data[1] = 0  # CurrentTime
            xlib.XSendEvent(display, window, 0, 0, ctypes.byref(event))
            xlib.XFlush(display)
        finally:
            xlib.XCloseDisplay(display)

    def stop(self):
        for process in self.children:
            if process.poll() is None:
                process.kill()
                process.wait()
        if self.server.poll() is None:
            self.server.send_signal(signal.SIGTERM)
            try:
                self.server.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
        self.folders.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
