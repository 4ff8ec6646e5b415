#!/usr/bin/env python3
"""Takes the README's picture of the game: starts the built program on a private X server,
presses start, waits for the board, and writes the window's pixels as a PNG file.

    packaging/screenshot.py <path of the built wimbly program> [docs/screenshot.png]"""

import os
import struct
import sys
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from xsession import XSession  # noqa: E402

START_BUTTON = (505, 193)


def write_png(path, width, height, rgb):
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # no filter
        for x in range(width):
            rows.extend(rgb(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def board_shown(pixel):
    # The board's black frame: its top-left and bottom-right corners on the green ground.
    return pixel(50, 205) == (0, 0, 0) and pixel(392, 425) == (0, 0, 0)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    out = sys.argv[2] if len(sys.argv) == 3 else os.path.join(HERE, "..", "docs", "screenshot.png")
    with XSession() as x:
        game = x.start([program])
        window = x.find_window("Wimbly")
        x.click(window, *START_BUTTON)
        deadline = time.monotonic() + 15
        while True:
            width, height, pixel = x.screenshot(window)
            if board_shown(pixel):
                break
            if time.monotonic() > deadline:
                sys.exit("the board did not appear")
            time.sleep(0.1)
        write_png(out, width, height, pixel)
        x.close_window(window)
        game.wait(timeout=10)
    print(f"wrote {os.path.normpath(out)} ({width} x {height})")


if __name__ == "__main__":
    main()
