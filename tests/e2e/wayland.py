"""The real program as a native Wayland client, under weston's headless compositor with its
software renderer on a 1024 x 768 output, seen through weston's own screenshots:

- with --fullscreen the window fills the output: the scene scaled by 768 / 459 and centred,
  51 pixels of navy on either side;
- without it the window shows the scene at 100 %, and a zoom step (1.25) shows it larger.
  Headless weston has no seat, so no key can be pressed: the zoom step is the program started
  with --scale 1.25 after a start with --scale 1, each in settings folders of its own;
- SIGTERM ends the program with status 0. Closing the window needs a pointer or a key, which
  headless weston does not have.

Exits with 77 (skipped) when weston or Qt's Wayland platform plugin is missing.

Usage: wayland.py <program> <folder of Qt's platform plugins>"""

import ctypes
import glob
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

import skippable

PROGRAM = None
PLATFORMS = None

OUTPUT = (1024, 768)
# The 551 x 459 scene in full screen: scaled to the output's height, round(551 x FACTOR) = 922
# pixels wide, 51 pixels of navy on its left and 51 on its right.
FACTOR = 768 / 459
LEFT = 51
# The scene's size and the width of its navy side panel in a window, at 100 % and one zoom step
# above.
WINDOWED = {1: (551, 459, 93), 1.25: (689, 574, 116)}
NAVY = (0, 0, 128)
BOARD_GREEN = (0, 176, 59)
# Long enough for a sanitizer build on a busy machine; the polls end as soon as the picture is
# there.
TIMEOUT = 30.0


class PngImage(ctypes.Structure):
    """libpng's png_image, the structure of its simplified reading interface."""
    _fields_ = [("opaque", ctypes.c_void_p), ("version", ctypes.c_uint32),
                ("width", ctypes.c_uint32), ("height", ctypes.c_uint32),
                ("format", ctypes.c_uint32), ("flags", ctypes.c_uint32),
                ("colormap_entries", ctypes.c_uint32), ("warning_or_error", ctypes.c_uint32),
                ("message", ctypes.c_char * 64)]


