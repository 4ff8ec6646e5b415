"""Starts the real program on a private X server, finds its main window, checks a few pixels
of a screenshot, and closes it through its close box: it must exit with status 0."""

import sys
import time
import unittest

from xsession import XSession

PROGRAM = None
NAVY = (0, 0, 128)
BOARD_GREEN = (0, 176, 59)


class Smoke(unittest.TestCase):
    def test_main_window_appears_and_closes_cleanly(self):
        with XSession() as x:
            program = x.start([PROGRAM])
            window = x.find_window("Wimbly")
            _, _, width, height = x.geometry(window)
            self.assertEqual((width, height), (551, 459))
            # The window can be mapped a moment before its first paint (much longer in a
            # sanitizer build): look again until it is drawn.
            deadline = time.monotonic() + 20
            while True:
                _, _, pixel = x.screenshot(window)
                if pixel(520, 300) == NAVY or time.monotonic() > deadline:
                    break
                time.sleep(0.05)
            self.assertEqual(pixel(520, 300), NAVY, "the strip right of the scene is navy")
            self.assertEqual(pixel(200, 440), BOARD_GREEN, "the scene's board area is green")
            self.assertEqual(pixel(545, 2), NAVY)
            x.close_window(window)
            self.assertEqual(program.wait(timeout=10), 0)


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main(verbosity=2)
