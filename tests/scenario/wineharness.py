"""The Windows test bed: the real launcher under Wine.

- A template WINEPREFIX is made once per build directory (make_template, run by
  the ctest fixture "wine_template").
- Every test file gets its own copy of it (Session): its own persistent
  wineserver and, when DISPLAY is unset, its own Xvfb; all three go away when
  the file's tests end.
- Every test gets its own directory C:\\kvell\\<n> in the prefix (Case), with a
  TMP directory of its own, so that logs and launchers of different tests never
  mix.
- Programs are started through runner.exe (tests/win/runner.cpp), which gives
  them an exact command line and environment, passes our stdout/stderr through,
  records and answers their message boxes and kills them on time-out.

Paths come from the environment set by tests/scenario/CMakeLists.txt; run by hand
from a build directory "build" beside the sources they default sensibly.
"""

import contextlib
import ctypes
import fcntl
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from dataclasses import dataclass
from pathlib import Path, PureWindowsPath

import payload as payload_mod

HERE = Path(__file__).resolve().parent
REPO = HERE.parent.parent

# Bump when the template's contents change, so that old templates are rebuilt.
TEMPLATE_VERSION = "3"

SERVER_LINGER_SECONDS = 60

# The installation marker (key, value name): set while an installation runs.
INSTALL_MARKER = (r"HKCU\SOFTWARE\brisco-labworks\kvell", "InstallStarted")
# A quiet run that finds no Java runtime ends with this code.
EXIT_NO_RUNTIME = 83

# The file-open dialog's file name field (cmb13: Wine's dialog has it, Windows'
# documents it): a leave= id that keeps the runner off that dialog.
FILE_NAME_FIELD = 0x47C

EXIT_TIMEOUT = 124          # runner.exe: the child was killed on time-out
EXIT_RUNNER_FAILURE = 125   # runner.exe: bad usage or the child could not start


# ---- configuration ------------------------------------------------------------

def _env_path(name, default):
    value = os.environ.get(name)
    return Path(value) if value else Path(default)


class Config:
    build_dir = _env_path("KVELL_BUILD_DIR", REPO / "build")
    stub = _env_path("KVELL_STUB", build_dir / "windows" / "kvell.exe")
    runner = _env_path("KVELL_RUNNER", build_dir / "windows" / "tests" / "win" / "runner.exe")
    wintool = _env_path("KVELL_WINTOOL", build_dir / "windows" / "tests" / "win" / "wintool.exe")
    dialog_fixture = _env_path("KVELL_DIALOG_FIXTURE",
                               build_dir / "windows" / "tests" / "win" / "dialog_fixture.exe")
    win_tests = _env_path("KVELL_WIN_TESTS", build_dir / "windows" / "tests" / "win" / "kvell_win_tests.exe")
    kvellpack = _env_path("KVELL_KVELLPACK", build_dir / "tools" / "kvellpack" / "kvellpack")
    template = _env_path("KVELL_WINE_TEMPLATE", build_dir / "wine-template")
    work_root = _env_path("KVELL_WINE_WORK", build_dir / "wine-run")
    locales = _env_path("KVELL_LOCALES", build_dir / "wine-locales")
    wine = os.environ.get("KVELL_WINE", "wine")
    wineserver = os.environ.get("KVELL_WINESERVER", "wineserver")
    xvfb = os.environ.get("KVELL_XVFB", "Xvfb")
    # Keep the prefix copy after the tests (for debugging).
    keep = os.environ.get("KVELL_KEEP_PREFIX") == "1"
    # Own Xvfb even when DISPLAY is set.
    force_xvfb = os.environ.get("KVELL_FORCE_XVFB") == "1"


def base_environment(prefix, home, display=None, locale="C.UTF-8", extra=None):
    """The Unix environment of every Wine process: small and fixed, so that the
    developer's or CI's variables (JAVA_HOME, TMP, ...) never reach the launcher.
    Wine passes these on to Windows programs, except PATH, TMP and TEMP."""
    env = {
        "HOME": str(home),
        "USER": os.environ.get("USER", "kvell"),
        "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
        "WINEPREFIX": str(prefix),
        "WINEDEBUG": "-all",
        # No Mono or Gecko installation prompts.
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
        "LANG": locale,
        "LC_ALL": locale,
    }
    if display:
        env["DISPLAY"] = display
    if extra:
        env.update(extra)
    return env


def wine_version():
    try:
        out = subprocess.run([Config.wine, "--version"], capture_output=True, text=True,
                             env={"PATH": os.environ.get("PATH", ""), "WINEDEBUG": "-all"}, timeout=30)
        return out.stdout.strip()
    except (OSError, subprocess.TimeoutExpired):
        return None


