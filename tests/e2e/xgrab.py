"""Fast reads of a small part of a window on the test's X server, for effects that last only a
moment: one XGetImage on a connection kept open, instead of a whole-window xwd per look."""

import ctypes
import struct


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class Grabber:
    ZPIXMAP = 2
    ALL_PLANES = ctypes.c_ulong(-1).value

    def __init__(self, display_name):
        self.xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
        x = self.xlib
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XGetImage.restype = ctypes.POINTER(_XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x.XSetErrorHandler.restype = ctypes.c_void_p
        self.display = x.XOpenDisplay(display_name.encode())
        if not self.display:
            raise RuntimeError("cannot open the test display")
        # A window that is not viewable for a moment makes XGetImage fail; the default handler
        # would end the process instead of letting the caller look again.
        handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        self._handler = handler_type(lambda display, event: 0)
        x.XSetErrorHandler(self._handler)

    def grab(self, window, x, y, width, height):
        """The rectangle's pixels as rows of (r, g, b) tuples, or None if it cannot be read."""
        image_pointer = self.xlib.XGetImage(self.display, window, x, y, width, height,
                                            self.ALL_PLANES, self.ZPIXMAP)
        if not image_pointer:
            return None
        try:
            image = image_pointer.contents
            if image.bits_per_pixel != 32:
                raise RuntimeError(f"unexpected image depth {image.bits_per_pixel}")
            raw = ctypes.string_at(image.data, image.bytes_per_line * image.height)
            word = "<I" if image.byte_order == 0 else ">I"
            rows = []
            for row in range(image.height):
                values = struct.unpack_from(f"{word[0]}{image.width}I", raw,
                                            row * image.bytes_per_line)
                rows.append([((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF) for v in values])
            return rows
        finally:
            self.xlib.XFree(image_pointer.contents.data)
            self.xlib.XFree(image_pointer)

    def close(self):
        if self.display:
            self.xlib.XCloseDisplay(self.display)
            self.display = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
