"""Builds the Debian package and checks it as a parent meets it: its dependencies cover what the
program loads, and once installed, the program started from its installed place by an ordinary
user opens its window and plays a whole game, whose leaderboard entry lands in that user's data
folder, since the installed program's folder is read-only to them. And as a distribution meets
it: lintian finds no fault, and packing it again later gives the same bytes, naming no folder of
the machine that built it.

Run as root (as CI does), the package goes in with dpkg -i and comes out again with
dpkg --purge; the game then runs as the unprivileged user "nobody". Otherwise the package is
unpacked into a private root made read-only, and the game runs as the calling user."""

import configparser
import glob
import gzip
import os
import pwd
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import skippable
from xsession import XSession

CPACK = None
BUILD = None
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# Any fixed time, far from the time the test runs.
SOURCE_DATE_EPOCH = "1700000000"
APP_ID = "org.wimbly.Wimbly"
PACKAGE = "wimbly"
PLAYER = "Kiki7"
# Qt's X11 plugin loads this only when it is there, for themed mouse pointers.
OPTIONAL = {"libxcursor1"}

START_BUTTON = (505, 193)
BOARD_CELL = (69, 232)  # the top-left animal of the board
NAME_BOX = (136, 52)  # in the leaderboard window


def run(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, check=False, **kwargs)


def must(argv, **kwargs):
    done = run(argv, **kwargs)
    if done.returncode != 0:
        raise RuntimeError(f"{' '.join(argv)} failed:\n{done.stdout}{done.stderr}")
    return done.stdout


def owner_package(path_suffix):
    """The installed Debian package that holds a file whose path ends in path_suffix."""
    out = run(["dpkg-query", "-S", "*/" + path_suffix]).stdout
    packages = {line.split(":")[0] for line in out.splitlines() if ":" in line}
    return packages


def owners_of_files(paths):
    """For each file, the installed packages that hold that very file, whichever alias (/lib or
    /usr/lib) the package database knows it by. One query for all: each one reads the database."""
    wanted = {os.path.realpath(path): path for path in paths}
    out = run(["dpkg-query", "-S", *sorted({"*/" + os.path.basename(p) for p in paths})]).stdout
    owners = {path: set() for path in paths}
    for line in out.splitlines():
        names, _, candidate = line.partition(": ")
        path = wanted.get(os.path.realpath(candidate.strip()))
        if path is not None:
            owners[path] |= {name.strip().split(":")[0] for name in names.split(",")}
    return owners


def dependency_closure(packages):
    """The packages and everything they depend on, alternatives included, as installed."""
    out = must(["apt-cache", "depends", "--recurse", "--installed", "--no-recommends",
                "--no-suggests", "--no-conflicts", "--no-breaks", "--no-replaces", "--no-enhances",
                *sorted(packages)])
    return {line.split(":")[0] for line in out.splitlines() if line and not line[0].isspace()}


def depends_names(depends):
    """Every package name a Depends field accepts, alternatives included."""
    names = set()
    for clause in depends.split(","):
        for alternative in clause.split("|"):
            names.add(re.split(r"[\s(:]", alternative.strip(), maxsplit=1)[0])
    return names


def per_user_table(build):
    """Whether the build folder was configured with WIMBLY_PER_USER_TABLE, as package builds are."""
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            if line.startswith("WIMBLY_PER_USER_TABLE:"):
                return line.strip().split("=", 1)[1].upper() in ("ON", "1", "TRUE", "YES")
    return False


def installed(package):
    out = run(["dpkg-query", "-W", "-f=${Status}", package]).stdout
    return out.endswith(" installed")


class InstalledPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for tool in ("dpkg-deb", "dpkg-query", "apt-cache", "readelf", "Xvfb", "xdotool", "xprop"):
            if not shutil.which(tool):
                raise unittest.SkipTest(f"{tool} is not installed")
        cls.work = tempfile.mkdtemp(prefix="wimbly-deb-")
        try:
            cls.deb = cls.make_package(os.path.join(cls.work, "out"))
            cls.unpacked = os.path.join(cls.work, "unpacked")
            must(["dpkg-deb", "-x", cls.deb, cls.unpacked])
        except BaseException:
            shutil.rmtree(cls.work, ignore_errors=True)
            raise

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    @staticmethod
    def make_package(out):
        """Runs cpack as the package build script does (fixed time, umask 022); returns the
        .deb it made."""
        env = dict(os.environ, SOURCE_DATE_EPOCH=SOURCE_DATE_EPOCH)
        must([CPACK, "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-G", "DEB", "-B", out],
             env=env, preexec_fn=lambda: os.umask(0o022))
        debs = [f for f in os.listdir(out) if f.endswith(".deb")]
        if len(debs) != 1:
            raise RuntimeError(f"cpack made {debs}, not one package")
        return os.path.join(out, debs[0])

    def field(self, name):
        return must(["dpkg-deb", "-f", self.deb, name]).strip()

    def test_lintian_finds_no_error_or_warning(self):
        if not shutil.which("lintian"):
            self.skipTest("lintian is not installed")
        done = run(["lintian", "--fail-on", "error,warning", self.deb])
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)

    def test_packed_again_later_gives_the_same_bytes(self):
        # Only the packing step: what the compiler makes is checked by two whole builds in
        # packaging/check-reproducible.sh, too slow to run with every test run.
        again = self.make_package(os.path.join(self.work, "again"))
        with open(self.deb, "rb") as first, open(again, "rb") as second:
            self.assertTrue(first.read() == second.read(), "the two packages differ")

    def test_no_file_names_the_build_or_source_folder(self):
        folders = {os.path.realpath(BUILD).encode(), os.path.realpath(SOURCE).encode()}
        for top, _, files in os.walk(self.unpacked):
            for name in files:
                path = os.path.join(top, name)
                with open(path, "rb") as f:
                    content = f.read()
                if name.endswith(".gz"):
                    content = gzip.decompress(content)
                for folder in folders:
                    with self.subTest(file=os.path.relpath(path, self.unpacked), folder=folder):
                        self.assertNotIn(folder, content)

    def test_depends_cover_what_the_program_loads(self):
        depends = depends_names(self.field("Depends"))
        program = os.path.join(self.unpacked, "usr", "games", PACKAGE)
        dynamic = must(["readelf", "-d", program])
        needed = re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", dynamic)
        self.assertIn("libQt6Widgets.so.6", needed)
        # Each linked library and the Chinese faces the texts ask for: the package that holds
        # it must be named, not merely pulled in by chance.
        wanted = [(lib, lib) for lib in needed]
        wanted.append(("Chinese face", "NotoSerifCJK-Bold.ttc"))
        wanted.append(("history's database driver", "sqldrivers/libqsqlite.so"))
        for what, suffix in wanted:
            with self.subTest(what=what):
                owners = owner_package(suffix)
                self.assertTrue(owners, f"no installed package holds {suffix}")
                self.assertTrue(owners & depends, f"{suffix} comes from {owners}, not a dependency")
        # The picture renderer is only used while building.
        self.assertNotIn("libqt6svg6", depends)
        # Qt's Wayland plugin is recommended: a Wayland desktop then gets native windows.
        self.assertIn("qt6-wayland", depends_names(self.field("Recommends")))
        # The names are said through the speech library, whose Qt library the package depends
        # on, with the speech-dispatcher engine recommended and the service suggested.
        speech = glob.glob(os.path.join(self.unpacked, "usr/lib/*/wimbly/libwimbly-speech.so"))
        self.assertEqual(len(speech), 1, "the speech library is not installed beside the sound's")
        self.assertIn("libQt6TextToSpeech.so.6", must(["readelf", "-d", speech[0]]))
        self.assertTrue(owner_package("libQt6TextToSpeech.so.6") & depends)
        self.assertIn("qt6-speech-speechd-plugin", depends_names(self.field("Recommends")))
        self.assertIn("speech-dispatcher", depends_names(self.field("Suggests")))

    def test_change_log_names_the_package_version(self):
        log = os.path.join(self.unpacked, "usr/share/doc", PACKAGE, "changelog.Debian.gz")
        with gzip.open(log, "rt", encoding="utf-8") as f:
            first = f.readline()
        self.assertTrue(first.startswith(f"{PACKAGE} ({self.field('Version')}) "), first)

    def test_installed_program_keeps_its_leaderboard_per_user(self):
        if os.geteuid() == 0:
            players = [pwd.getpwnam("nobody")]
            # A package build keeps every table per user, the administrator's too, so that
            # one game run as root writes nothing beside the installed program.
            if per_user_table(BUILD):
                players.append(pwd.getpwnam("root"))
            else:
                print("the build folder lacks -DWIMBLY_PER_USER_TABLE=ON, which package builds "
                      "pass: the game is not played as root", file=sys.stderr)
            if installed(PACKAGE):
                self.skipTest(f"a {PACKAGE} package is installed already; it is left alone")
            try:
                must(["dpkg", "-i", self.deb])
                for player in players:
                    with self.subTest(player=player.pw_name):
                        self.play_installed("/", player)
            finally:
                # Also after a failed dpkg -i, which leaves the package half installed.
                must(["dpkg", "--purge", PACKAGE])
            self.assertFalse(installed(PACKAGE))
            self.assertFalse(os.path.exists(f"/usr/games/{PACKAGE}"))
            self.assertFalse(os.path.exists(f"/usr/share/applications/{APP_ID}.desktop"))
        else:
            games = os.path.join(self.unpacked, "usr", "games")
            os.chmod(games, 0o555)
            try:
                self.play_installed(self.unpacked, None)
            finally:
                os.chmod(games, 0o755)

    def play_installed(self, root, user):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(os.path.join(root, "usr/share/applications", APP_ID + ".desktop"),
                   encoding="utf-8")
        entry = entry["Desktop Entry"]
        self.assertEqual(entry["Exec"], f"/usr/games/{PACKAGE}")
        program = os.path.join(root, entry["Exec"].lstrip("/"))
        games = os.path.dirname(program)
        games_before = sorted(os.listdir(games))
        self.assertIn(PACKAGE, games_before)

        home = tempfile.mkdtemp(prefix="wimbly-home-", dir=self.work)
        os.chmod(self.work, 0o755)
        with XSession() as x:
            # Nothing of the test's own environment: only what any desktop session sets.
            argv = ["env", "-i", f"DISPLAY={x.display}", f"HOME={home}", "QT_QPA_PLATFORM=xcb",
                    "PATH=/usr/local/bin:/usr/bin:/bin:/usr/games", "LANG=C.UTF-8", program]
            if user is not None:
                os.chown(home, user.pw_uid, user.pw_gid)
                argv = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}",
                        "--clear-groups"] + argv
                if user.pw_uid != 0:
                    self.assertFalse(self.can_write_as(user, games))
            game = x.start(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

            window = x.find_window("Wimbly")
            _, _, width, height = x.geometry(window)
            self.assertEqual((width, height), (551, 459))
            # The desktop matches the window to its entry by class, and shows the window's icon.
            wm_class = x.run(["xprop", "-id", str(window), "WM_CLASS"]).stdout
            self.assertIn(f'"{entry["StartupWMClass"]}"', wm_class)
            icon = x.run(["xprop", "-id", str(window), "_NET_WM_ICON"]).stdout
            self.assertTrue("Icon (32 x 32)" in icon, "the window has no 32 x 32 icon")

            leaderboard = self.play_to_game_over(x, window)
            loaded = self.mapped_files(game.pid)
            x.click(leaderboard, *NAME_BOX)
            x.run(["xdotool", "type", "--delay", "60", PLAYER])
            x.run(["xdotool", "key", "Return"])

            table = os.path.join(home, ".local", "share", "wimbly", "tavrel.tmp")
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and PLAYER.encode() not in self.read(table):
                time.sleep(0.1)
            self.assertEqual(sorted(os.listdir(games)), games_before,
                             "the game wrote beside the installed program")
            self.assertTrue(os.path.isfile(table), "no leaderboard in the per-user data folder")
            lines = self.read(table).split(b"\r\n")
            self.assertEqual(len(lines), 11, lines)  # ten lines, each ending in CR LF
            self.assertRegex(lines[0].decode("ascii"), rf"^{PLAYER},\d+$")

            x.close_window(window)
            self.assertEqual(game.wait(timeout=10), 0)
        shutil.rmtree(home)

        # Everything the running game loaded (libraries, plugins, fonts) comes from this package
        # (its sound library) or from a package that installing this one brings along.
        self.assertIn(program, loaded)
        brought = dependency_closure(depends_names(self.field("Depends"))) | OPTIONAL | {PACKAGE}
        for path, owners in sorted(owners_of_files(loaded - {program}).items()):
            with self.subTest(loaded=path):
                self.assertTrue(owners, f"{path} belongs to no package")
                self.assertTrue(owners & brought, f"{path} comes from {owners}, not a dependency")

    def play_to_game_over(self, x, window):
        """Presses start, then clicks one board cell until four wrong clicks end the game; a
        click that happens to be right just starts the next turn. Returns the leaderboard
        window."""
        x.click(window, *START_BUTTON)
        deadline = time.monotonic() + 90
        while time.monotonic() < deadline:
            x.click(window, *BOARD_CELL)
            leaderboard = self.visible_window(x, "排行榜")
            if leaderboard:
                return leaderboard
            time.sleep(0.3)
        self.fail("the leaderboard window never appeared")

    @staticmethod
    def visible_window(x, title):
        # Titles are compared here: xdotool's own pattern misses non-ASCII titles.
        for found in x.run(["xdotool", "search", "--onlyvisible", "--name", "."]).stdout.split():
            if x.run(["xdotool", "getwindowname", found]).stdout.strip() == title:
                return int(found)
        return None

    @staticmethod
    def mapped_files(pid):
        """The program, libraries, plugins and fonts mapped into a running process."""
        files = set()
        with open(f"/proc/{pid}/maps", encoding="utf-8") as maps:
            for line in maps:
                fields = line.split(maxsplit=5)
                path = fields[5].strip() if len(fields) == 6 else ""
                if re.search(r"\.so(\.|$)", path) or path.startswith("/usr/share/fonts/"):
                    files.add(path)
                elif path.endswith("/" + PACKAGE):
                    files.add(path)
        return files

    @staticmethod
    def read(path):
        try:
            with open(path, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return b""

    @staticmethod
    def can_write_as(user, folder):
        probe = run(["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}",
                     "--clear-groups", "test", "-w", folder])
        return probe.returncode == 0


if __name__ == "__main__":
    CPACK = sys.argv.pop(1)
    BUILD = sys.argv.pop(1)
    skippable.main()