def require_wine_tools():
    """Raises unittest.SkipTest when what the Wine tests need is missing."""
    missing = [str(p) for p in (Config.stub, Config.runner, Config.wintool) if not p.exists()]
    for tool in (Config.wine, Config.wineserver):
        if shutil.which(tool) is None:
            missing.append(tool)
    if missing:
        raise unittest.SkipTest("missing: " + ", ".join(missing))


# ---- the template prefix -------------------------------------------------------

def _template_stamp():
    return {"wine": wine_version(), "template": TEMPLATE_VERSION}


def template_is_current(path=None):
    path = Path(path or Config.template)
    try:
        return json.loads((path / ".kvell-template").read_text()) == _template_stamp()
    except (OSError, ValueError):
        return False


def make_template(path=None, force=False, log=print):
    """Creates the template prefix unless a current one exists. Safe against
    concurrent callers (a lock file beside it); built in a scratch directory and
    renamed into place, so a half-made template is never used."""
    path = Path(path or Config.template)
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(str(path) + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not force and template_is_current(path):
            log("template prefix %s is current" % path)
            return path
        started = time.monotonic()
        scratch = Path(tempfile.mkdtemp(prefix=path.name + ".new-", dir=path.parent))
        prefix = scratch / "prefix"
        env = base_environment(prefix, scratch)
        try:
            subprocess.run([Config.wine, "wineboot", "--init"], env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
            # Settings every test relies on:
            # - a crash ends the program instead of showing the crash dialog;
            # - windows are not handed to a window manager: without one (Xvfb),
            #   Wine would wait 2 s for every closed window to be withdrawn.
            settings = [
                ["reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog",
                 "/t", "REG_DWORD", "/d", "0", "/f"],
                ["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                 "/t", "REG_SZ", "/d", "N", "/f"],
            ]
            for args in settings:
                subprocess.run([Config.wine] + args, env=env, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
            (prefix / "drive_c" / "kvell").mkdir(exist_ok=True)
            _unlink_profile_folders(prefix)
            # Let the server write the registry and end.
            subprocess.run([Config.wineserver, "-w"], env=env, check=True, timeout=120)
            _forget_server_directory(prefix)
            (prefix / ".kvell-template").write_text(json.dumps(_template_stamp()))
            if path.exists():
                shutil.rmtree(path)
            prefix.rename(path)
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
        log("template prefix %s made in %.1f s" % (path, time.monotonic() - started))
        return path


def _unlink_profile_folders(prefix):
    """Wine links the user's Desktop, Documents, ... to the Unix home it was made
    with, a scratch directory gone afterwards. Real folders instead: the shell's
    namespace hangs from the Desktop, and without one the file dialogs neither
    list nor open anything."""
    for link in (Path(prefix) / "drive_c" / "users").glob("*/*"):
        if link.is_symlink():
            link.unlink()
            link.mkdir()


def _forget_server_directory(prefix):
    """Debian's Wine keeps the server's socket directory name (/tmp/wine-XXXXXX)
    in <prefix>/wineserver. Removes both, after the server has ended, so that
    copies of a prefix do not share that directory and nothing stays in /tmp."""
    record = Path(prefix) / "wineserver"
    try:
        name = record.read_text().strip()
    except OSError:
        return
    record.unlink()
    if re.fullmatch(r"wine-\w+", name):
        shutil.rmtree(Path("/tmp") / name, ignore_errors=True)


def _die_with_parent():
    """In a child before exec: it gets SIGTERM when the test process dies, even
    when ctest kills that with SIGKILL on time-out (Linux only)."""
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


# ---- Xvfb -------------------------------------------------------------------------

class Xvfb:
    """An X server on the first free display, chosen by Xvfb itself (-displayfd)."""

    def __init__(self):
        self.process = None
        self.display = None

    def start(self, timeout=15):
        read_end, write_end = os.pipe()
        try:
            self.process = subprocess.Popen(
                [Config.xvfb, "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                 "-nolisten", "tcp"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        finally:
            os.close(write_end)
        number = b""
        deadline = time.monotonic() + timeout
        try:
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                ready, _, _ = select.select([read_end], [], [], max(left, 0))
                chunk = os.read(read_end, 16) if ready else b""
                if not chunk:
                    self.stop()
                    raise RuntimeError("Xvfb did not report its display")
                number += chunk
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()
        return self.display

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None


# ---- results -----------------------------------------------------------------------

@dataclass
class Box:
    """A message box the runner saw (and answered)."""
    caption: str
    text: str
    buttons: list      # [(id, label)]
    answer: str        # ok, yes, no, cancel, or close when the button was missing
    seen_after_ms: int = 0  # when the runner found it, after the program's start

    @property
    def button_ids(self):
        return [b[0] for b in self.buttons]


@dataclass
class RunResult:
    exit_code: int     # the child's, all 32 bits (unsigned)
    stdout_bytes: bytes
    stderr_bytes: bytes
    boxes: list
    elapsed: float
    command_line: str = ""
    pid: int = 0       # the child's process id, as the runner reported it

    @property
    def stdout(self):
        return self.stdout_bytes.decode(payload_mod.ANSI, errors="replace").replace("\r\n", "\n")

    @property
    def stderr(self):
        return self.stderr_bytes.decode(payload_mod.ANSI, errors="replace").replace("\r\n", "\n")

    def describe(self):
        return ("command line: %s\nexit code: %d (%.2f s)\nstdout: %r\nstderr: %r\nboxes: %r"
                % (self.command_line, self.exit_code, self.elapsed, self.stdout, self.stderr, self.boxes))


# ---- a running prefix ------------------------------------------------------------------

def windows_to_unix(prefix: Path, win_path: str) -> Path:
    """C:\\x\\y -> <prefix>/drive_c/x/y; Z:\\x -> /x. Case is kept as written."""
    p = PureWindowsPath(win_path)
    drive = p.drive.rstrip(":").lower()
    parts = p.parts[1:]
    if drive == "z":
        return Path("/", *parts)
    if drive == "c":
        return Path(prefix, "drive_c", *parts)
    raise ValueError("no Unix path for " + win_path)


def unix_to_windows(prefix: Path, unix_path) -> str:
    path = Path(unix_path).resolve()
    drive_c = (Path(prefix) / "drive_c").resolve()
    try:
        rest = path.relative_to(drive_c)
        return "C:\\" + "\\".join(rest.parts)
    except ValueError:
        return "Z:" + str(path).replace("/", "\\")


def _process_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    return True


def remove_abandoned_sessions():
    """Removes the prefix copies of test processes that died without closing
    their session (killed on time-out): their wineserver is stopped and the copy
    deleted. Their Xvfb has already ended with them."""
    for root in Config.work_root.iterdir():
        try:
            owner = int((root / "owner").read_text())
        except (OSError, ValueError):
            continue
        if _process_alive(owner):
            continue
        prefix = root / "prefix"
        if prefix.is_dir():
            env = base_environment(prefix, root / "home")
            with contextlib.suppress(OSError, subprocess.TimeoutExpired):
                subprocess.run([Config.wineserver, "-k"], env=env, timeout=30,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            _forget_server_directory(prefix)
        shutil.rmtree(root, ignore_errors=True)


class Started:
    """A program started through runner.exe (Session.spawn) and not yet waited
    for. pid: the child's process id, once runner.exe has started it; wait():
    the RunResult, as Session.run gives it."""

    def __init__(self, session, runner_args, cmdline, timeout):
        self.session = session
        self.cmdline = cmdline
        self.timeout = timeout
        self._runner_args = runner_args
        self._attempts = 0
        self._pid = None
        self._result = None
        self._launch()

    def _launch(self):
        session = self.session
        session.run_counter += 1
        self._attempts += 1
        self._files = {kind: session.root / ("%s-%d.%s" % (kind, session.run_counter, ext))
                       for kind, ext in (("boxes", "json"), ("status", "json"), ("pid", "txt"), ("args", "bin"))}
        files = self._files
        all_args = ["--boxes", session.windows(files["boxes"]), "--status", session.windows(files["status"]),
                    "--pid-file", session.windows(files["pid"])] + self._runner_args
        # All arguments go through a file: Wine's rewriting of its own command line
        # cannot touch them, whatever quotes or characters they hold.
        files["args"].write_bytes(b"".join(a.encode("utf-8") + b"\0" for a in all_args))
        self._started = time.monotonic()
        self._running = session._popen([Config.wine, session.runner_win, "--args-file", session.windows(files["args"])])

    @property
    def running(self):
        """True while runner.exe (and so the program) has not ended."""
        return self._running is not None and self._running[0].poll() is None

    @property
    def collected(self):
        """True once runner.exe's end has been taken in (or it was abandoned)."""
        return self._running is None

    def _reap(self, timeout):
        """Waits for runner.exe (killed after timeout seconds) and gives its output."""
        running, self._running = self._running, None
        return self.session._collect(*running, timeout=timeout)

    def abandon(self):
        """Ends runner.exe without a result (the session's end, a failed test)."""
        if not self.collected:
            with contextlib.suppress(subprocess.TimeoutExpired):
                self._reap(timeout=0)

    @property
    def pid(self):
        """The child's process id; waits until runner.exe has started it."""
        deadline = time.monotonic() + self.timeout + 30
        while self._pid is None:
            try:
                self._pid = int(self._files["pid"].read_text())
            except (OSError, ValueError):
                if self.collected:  # ended without starting it, or abandoned
                    raise AssertionError("runner.exe started no program: %s"
                                         % (self._result.describe() if self._result else self.cmdline))
                if not self.running:
                    self._settle()
                elif time.monotonic() > deadline:
                    raise AssertionError("runner.exe did not start the program: %s" % self.cmdline)
                else:
                    time.sleep(0.05)
        return self._pid

    def wait(self, timeout=None) -> RunResult:
        """Waits for the end of runner.exe, at most timeout seconds (default: the
        run's time-out and 30 s more, as the runner kills the child first), and
        returns the RunResult. Past that, runner.exe is killed: AssertionError."""
        while self._result is None:
            if self.collected:
                raise AssertionError("runner.exe was abandoned: %s" % self.cmdline)
            try:
                self._running[0].wait(timeout=self.timeout + 30 if timeout is None else timeout)
            except subprocess.TimeoutExpired as e:
                self.abandon()
                raise AssertionError("runner.exe did not end: %s" % self.cmdline) from e
            self._settle()
        return self._result

    def _settle(self):
        """Reads the ended runner's reports. When runner.exe never got as far as
        starting the program (Wine could not start it), tries once more: that is
        the test bed's trouble, not the program's."""
        done = self._reap(timeout=None)
        elapsed = time.monotonic() - self._started
        files = self._files
        if done.returncode == EXIT_RUNNER_FAILURE and done.stderr.startswith(b"runner:"):
            # Under load Wine now and then refuses a process start (error 1359);
            # nothing ran, so one more try is safe.
            if done.stderr.startswith(b"runner: cannot start:") and self._attempts == 1:
                print("runner.exe could not start the program (attempt 1): %r" % done.stderr, file=sys.stderr)
                for path in files.values():
                    path.unlink(missing_ok=True)
                self._launch()
                return
            raise AssertionError("runner.exe failed: %s" % done.stderr.decode(errors="replace"))
        boxes = []
        if files["boxes"].exists():
            for line in files["boxes"].read_text(encoding="utf-8").splitlines():
                record = json.loads(line)
                boxes.append(Box(record["caption"], record["text"],
                                 [(b["id"], b["text"]) for b in record["buttons"]], record["answer"],
                                 record.get("seen_after_ms", 0)))
        status = json.loads(files["status"].read_text()) if files["status"].exists() else None
        if self._pid is None and files["pid"].exists():
            self._pid = int(files["pid"].read_text())
        for path in files.values():
            path.unlink(missing_ok=True)
        # The whole exit code as Windows has it; Wine hands Unix its low byte.
        # Wine's own complaint when the process ends while another of its
        # threads is in a server call; not the program's output.
        stderr = WINE_CLIENT_NOISE.sub(b"", done.stderr)
        result = RunResult(status["exit_code"] if status else done.returncode, done.stdout, stderr, boxes,
                           elapsed, self.cmdline, status["pid"] if status else 0)
        if status is None:
            if self._pid is None and self._attempts == 1:
                print("runner.exe did not report (attempt 1): exit code %d, stderr %r"
                      % (result.exit_code, done.stderr), file=sys.stderr)
                self._launch()
                return
            raise AssertionError("runner.exe did not run: %s" % result.describe())
        if done.returncode != status["exit_code"] & 0xFF:
            raise AssertionError("runner.exe reported exit code %d, Wine %d" % (status["exit_code"], done.returncode))
        self._result = result


WINE_CLIENT_NOISE = re.compile(rb"wine client error:[0-9a-f]+: [a-z]+: Bad file descriptor\r?\n")


class Session:
    """One copy of the template prefix with its own wineserver (and Xvfb), for
    the tests of one file. Session.get() gives the file's session; it is closed
    by a module clean-up."""

    _current = None

    @classmethod
    def get(cls, name=None):
        if cls._current is None:
            session = cls(name)
            session.start()
            cls._current = session
            unittest.addModuleCleanup(cls.close_current)
        return cls._current

    @classmethod
    def close_current(cls):
        if cls._current is not None:
            cls._current.close()
            cls._current = None

    def __init__(self, name=None, locale="C.UTF-8", extra_env=None):
        require_wine_tools()
        if not template_is_current():
            make_template(log=lambda *_: None)
        self.name = name or Path(sys.argv[0]).stem
        Config.work_root.mkdir(parents=True, exist_ok=True)
        remove_abandoned_sessions()
        self.root = Path(tempfile.mkdtemp(prefix="%s-" % re.sub(r"\W", "_", self.name),
                                          dir=Config.work_root))
        (self.root / "owner").write_text(str(os.getpid()))
        self.prefix = self.root / "prefix"
        self.home = self.root / "home"
        self.locale = locale
        self.extra_env = dict(extra_env or {})
        self.xvfb = None
        self.display = None
        self.env = None
        self.server_started = False
        self.case_counter = 0
        self.run_counter = 0
        self.spawned = []  # Started runs, ended at close() if never waited for

    # -- life cycle --

    def start(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise

    def _start(self):
        started = time.monotonic()
        subprocess.run(["cp", "-a", str(Config.template), str(self.prefix)], check=True)
        self.home.mkdir()
        if os.environ.get("DISPLAY") and not Config.force_xvfb:
            self.display = os.environ["DISPLAY"]
        else:
            self.xvfb = Xvfb()
            self.display = self.xvfb.start()
        self.env = base_environment(self.prefix, self.home, self.display, self.locale, self.extra_env)
        # The server outlives this call: it must not hold our output open. It
        # stays until close() stops it, or a minute after the last program
        # when this process dies without closing the session.
        subprocess.run([Config.wineserver, "-p%d" % SERVER_LINGER_SECONDS], env=self.env, check=True, timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.server_started = True
        # Tools used by every case live in C:\kvell\bin.
        self.bin_dir = self.prefix / "drive_c" / "kvell" / "bin"
        self.bin_dir.mkdir(parents=True, exist_ok=True)
        shutil.copy2(Config.runner, self.bin_dir / "runner.exe")
        shutil.copy2(Config.wintool, self.bin_dir / "wintool.exe")
        self.runner_win = r"C:\kvell\bin\runner.exe"
        self.wintool_win = r"C:\kvell\bin\wintool.exe"
        # The first program start brings up Wine's own services; do it now so that
        # the cases' timings are their own.
        self.wine(["cmd.exe", "/c", "exit"], check=False, timeout=120)
        self.start_seconds = time.monotonic() - started

    def close(self):
        if self.server_started:
            subprocess.run([Config.wineserver, "-k"], env=self.env, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for started in self.spawned:
                started.abandon()
            self.spawned = []
            with contextlib.suppress(subprocess.TimeoutExpired):
                subprocess.run([Config.wineserver, "-w"], env=self.env, timeout=30)
            self.server_started = False
            _forget_server_directory(self.prefix)
        if self.xvfb is not None:
            self.xvfb.stop()
            self.xvfb = None
        if not Config.keep:
            shutil.rmtree(self.root, ignore_errors=True)
        else:
            print("kept prefix: %s" % self.prefix, file=sys.stderr)

    # -- paths --

    @property
    def drive_c(self):
        return self.prefix / "drive_c"

    def unix(self, win_path) -> Path:
        return windows_to_unix(self.prefix, win_path)

    def windows(self, unix_path) -> str:
        return unix_to_windows(self.prefix, unix_path)

    # -- programs --

    def _popen(self, argv):
        """Starts a Unix command in the session: (process, out, err), out and err
        being the files that receive its output. Files, not pipes: Wine's
        background services may inherit the descriptors and keep pipes open
        long after the program ended."""
        out = tempfile.TemporaryFile(dir=self.root)
        err = tempfile.TemporaryFile(dir=self.root)
        try:
            return subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=err), out, err
        except BaseException:
            out.close()
            err.close()
            raise

    @staticmethod
    def _collect(process, out, err, timeout):
        """Waits for a command of _popen, killing it on time-out, and gives its output."""
        with out, err:
            try:
                code = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                raise
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(process.args, code, out.read(), err.read())

    def _call(self, argv, timeout):
        """Runs a Unix command in the session and waits for it."""
        return self._collect(*self._popen(argv), timeout)

    def wine(self, args, check=True, timeout=60):
        """Runs a Wine command directly (no runner): wine ARGS..."""
        done = self._call([Config.wine] + list(args), timeout)
        if check and done.returncode != 0:
            raise subprocess.CalledProcessError(done.returncode, done.args, done.stdout, done.stderr)
        return done

    def spawn(self, program, args=None, cmdline=None, set_env=None, unset_env=(), clear_env=False,
              cwd=None, answer="ok", timeout=20, reg_dword=(), reg_delete=(), leave=(),
              new_console=False) -> "Started":
        """Starts the Windows program through runner.exe and returns at once: a
        Started, whose wait() gives the RunResult and pid the child's process id.

        program: Windows path of the executable.
        args: text after the program on the command line (ignored with cmdline).
        cmdline: the exact, complete command line; default: "program" args.
        set_env/unset_env/clear_env: changes to the child's environment, which is
            otherwise the runner's (Wine's view of the session's environment).
        answer: button(s) for message boxes: "ok", "yes", "no", "cancel", or a
            list/comma-separated sequence, one per box, the last one repeating.
        timeout: seconds before runner.exe kills the child (exit code 124).
        reg_dword/reg_delete: registry values set ((key, name, number) triples) or
            removed ((key, name) pairs) by the runner right before the start.
        leave: control ids; a dialog (#32770) holding one of them is no message
            box: the runner neither records nor answers it, the test drives it
            (e.g. (1005, FILE_NAME_FIELD) for the question and file dialogs).
        new_console: the child gets a console window of its own instead of the
            runner's standard handles (stdout and stderr stay empty).
        """
        if cmdline is None:
            cmdline = '"%s"' % program + ("" if args is None or args == "" else " " + args)
        if not isinstance(answer, str):
            answer = ",".join(answer)
        runner_args = []
        if clear_env:
            runner_args.append("--clear-env")
        for name in unset_env:
            runner_args += ["--unset", name]
        for name, value in (set_env or {}).items():
            runner_args += ["--set", "%s=%s" % (name, value)]
        if cwd is not None:
            runner_args += ["--cwd", cwd]
        for key, name, number in reg_dword:
            runner_args += ["--reg-dword", key, name, str(number)]
        for key, name in reg_delete:
            runner_args += ["--reg-delete", key, name]
        for control in leave:
            runner_args += ["--leave", str(int(control))]
        if new_console:
            runner_args.append("--new-console")
        started = Started(self, runner_args + ["--answer", answer, "--timeout", str(timeout), "--cmdline", cmdline,
                                               "--", program], cmdline, timeout)
        self.spawned = [other for other in self.spawned if not other.collected] + [started]
        return started

    def run(self, program, **kwargs) -> RunResult:
        """Starts the program and waits for it: spawn(program, **kwargs).wait()."""
        return self.spawn(program, **kwargs).wait()

    # -- registry --

    def reg_query(self, key, name):
        """The value's data as Wine's reg prints it (an int for REG_DWORD), or None."""
        done = self.wine(["reg", "query", key, "/v", name], check=False)
        for line in done.stdout.decode(errors="replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0].lower() == name.lower() and parts[1].startswith("REG_"):
                data = parts[2] if len(parts) > 2 else ""
                if parts[1] == "REG_DWORD":
                    return int(data, 16)
                return data
        return None

    def reg_add(self, key, name, data, kind="REG_SZ"):
        if kind == "REG_DWORD":
            data = str(int(data))
        self.wine(["reg", "add", key, "/v", name, "/t", kind, "/d", str(data), "/f"])

    def reg_delete(self, key, name=None):
        args = ["reg", "delete", key] + (["/v", name] if name else []) + ["/f"]
        self.wine(args, check=False)

    def wintool(self, *args):
        """Output of wintool.exe (tests/win/wintool.cpp) as text."""
        done = self.wine([self.wintool_win] + list(args))
        return done.stdout.decode("utf-8").strip()

    def short_path(self, win_path):
        """The 8.3 form of an existing path, as GetShortPathNameW gives it."""
        return self.wintool("short-path", win_path)

    def long_path(self, win_path):
        return self.wintool("long-path", win_path)

    # -- windows of running programs (tests/win/wintool_windows.cpp) --
    # Every call starts wintool.exe (0.3 to 1 s): waits happen inside it.

    def _window_tool(self, *args, timeout=0):
        """wintool.exe's window command; exit code 1 (its failure) gives None."""
        done = self.wine([self.wintool_win] + [str(a) for a in args], check=False, timeout=timeout + 60)
        if done.returncode == 1:
            return None
        if done.returncode != 0:
            raise AssertionError("wintool.exe %s: exit code %d, %s"
                                 % (args[0], done.returncode, done.stderr.decode(errors="replace")))
        return done.stdout.decode("utf-8")

    def _window_action(self, *args):
        if self._window_tool(*args) is None:
            raise AssertionError("wintool.exe %s failed" % " ".join(str(a) for a in args))

    def wait_window(self, pid=0, cls=None, title=None, timeout=10, visible=True):
        """The handle (int) of a top-level window of process pid (0: any) with
        exactly this class and title (None: any), once one exists (and is
        visible); None when none came within timeout seconds."""
        out = self._window_tool("wait-window", pid, cls or "-", title or "-", int(timeout * 1000),
                                *(["visible"] if visible else []), timeout=timeout)
        return None if out is None else int(out, 16)

    def dump_window(self, hwnd, font=(8, "MS Shell Dlg")):
        """The window and its direct child controls (wintool.exe dump), as a dict:
        class, title, visible, style, exstyle (ints), rect ([left, top, right,
        bottom] on the screen), client ([width, height]), base_units ([x, y]
        pixels per 4 and 8 dialog units, or None) and base_units_from,
        client_dlu, default_id (DM_GETDEFID, or None), focus (the id of the
        control holding the focus, or None), controls: a list of dicts with id
        (-1 for none), class, text, visible, enabled, style, rect (in the client
        area), dlu ([x, y, cx, cy] as in a template), and by kind: range ([low,
        high]) and pos for progress bars, icon (bool) for icon statics, default
        (bool) for buttons.
        font: (points, face) of the template's FONT statement; dialog units come
        from it when the dialog's own font cannot be read (always under Wine)."""
        out = self._window_tool("dump", "%x" % hwnd, *font)
        if out is None:
            raise AssertionError("no window %x" % hwnd)
        dump = json.loads(out)
        for item in [dump] + dump["controls"]:
            for key in ("style", "exstyle"):
                if key in item:
                    item[key] = int(item[key], 16)
        return dump

    def click(self, hwnd, control_id):
        """Presses the dialog's button (BM_CLICK, posted); AssertionError when it
        has no visible, enabled control of that id."""
        self._window_action("click", "%x" % hwnd, control_id)

    def key(self, hwnd, key):
        """"enter" or "escape" to the dialog's focused control (posted key down and
        up), for its dialog manager to turn into a button's command."""
        self._window_action("key", "%x" % hwnd, key)

    def close_window(self, hwnd):
        """The close box (WM_SYSCOMMAND SC_CLOSE, posted)."""
        self._window_action("close", "%x" % hwnd)

    def choose_file(self, pid, title, win_path, timeout=10):
        """Waits for process pid's file-open dialog of that title, enters win_path
        as its file name and presses Open. True when the dialog then closed
        within timeout seconds; False when none came or it stayed open."""
        return self._window_tool("choose-file", pid, title, win_path, int(timeout * 1000), timeout=timeout) is not None

    def screenshot(self, png_path, rect=None):
        """The session's screen (or its rect [left, top, right, bottom], e.g. a
        dump's "rect") as a PNG file at the Unix path png_path (ImageMagick's
        import). Returns the path."""
        argv = ["import", "-display", self.display, "-window", "root"]
        if rect is not None:
            left, top, right, bottom = rect
            argv += ["-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage"]
        subprocess.run(argv + ["png:%s" % png_path], check=True, timeout=60, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return Path(png_path)

    # -- cases --

    def new_case(self, label=""):
        self.case_counter += 1
        return Case(self, self.case_counter, label)


class Case:
    """A test's own directory C:\\kvell\\<n> with its TMP directory C:\\kvell\\<n>\\tmp."""

    def __init__(self, session, number, label=""):
        self.session = session
        self.label = label
        self.win_dir = r"C:\kvell\%d" % number
        self.dir = session.unix(self.win_dir)
        if self.dir.exists():
            shutil.rmtree(self.dir)
        self.dir.mkdir(parents=True)
        self.tmp_win = self.win_dir + r"\tmp"
        self.tmp = self.dir / "tmp"
        self.tmp.mkdir()

    def path(self, *parts):
        """Windows path of a file inside the case directory."""
        return "\\".join([self.win_dir] + list(parts))

    def launcher(self, payload=None, name="app.exe", subdir=None, stub=None):
        """Writes a launcher (stub + payload: a Payload, raw bytes, or None for
        the bare stub) into the case directory; returns its Windows path."""
        win_path = self.path(*([subdir] if subdir else []), name)
        target = self.session.unix(win_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        stub = stub or Config.stub
        if payload is None:
            shutil.copyfile(stub, target)
        else:
            payload_mod.write_launcher(stub, target, payload)
        return win_path

    def run(self, program, **kwargs) -> RunResult:
        """spawn(program, **kwargs).wait(): session.run in the case's surroundings."""
        return self.spawn(program, **kwargs).wait()

    def spawn(self, program, args=None, env=None, unset_env=(), tmp="case", marker=False, cwd="case",
              **kwargs) -> Started:
        """session.spawn with the launcher's surroundings controlled:
        - TMP and TEMP point to the case's tmp directory (tmp="case"), to a given
          Windows path, or are removed (tmp=None);
        - KVELL_LOG and QUILLMERE_LOG are removed unless env sets them;
        - the installation marker is removed (marker=False), set (True) or left
          as it is (None) right before the start;
        - the working directory is the case's directory unless cwd says otherwise
          (None: the runner's)."""
        if marker is not None:
            if marker:
                kwargs["reg_dword"] = list(kwargs.get("reg_dword", ())) + [INSTALL_MARKER + (1,)]
            else:
                kwargs["reg_delete"] = list(kwargs.get("reg_delete", ())) + [INSTALL_MARKER]
        if cwd == "case":
            cwd = self.win_dir
        kwargs["cwd"] = cwd
        set_env = {}
        unset = ["KVELL_LOG", "QUILLMERE_LOG"] + list(unset_env)
        if tmp == "case":
            set_env.update(TMP=self.tmp_win, TEMP=self.tmp_win)
        elif tmp is None:
            unset += ["TMP", "TEMP"]
        else:
            set_env.update(TMP=tmp, TEMP=tmp)
        set_env.update(env or {})
        unset = [name for name in unset if name not in set_env]
        return self.session.spawn(program, args=args, set_env=set_env, unset_env=unset, **kwargs)

    # -- logs --

    def logs(self, directory=None):
        """Unix paths of the diagnostic logs in the case's TMP directory (or in
        the given Windows directory), oldest first."""
        where = self.tmp if directory is None else self.session.unix(directory)
        return sorted(where.glob("qmr_nlog*"), key=lambda p: p.stat().st_mtime)


def control(dump, control_id):
    """The control of that id in a dump_window result."""
    found = [c for c in dump["controls"] if c["id"] == control_id]
    if len(found) != 1:
        raise AssertionError("%d controls of id %d in %r" % (len(found), control_id, dump))
    return found[0]


def image_facts(path):
    """(width, height, number of colours, format) of an image file (ImageMagick's identify)."""
    out = subprocess.run(["identify", "-format", "%w %h %k %m", str(path)], check=True, capture_output=True,
                         text=True, timeout=60).stdout.split()
    return int(out[0]), int(out[1]), int(out[2]), out[3]


def read_log(path) -> str:
    """The log's text with CR LF turned into LF."""
    return Path(path).read_bytes().decode(payload_mod.ANSI, errors="replace").replace("\r\n", "\n")


def log_lines(path):
    return read_log(path).split("\n")


IDOK = 1
LOG_LINE = "\n\nLog: "


class ScenarioCase(unittest.TestCase):
    """Base of the scenario tests: self.wine is the file's Session, self.case a
    fresh Case for every test (new_case() gives more, e.g. one per subTest)."""

    maxDiff = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.wine = Session.get(cls.__module__)

    def setUp(self):
        super().setUp()
        self.case = self.wine.new_case(self.id())

    def new_case(self):
        return self.wine.new_case(self.id())

    # -- results --

    def assertExit(self, result, code):
        self.assertEqual(result.exit_code, code, result.describe())

    def assertNoBoxes(self, result):
        self.assertEqual(result.boxes, [], result.describe())

    def single_box(self, result) -> Box:
        self.assertEqual(len(result.boxes), 1, result.describe())
        return result.boxes[0]

    def assertCleanRun(self, result):
        """Exit code 0, no message box, nothing on stdout or stderr."""
        self.assertExit(result, 0)
        self.assertNoBoxes(result)
        self.assertEqual((result.stdout, result.stderr), ("", ""), result.describe())

    def assertQuietNoRuntime(self, result):
        """The end of a quiet run on a machine without Java (the test prefix):
        exit code 83, "no jre found" on stdout, no box, nothing on stderr."""
        self.assertExit(result, EXIT_NO_RUNTIME)
        self.assertNoBoxes(result)
        self.assertEqual((result.stdout, result.stderr), ("no jre found\n", ""), result.describe())

    def log_path_after(self, text, message, result=None):
        """The Windows log path of an error text "<message>\n\nLog: <path>"."""
        self.assertTrue(text.startswith(message + LOG_LINE),
                        "expected %r + log line, got %r\n%s" % (message, text, result.describe() if result else ""))
        path = text[len(message) + len(LOG_LINE):]
        self.assertNotIn("\n", path)
        return path

    def assertLogFileAt(self, win_log, directory, case=None):
        """win_log names an existing diagnostic log directly in directory
        (default: the case's TMP directory). Returns its Unix path."""
        case = case or self.case
        directory = directory or case.tmp_win
        path = PureWindowsPath(win_log)
        self.assertEqual(str(path.parent).lower(), str(PureWindowsPath(directory)).lower(), win_log)
        self.assertNotIn("\\\\", win_log)
        self.assertTrue(re.fullmatch(r"qmr_nlog(_\w+)?", path.name, re.IGNORECASE), win_log)
        unix = self.wine.unix(win_log)
        self.assertTrue(unix.is_file(), "log %s is gone" % win_log)
        return unix

    def assertFatalBox(self, result, message, caption="", log_dir=None, case=None):
        """Exit code 1 after exactly one OK box "<message>\n\nLog: <path>" whose
        log file still exists. Returns the log's Unix path."""
        self.assertExit(result, 1)
        box = self.single_box(result)
        self.assertEqual(box.caption, caption, result.describe())
        self.assertEqual(box.button_ids, [IDOK], result.describe())
        self.assertEqual(result.stderr, "", result.describe())
        return self.assertLogFileAt(self.log_path_after(box.text, message, result), log_dir, case)

    def assertFatalStderr(self, result, message, log_dir=None, case=None):
        """Exit code 1, no box, standard error exactly "<message>\n\nLog: <path>\n"."""
        self.assertExit(result, 1)
        self.assertNoBoxes(result)
        self.assertTrue(result.stderr.endswith("\n"), result.describe())
        return self.assertLogFileAt(self.log_path_after(result.stderr[:-1], message, result), log_dir, case)
