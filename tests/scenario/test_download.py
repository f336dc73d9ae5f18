"""A runtime downloaded when none is found: the launcher fetches jre.tar.gz
from the configured URL (entry 150) with wininet, after the question or without
it (entry 157), shows the transfer in the progress dialog, checks the archive's
SHA-256 when one is configured (entry 161), and unpacks it like an included
runtime. Every failure ends with the download-failed text and leaves no partial
archive. The server is the test's own, on 127.0.0.1."""

import hashlib
import re
import shutil
import threading
import time
import unittest
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from road import STANDIN, RoadCase, kvellpack_texts, road_payload, runtime_archive
from wineharness import Config, control

ARCHIVE, _ = runtime_archive(STANDIN / "jre")
SHA256 = hashlib.sha256(ARCHIVE).hexdigest()
DOWNLOAD_BUTTON, STATUS, MESSAGE, BAR = 1004, 1002, 1003, 1001
SHOTS = Config.build_dir / "screenshots"
TITLE = "Hello Setup"
TEXTS = {}  # kvellpack's defaults


class Server(ThreadingHTTPServer):
    """Serves the stand-in runtime archive in several ways, by path. /paused
    sends a quarter, then waits (at most 30 s) for the test's go."""

    daemon_threads = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), Handler)
        self.requests = []
        self.go = threading.Event()
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.server_address[1], path)


