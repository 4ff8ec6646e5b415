"""A classroom set up as a teacher would, in the real program on a private X server. A
system-wide settings file asks for 150 %, English, no sound and the lock, on a machine where the
child's own file says Chinese and unlocked: the zoom comes from the system-wide file, the child's
Chinese wins over its English, and the lock holds whatever the child's file says. The grown-ups'
menu does not open and the setting keys change nothing, while F1 still opens the help; nothing
is written to the child's file. Then the kiosk: the window's close requests do not end the game;
Quit, last in the grown-ups' menu, does, with status 0, and so does the session's end (SIGTERM).

Usage: classroom.py <program>"""

import os
import subprocess
import sys
import tempfile
import unittest

from xgrab import Grabber
import xsession
from xsession import XSession

PROGRAM = None
TIMEOUT = 10.0
NAVY = (0, 0, 128)
SIDE_PANEL = (520, 100)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


class Classroom(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.TemporaryDirectory()
        self.system = os.path.join(self.home.name, "etc-xdg")
        self.config = os.path.join(self.home.name, "config")
        self.own = os.path.join(self.config, "wimbly", "wimbly.ini")

    def tearDown(self):
        self.home.cleanup()

    def poll(self, what, look, timeout=TIMEOUT):
        return xsession.poll(self, what, look, timeout)

    def start(self, x, *arguments):
        x.env["XDG_CONFIG_DIRS"] = os.path.join(self.home.name, "nothing") + ":" + self.system
        x.env["XDG_CONFIG_HOME"] = self.config
        program = x.start([PROGRAM, *arguments], stdout=subprocess.DEVNULL)
        return program, x.find_window("Wimbly")

    def focus(self, x, window):
        # Without a window manager nobody gives the window the keyboard; a player's click would.
        x.run(["xdotool", "windowfocus", "--sync", str(window)])

    def keys(self, x, *names):
        for name in names:
            x.run(["xdotool", "key", "--delay", "30", name])

    @staticmethod
    def visible_windows(x):
        return set(x.run(["xdotool", "search", "--onlyvisible", "--class", "wimbly"]).stdout.split())

    def test_system_wide_file_the_lock_and_the_kiosk(self):
        write(os.path.join(self.system, "wimbly", "wimbly.ini"),
              "[General]\nlanguage=en\n[view]\nzoom=1.5\n[sound]\non=false\n"
              "[grownups]\nlocked=true\n")
        # The child's own file: Chinese, and a lock of its own turned off, which counts for nothing.
        own = "[General]\nlanguage=zh\n[grownups]\nlocked=false\n"
        write(self.own, own)
        with XSession() as x, Grabber(x.display) as grabber:
            program, window = self.start(x)
            # 150 % from the system-wide file, which the child's file leaves alone.
            self.poll("the window at 150 %",
                      lambda: True if x.geometry(window)[2:] == (827, 689) else None)
            self.poll("the first paint", lambda: True if grabber.grab(
                window, round(SIDE_PANEL[0] * 1.5), round(SIDE_PANEL[1] * 1.5), 1, 1) == [[NAVY]]
                else None)
            self.focus(x, window)
            shown = self.visible_windows(x)
            x.click(window, round(SIDE_PANEL[0] * 1.5), round(SIDE_PANEL[1] * 1.5), button=3)
            self.keys(x, "ctrl+m", "ctrl+plus", "F11", "Menu")
            # The help opens, in the child's Chinese: the game itself is not locked.
            self.keys(x, "F1")
            x.close_window(x.find_window("帮助"))
            self.assertEqual(self.visible_windows(x), shown, "no menu opened")
            self.assertEqual(x.geometry(window)[2:], (827, 689), "the zoom keys are locked")
            x.close_window(window)
            self.assertEqual(program.wait(timeout=10), 0)
            with open(self.own, encoding="utf-8") as f:
                self.assertEqual(f.read(), own, "nothing of the system-wide file was written")

            # The kiosk, without the lock: closing does not end the game; Quit does.
            os.remove(os.path.join(self.system, "wimbly", "wimbly.ini"))
            program, window = self.start(x, "--kiosk")
            self.poll("full screen",
                      lambda: True if x.geometry(window)[2:] == (1024, 768) else None)
            x.close_window(window)
            x.run(["xdotool", "key", "--window", str(window), "alt+F4"])
            with self.assertRaises(subprocess.TimeoutExpired):
                program.wait(timeout=1)
            shown = self.visible_windows(x)
            x.click(window, 1000, 100, button=3)
            self.poll("the menu", lambda: True if len(self.visible_windows(x)) > len(shown)
                      else None)
            # Up from the top of the menu goes round to its last item, Quit.
            self.keys(x, "Up", "Return")
            self.assertEqual(program.wait(timeout=10), 0)
            # The session's end (SIGTERM) ends a kiosk too, normally.
            program, window = self.start(x, "--kiosk")
            program.terminate()
            self.assertEqual(program.wait(timeout=10), 0)


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main(verbosity=2)
