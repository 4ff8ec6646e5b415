"""Installs the build into a staging root the way a package does (prefix /usr) and checks what a
desktop needs from it: a valid desktop entry that starts the installed program, the icon at every
size in the hicolor theme, and valid AppStream metainfo that names the same desktop entry."""

import configparser
import gzip
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

CMAKE = None
BUILD = None
APP_ID = "org.wimbly.Wimbly"
ICON_SIZES = (32, 48, 64, 128, 256)
XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise ValueError(f"{path} is not a PNG file")
    return struct.unpack(">II", head[16:24])


class InstallLayout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="wimbly-install-")
        env = dict(os.environ, DESTDIR=cls.root)
        done = subprocess.run([CMAKE, "--install", BUILD, "--prefix", "/usr"], env=env,
                              capture_output=True, text=True, check=False)
        if done.returncode != 0:
            shutil.rmtree(cls.root)
            raise RuntimeError("cmake --install failed:\n" + done.stdout + done.stderr)
        cls.share = os.path.join(cls.root, "usr", "share")
        cls.desktop_file = os.path.join(cls.share, "applications", APP_ID + ".desktop")
        cls.metainfo_file = os.path.join(cls.share, "metainfo", APP_ID + ".metainfo.xml")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root)

    def entry(self):
        parser = configparser.ConfigParser(interpolation=None, strict=True)
        parser.optionxform = str  # keys are case-sensitive
        with open(self.desktop_file, encoding="utf-8") as f:
            parser.read_file(f)
        return parser["Desktop Entry"]

    def test_desktop_entry_is_valid(self):
        done = subprocess.run(["desktop-file-validate", self.desktop_file], capture_output=True,
                              text=True, check=False)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        # Hints count too: each one is a menu or launcher that misbehaves somewhere. The one
        # exception is wanted: the game stands in both the Games and the Education menus.
        hints = [line for line in (done.stdout + done.stderr).splitlines()
                 if not ("contains more than one main category" in line
                         and '"Game;KidsGame;Education;"' in line)]
        self.assertEqual(hints, [])

    def test_metainfo_is_valid(self):
        for argv in (["appstreamcli", "validate", "--no-net", "--explain", self.metainfo_file],
                     ["appstreamcli", "validate-tree", "--no-net", "--explain", self.root]):
            with self.subTest(command=argv[1]):
                done = subprocess.run(argv, capture_output=True, text=True, check=False)
                self.assertEqual(done.returncode, 0, done.stdout + done.stderr)

    def test_desktop_entry_starts_the_installed_program(self):
        entry = self.entry()
        program = entry["Exec"].split()[0]
        self.assertEqual(program, entry["TryExec"])
        self.assertTrue(os.path.isabs(program), program)
        installed = os.path.join(self.root, program.lstrip("/"))
        self.assertTrue(os.access(installed, os.X_OK), f"{program} is not installed")
        self.assertEqual(entry["Icon"], APP_ID)
        # Qt names the window class after the application name "wimbly".
        self.assertEqual(entry["StartupWMClass"], "wimbly")

    def test_desktop_entry_speaks_english_and_chinese(self):
        entry = self.entry()
        for key in ("Name", "GenericName", "Comment", "Keywords"):
            for lang in ("", "[zh_CN]"):
                with self.subTest(key=key + lang):
                    self.assertTrue(entry.get(key + lang, "").strip())
        self.assertTrue(any("\u4e00" <= c <= "\u9fff" for c in entry["Comment[zh_CN]"]))
        categories = entry["Categories"].rstrip(";").split(";")
        self.assertEqual(categories, ["Game", "KidsGame", "Education"])

    def test_desktop_entry_offers_full_screen(self):
        parser = configparser.ConfigParser(interpolation=None, strict=True)
        parser.optionxform = str
        with open(self.desktop_file, encoding="utf-8") as f:
            parser.read_file(f)
        self.assertEqual(parser["Desktop Entry"]["Actions"], "fullscreen;")
        action = parser["Desktop Action fullscreen"]
        self.assertEqual(action["Exec"], parser["Desktop Entry"]["Exec"] + " --fullscreen")
        self.assertTrue(action.get("Name", "").strip())
        self.assertTrue(action.get("Name[zh_CN]", "").strip())

    def test_icon_at_every_size(self):
        hicolor = os.path.join(self.share, "icons", "hicolor")
        for size in ICON_SIZES:
            with self.subTest(size=size):
                path = os.path.join(hicolor, f"{size}x{size}", "apps", APP_ID + ".png")
                self.assertEqual(png_size(path), (size, size))
        svg = os.path.join(hicolor, "scalable", "apps", APP_ID + ".svg")
        self.assertTrue(ET.parse(svg).getroot().tag.endswith("svg"))

    def test_metainfo_describes_the_same_program(self):
        root = ET.parse(self.metainfo_file).getroot()
        self.assertEqual(root.get("type"), "desktop-application")
        self.assertEqual(root.findtext("id"), APP_ID)
        self.assertEqual(root.findtext("launchable"), APP_ID + ".desktop")
        self.assertEqual(root.find("launchable").get("type"), "desktop-id")
        self.assertEqual(root.findtext("provides/binary"), "wimbly")
        rating = root.find("content_rating")
        self.assertIsNotNone(rating)
        self.assertTrue(rating.get("type", "").startswith("oars-"))
        # A children's game: no attribute may rise above "none".
        for attribute in rating.findall("content_attribute"):
            self.assertEqual(attribute.text, "none", attribute.get("id"))
        image = root.find("screenshots/screenshot[@type='default']/image")
        self.assertIsNotNone(image)
        self.assertTrue(image.text.startswith("https://"), image.text)
        self.assertTrue(image.text.endswith("/docs/screenshot.png"), image.text)
        shot = os.path.join(os.path.dirname(__file__), "..", "..", "docs", "screenshot.png")
        self.assertEqual((int(image.get("width")), int(image.get("height"))), png_size(shot))
        langs = {e.get(XML_LANG) for e in root.findall("name") + root.findall("summary")}
        self.assertEqual(langs, {None, "zh_CN"})
        self.assertTrue(root.findall("description/p"))

    def test_documents_where_debian_looks_for_them(self):
        for path, opener, start in (
                ("doc/wimbly/copyright", open, "MIT License"),
                ("doc/wimbly/changelog.Debian.gz", gzip.open, "wimbly ("),
                ("man/man6/wimbly.6.gz", gzip.open, ".TH WIMBLY 6")):
            with self.subTest(path=path):
                with opener(os.path.join(self.share, path), "rt", encoding="utf-8") as f:
                    self.assertTrue(f.read().startswith(start))


if __name__ == "__main__":
    CMAKE = sys.argv.pop(1)
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