class Handler(BaseHTTPRequestHandler):
    timeout = 30

    def log_message(self, *args):
        pass

    def head(self, status, length):
        self.send_response(status)
        self.send_header("Content-Type", "application/gzip")
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.end_headers()

    def do_GET(self):
        self.server.requests.append(self.path)
        if self.path.startswith("/status/"):
            body = b"<html>no runtime here</html>"
            self.head(int(self.path[len("/status/"):]), len(body))
            self.wfile.write(body)
        elif self.path == "/empty":
            self.head(200, 0)
        elif self.path == "/no-length":
            self.close_connection = True
            self.head(200, None)
            self.wfile.write(ARCHIVE)
        elif self.path == "/cut":
            # Half the announced bytes, then the connection closes.
            self.close_connection = True
            self.head(200, len(ARCHIVE))
            self.wfile.write(ARCHIVE[:len(ARCHIVE) // 2])
        elif self.path == "/paused":
            self.head(200, len(ARCHIVE))
            quarter = len(ARCHIVE) // 4
            self.wfile.write(ARCHIVE[:quarter])
            self.wfile.flush()
            self.server.go.wait(30)
            self.wfile.write(ARCHIVE[quarter:])
        else:
            self.head(200, len(ARCHIVE))
            self.wfile.write(ARCHIVE)


class Download(RoadCase):

    @classmethod
    def setUpClass(cls):
        if not Config.kvellpack.exists():
            raise unittest.SkipTest("kvellpack was not built: %s" % Config.kvellpack)
        super().setUpClass()
        TEXTS.update(kvellpack_texts('program_type = 1\ninclude_runtime_jar = false\napp_title = "%s"\n' % TITLE,
                                     Config.build_dir / "download-project"))

    def setUp(self):
        super().setUp()
        self.server = Server()
        self.addCleanup(self.server.server_close)
        self.addCleanup(self.server.shutdown)
        self.addCleanup(self.server.go.set)

    def payload(self, path, entries=None, files=(("app.jar", b"PK"),), program_type="0"):
        strings = {150: self.server.url(path), 161: SHA256}
        strings.update(entries or {})
        return road_payload(strings, files=files, wides=TEXTS, program_type=program_type)

    def line(self, road, prefix):
        """The log's first line that starts with prefix (else prefix, which then fails assertInOrder)."""
        return next((line for line in road.log if line.startswith(prefix)), prefix)

    def assertStartedFromDownload(self, road):
        self.assertLaunched(road)
        jre = road.log_value("Temp dir: ") + "\\jre"
        self.assertInOrder(road.log, ["Downloading JRE", self.line(road, "file size: %d, handle" % len(ARCHIVE)),
                                      "SHA-256 of the download matches: " + SHA256, "download successful", "Done",
                                      "untaring JRE was successful", "JRE dir: " + jre], road)
        self.assertEqual(road.jvm()[0], "jvm loaded %s\\bin\\server\\jvm.dll" % jre.lower(), road.describe())
        self.assertFalse(self.wine.unix(road.log_value("Temp dir: ") + "\\jre.tar.gz").exists())

    def test_download_after_the_question_shows_its_progress(self):
        run = self.spawn_road(self.case.launcher(self.payload("/paused", program_type="1")), java_home=None,
                              leave=(DOWNLOAD_BUTTON,), timeout=90)
        question = self.wine.wait_window(run.started.pid, "#32770", TITLE, timeout=20)
        self.assertIsNotNone(question)
        self.wine.click(question, DOWNLOAD_BUTTON)
        dialog = self.wine.wait_window(run.started.pid, "MyDialogClass", TITLE, timeout=20)
        # The status line shows the first received bytes while the server pauses.
        status = re.compile(r"(\d+\.\d) of (\d+\.\d) MB \((\d+)%\), \d+ KB/s")
        deadline = time.monotonic() + 20
        while True:
            dump = self.wine.dump_window(dialog)
            line = control(dump, STATUS)
            if status.fullmatch(line["text"]) or time.monotonic() > deadline:
                break
            time.sleep(0.2)
        got = status.fullmatch(line["text"])
        self.assertTrue(got and line["visible"], dump)
        self.assertEqual(control(dump, MESSAGE)["text"], TEXTS[20001])
        self.assertEqual(got.group(2), "%.1f" % (len(ARCHIVE) / 2**20))
        self.assertTrue(int(got.group(3)) <= 25 and 0 <= control(dump, BAR)["pos"] <= 25, dump)
        SHOTS.mkdir(parents=True, exist_ok=True)
        self.wine.screenshot(SHOTS / "download.png", dump["rect"])
        self.server.go.set()
        road = run.finish()
        self.assertStartedFromDownload(road)
        self.assertEqual(len(road.result.boxes), 0, road.describe())

    def test_download_without_asking_loads_wininet_from_the_system_only(self):
        # A wininet.dll beside the launcher, which is also a native library
        # directory, and Wine told to prefer such a copy for this program (as
        # Windows would find it first): a plain LoadLibrary("wininet.dll") runs it.
        launcher = self.case.launcher(self.payload("/archive", {157: "1", 10004: "."}), name="planted.exe")
        self.wine.reg_add(r"HKCU\Software\Wine\AppDefaults\planted.exe\DllOverrides", "wininet", "native,builtin")
        shutil.copyfile(Config.win_tests.parent / "kvell_planted.dll", self.case.dir / "wininet.dll")
        marker = self.case.path("planted-was-loaded")
        road = self.road(launcher, java_home=None, env={"KVELL_PLANTED_MARKER": marker})
        self.assertStartedFromDownload(road)
        self.assertFalse(self.wine.unix(marker).exists(), "the planted wininet.dll ran")
        self.assertEqual(self.server.requests, ["/archive"])

    def test_failed_downloads_end_with_the_text_and_leave_no_file(self):
        wrong = "0" * 64
        cases = [
            ("/status/404", {}, ["ERROR: The server answered with HTTP status 404"]),
            ("/status/500", {}, ["ERROR: The server answered with HTTP status 500"]),
            ("/empty", {}, ["file size: 0, handle", "ERROR: The server announced an empty download"]),
            ("/cut", {}, ["ERROR: The connection ended after"]),
            ("/archive", {161: wrong},
             ["ERROR: SHA-256 of the download is %s, but %s was expected" % (SHA256, wrong)]),
            ("/no-length", {}, ["ERROR: HttpQueryInfo (try %d) failed with error code" % n for n in range(1, 21)] +
             ["ERROR: Giving up"]),
        ]
        for path, entries, lines in cases:
            with self.subTest(path=path, entries=entries):
                case = self.new_case()
                self.server.requests.clear()
                launcher = case.launcher(self.payload(path, {**entries, 157: "1"}, files=()))
                road = self.road(launcher, case=case, java_home=None, timeout=60)
                self.assertRoadFatal(road, TEXTS[20003])
                self.assertInOrder(road.log, ["Downloading JRE"] + [self.line(road, p) for p in lines], road)
                self.assertNotIn("download successful", road.log)
                # No included files: the archive would have landed in the working directory.
                self.assertFalse((case.dir / "jre.tar.gz").exists())
                self.assertEqual(len(self.server.requests), 20 if path == "/no-length" else 1)


if __name__ == "__main__":
    unittest.main()