class Screenshot:
    """A PNG as 8-bit RGB, read by libpng (weston's screenshot client is linked with it): a
    decoder in Python takes seconds for one screenshot of this size."""

    def __init__(self, path):
        png = ctypes.CDLL("libpng16.so.16")
        image = PngImage(version=1)  # PNG_IMAGE_VERSION
        if not png.png_image_begin_read_from_file(ctypes.byref(image), path.encode()):
            raise RuntimeError(f"{path}: {image.message.decode()}")
        image.format = 2  # PNG_FORMAT_RGB
        buffer = ctypes.create_string_buffer(image.width * image.height * 3)
        if not png.png_image_finish_read(ctypes.byref(image), None, buffer, 0, None):
            raise RuntimeError(f"{path}: {image.message.decode()}")
        self.width, self.height, self.data = image.width, image.height, buffer.raw

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def rightmost(self, colour):
        """The last column holding a pixel of `colour`, or None."""
        needle, stride, right = bytes(colour), self.width * 3, -1
        for y in range(self.height):
            row = self.data[y * stride:(y + 1) * stride]
            last = row.rfind(needle)
            # Only whole pixels count: a match may start inside one.
            while last > 0 and last % 3:
                last = row.rfind(needle, 0, last + 2)
            if last >= 0 and last % 3 == 0:
                right = max(right, last // 3)
        return right if right >= 0 else None

    def run(self, x, y, dx, dy):
        """How many pixels from (x, y) on, a step of (dx, dy) at a time, have its colour."""
        colour, count = self.pixel(x, y), 0
        while 0 <= x < self.width and 0 <= y < self.height and self.pixel(x, y) == colour:
            x, y, count = x + dx, y + dy, count + 1
        return count


class Weston:
    """A headless weston with the pixman renderer, its socket in a private runtime folder."""

    SOCKET = "wayland-wimbly"

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="wimbly-wayland-")
        os.chmod(self.folder, 0o700)
        self.runtime = os.path.join(self.folder, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.log = os.path.join(self.folder, "weston.log")
        self.last = os.path.join(self.folder, "last.png")
        self.children = []
        self.starts = 0
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET")}
        env.update(XDG_RUNTIME_DIR=self.runtime, XDG_CONFIG_HOME=self.private("weston-config"))
        self.env = env
        # --debug offers the screenshot protocol to any client, weston-screenshooter among them.
        self.server = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--use-pixman", f"--socket={self.SOCKET}",
             f"--width={OUTPUT[0]}", f"--height={OUTPUT[1]}", "--idle-time=0", "--no-config",
             "--debug", f"--log={self.log}"],
            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        # weston serves no client before its event loop runs, once its shell is loaded: a client
        # may connect as soon as the socket is there.
        socket = os.path.join(self.runtime, self.SOCKET)
        deadline = time.monotonic() + TIMEOUT
        while not (os.path.exists(socket) and stat.S_ISSOCK(os.stat(socket).st_mode)):
            if self.server.poll() is not None or time.monotonic() > deadline:
                log = self.read_log()
                self.stop()
                raise RuntimeError(f"weston did not start:\n{log}")
            time.sleep(0.02)

    def private(self, name):
        path = os.path.join(self.folder, name)
        os.makedirs(path, mode=0o700, exist_ok=True)
        return path

    def read_log(self):
        try:
            with open(self.log, encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def client_env(self):
        return dict(self.env, WAYLAND_DISPLAY=self.SOCKET)

    def start(self, args):
        """The program on Wayland, with settings and history in folders of this start alone."""
        self.starts += 1
        env = dict(self.client_env(), QT_QPA_PLATFORM="wayland",
                   XDG_CONFIG_HOME=self.private(f"config-{self.starts}"),
                   XDG_DATA_HOME=self.private(f"data-{self.starts}"))
        process = subprocess.Popen([PROGRAM, "--mute", *args], env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        self.children.append(process)
        return process

    @staticmethod
    def end(process):
        if process.poll() is None:
            process.kill()
            process.wait()

    def screenshot(self):
        """The whole output, as weston has composed it. The client names its file by the
        second: each one is written into an empty folder of its own."""
        folder = tempfile.mkdtemp(dir=self.folder)
        try:
            subprocess.run(["weston-screenshooter"], cwd=folder, env=self.client_env(),
                           stdin=subprocess.DEVNULL, capture_output=True, check=True,
                           timeout=TIMEOUT)
            shots = glob.glob(os.path.join(folder, "*.png"))
            if len(shots) != 1:
                raise RuntimeError(f"weston-screenshooter wrote {shots}")
            os.replace(shots[0], self.last)
            return Screenshot(self.last)
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def stop(self):
        for process in self.children:
            self.end(process)
        if self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def missing():
    """Why the test cannot run here, or None."""
    for tool in ("weston", "weston-screenshooter"):
        if not shutil.which(tool):
            return f"{tool} is not installed (Debian: weston)"
    if not glob.glob(os.path.join(PLATFORMS, "libqwayland-*.so")):
        return f"Qt's Wayland platform plugin is not in {PLATFORMS} (Debian: qt6-wayland)"
    return None


class Wayland(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        why = missing()
        if why:
            print(why, file=sys.stderr)
            raise unittest.SkipTest(why)

    def setUp(self):
        self.weston = Weston()
        self.addCleanup(self.weston.stop)

    def look(self, what, check, program):
        """Takes screenshots until check(shot) returns something other than None; returns it."""
        deadline = time.monotonic() + TIMEOUT
        while True:
            shot = self.weston.screenshot()
            found = check(shot)
            if found is not None:
                return shot, found
            if program.poll() is not None:
                self.fail(f"the program ended with {program.returncode} before {what}")
            if time.monotonic() > deadline:
                # The last screenshot stays beside the test's output for a look at it.
                kept = os.path.abspath("wayland-failed.png")
                shutil.copyfile(self.weston.last, kept)
                self.fail(f"timed out waiting for {what}; the output last showed {kept}\n"
                          f"weston's log:\n{self.weston.read_log()}")
            time.sleep(0.05)

    def terminate(self, program):
        program.send_signal(signal.SIGTERM)
        self.assertEqual(program.wait(timeout=TIMEOUT), 0, "status after SIGTERM")

    def test_full_screen_fills_the_output_with_the_scene_centred_on_navy(self):
        def on_output(x, y):
            """A point of the scene at 100 %, on the output."""
            return LEFT + round(x * FACTOR), round(y * FACTOR)

        board = on_output(200, 440)

        # Navy over the shell's panel at the top-left corner: the window is in full screen (a
        # window first shown at its size could have board green at the same place).
        def drawn(shot):
            return True if shot.pixel(0, 0) == NAVY and shot.pixel(*board) == BOARD_GREEN else None

        program = self.weston.start(["--fullscreen"])
        shot, _ = self.look("the scene in full screen", drawn, program)
        self.assertEqual((shot.width, shot.height), OUTPUT)
        # The margins, from the output's corners to the scene.
        for x, y in [(LEFT - 1, 400), (OUTPUT[0] - 1, 0), (OUTPUT[0] - LEFT, 400),
                     (OUTPUT[0] - 1, OUTPUT[1] - 1), (0, OUTPUT[1] - 1)]:
            with self.subTest(margin=(x, y)):
                self.assertEqual(shot.pixel(x, y), NAVY)
        # The scene's first column, green hills at that height, starts right after the margin.
        self.assertNotEqual(shot.pixel(LEFT, board[1]), NAVY)
        self.assertEqual(shot.pixel(*on_output(45, 440)), BOARD_GREEN)
        self.assertEqual(shot.pixel(*on_output(520, 300)), NAVY, "the scene's side panel")
        self.terminate(program)

    def test_window_shows_the_scene_and_a_zoom_step_shows_it_larger(self):
        for zoom, (width, height, panel) in WINDOWED.items():
            with self.subTest(zoom=zoom):
                program = self.weston.start(["--scale", str(zoom)])
                try:
                    self.check_window(program, zoom, width, height, panel)
                    self.terminate(program)
                finally:
                    # A failed start is ended before the next one, which it could hide.
                    self.weston.end(program)

    def check_window(self, program, zoom, width, height, panel):
        # The shell places a new window where it likes. The scene's side panel, navy from the
        # top of the window's contents to their bottom along their right edge, tells where.
        def placed(shot):
            right = shot.rightmost(NAVY)
            if right is None:
                return None
            top = next(y for y in range(shot.height) if shot.pixel(right, y) == NAVY)
            origin = (right + 1 - width, top)
            board = (origin[0] + round(200 * zoom), origin[1] + round(440 * zoom))
            return origin if shot.pixel(*board) == BOARD_GREEN else None

        shot, (x, y) = self.look(f"the window at {zoom}", placed, program)
        self.assertGreaterEqual(x, 0)
        right = x + width - 1
        self.assertEqual(shot.run(right, y, 0, 1), height, "the scene's height")
        self.assertEqual(shot.run(right, y + 1, -1, 0), panel, "the side panel's width")
        self.assertEqual(shot.pixel(x + round(45 * zoom), y + round(440 * zoom)), BOARD_GREEN)
        self.assertEqual(shot.pixel(x + round(520 * zoom), y + round(300 * zoom)), NAVY)
        # Left of the scene is the window's frame, not the scene.
        self.assertNotEqual(shot.pixel(x - 1, y + height // 2), shot.pixel(x, y + height // 2))


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    PLATFORMS = sys.argv.pop(1)
    skippable.main()
