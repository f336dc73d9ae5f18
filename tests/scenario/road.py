"""The whole road under Wine: launchers that extract their included files, find
the stand-in Java runtime (tests/standin), build the VM options and call the
Java side through JNI; and what the stand-in recorded of it (its transcript).

RoadCase.road() runs a launcher with its log kept, the transcript in the case
directory, a fixed PATH, and (unless asked otherwise) a runtime to find through
KVELL_JAVA_HOME; it returns a Road: the run's result, the new log's lines and
the transcript, with readers for the VM options and main's array.
"""

import gzip
import io
import os
import shutil
import subprocess
import tarfile
import unittest
from dataclasses import dataclass
from pathlib import Path

from payload import Payload, pe_layout, read_payload
from wineharness import Config, ScenarioCase, log_lines

STANDIN = Config.build_dir / "windows" / "tests" / "standin"

MARKER_KEY = r"HKCU\SOFTWARE\brisco-labworks\kvell"
MARKER_VALUE = "InstallStarted"

# The JVM exit hook: the "exit" option with extraInfo, as the stand-in records it.
EXIT_HOOK = "exit [extraInfo]"
LAUNCHER_CLASS = "com/kvell/runtime/WinLauncher"
FIRST_RUN_CLASS = "com/quillmere/runtime/FirstRun"
MAIN_SIGNATURE = "([Ljava/lang/String;)V"

# PATH as every run starts with it, so that the values built from it are exact.
BASE_PATH = r"C:\windows\system32;C:\windows"
TRANSCRIPT = "transcript.txt"

# Message texts: each names its entry, so that a wrong id shows; "{0}" is kept
# visibly where no detail is given.
CAPTION = "Road Test"
TITLE = "Road Title"
MESSAGES = {
    1000: CAPTION,
    1005: "Cannot start Java {0}",
    1006: "Missing class path entry {0}",
    1007: "Unbalanced quotes {0}",
    1008: "Missing variable {0}",
    1009: "Internal error {0}",
    1010: "No launcher class {0}",
    1011: "No main method {0}",
    1015: "No temp dir {0}",
    1016: "No Java {0}",
    1019: "Load failed on path {0}",
    1021: "Load failed {0}",
}
WIDES = {
    20013: TITLE,
    20015: "An earlier installation did not finish. Choose the Java runtime yourself?",
    20016: "Reading an included file failed",
    20018: "Writing an included file failed",
    20006: "No Java runtime (%S-bit) found",
}
# The runtime question's text with WIDES (no version limits).
NO_RUNTIME_QUESTION = "No Java runtime (64-bit) found"

IDYES = 6
IDNO = 7


def road_payload(entries=None, files=(), wides=None, program_type="0"):
    """A Payload with the message texts above. files: (name, content) pairs;
    entries 2002 and 2003 follow from them unless entries sets them."""
    strings = dict(MESSAGES)
    strings[107] = program_type
    if files:
        strings[2002] = str(len(files))
        strings[2003] = ";".join(name for name, _ in files)
    strings.update(entries or {})
    all_wides = dict(WIDES)
    all_wides.update(wides or {})
    return Payload(strings=strings, wides=all_wides, files=[content for _, content in files])


def runtime_archive(home):
    """(jre.tar.gz bytes, the tar's length) of the runtime home at the Unix path home."""
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.USTAR_FORMAT) as tar:
        for path in sorted(home.rglob("*")):
            tar.add(path, arcname=path.relative_to(home).as_posix(), recursive=False)
    data = raw.getvalue()
    return gzip.compress(data, mtime=0), len(data)


def kvellpack_texts(project_text, work):
    """The wide texts kvellpack writes for a project (TOML text) that sets none,
    packed once in the Unix directory work."""
    work.mkdir(parents=True, exist_ok=True)
    project = work / "project.toml"
    project.write_text(project_text, encoding="utf-8")
    subprocess.run([str(Config.kvellpack), "pack", str(project), "--stub", str(Config.stub),
                    "-o", str(work / "packed.exe")], check=True, capture_output=True, timeout=60)
    return read_payload((work / "packed.exe").read_bytes()).wides


class RoadRun:
    """A road run in the background."""

    def __init__(self, started, logs_before, transcript, launcher, case):
        self.started = started
        self.logs_before = logs_before
        self.transcript = transcript
        self.launcher = launcher
        self.case = case

    def finish(self, timeout=None):
        result = self.started.wait(timeout)
        new = [p for p in self.case.logs() if p not in self.logs_before]
        log = log_lines(new[-1]) if new else []
        lines = self.transcript.read_text(encoding="utf-8").split("\n")[:-1] if self.transcript.exists() else []
        return Road(result, log, lines, self.launcher, self.case)


_stub_start = None


def payload_start():
    """Offset of the Payload in every launcher written from the stub."""
    global _stub_start
    if _stub_start is None:
        _stub_start = pe_layout(Config.stub.read_bytes()).payload_start
    return _stub_start


def file_records_end(payload, count):
    """Position in the launcher file right after the first count included files."""
    return payload_start() + payload.entries_end() + sum(8 + len(c) for c in payload.files[:count])


def _link_tree(source, target):
    def link(src, dst):
        try:
            os.link(src, dst)
        except OSError:
            shutil.copy2(src, dst)
    shutil.copytree(source, target, copy_function=link)


def lay_out_home(target: Path, kinds=("server",), jdk=False):
    """A stand-in runtime home at the Unix path target, from the ready homes
    (hard links where possible): jvm.dll in bin\\<kind> for each kind (none for
    an empty list), or the JDK layout with its runtime in jre\\."""
    _link_tree(STANDIN / ("jdk" if jdk else "jre"), target)
    runtime = target / "jre" if jdk else target
    dll = runtime / "bin" / "server" / "jvm.dll"
    for kind in kinds:
        if kind != "server":
            (runtime / "bin" / kind).mkdir()
            shutil.copy2(dll, runtime / "bin" / kind / "jvm.dll")
    if "server" not in kinds:
        shutil.rmtree(runtime / "bin" / "server")
    return target


@dataclass
class Road:
    """One run of the whole road."""
    result: object
    log: list                      # the run's log lines ([] without a log)
    transcript: list               # the stand-in's transcript lines
    launcher: str = ""
    case: object = None

    def describe(self):
        return "%s\n--- log:\n%s\n--- transcript:\n%s" % (
            self.result.describe(), "\n".join(self.log), "\n".join(self.transcript))

    def jvm(self):
        return [line for line in self.transcript if line.startswith("jvm ")]

    def values(self, prefix):
        return [line[len(prefix):] for line in self.transcript if line.startswith(prefix)]

    def single(self, prefix):
        found = self.values(prefix)
        if len(found) != 1:
            raise AssertionError("%d transcript lines %r\n%s" % (len(found), prefix, self.describe()))
        return found[0]

    @property
    def options(self):
        """The VM options JNI_CreateJavaVM received, in order, without the exit
        hook (checked here: "exit" with extraInfo right before the class path);
        None without a creation."""
        options = self.all_options
        if options is None:
            return None
        if len(options) < 2 or options[-2] != EXIT_HOOK:
            raise AssertionError("no exit hook before the class path\n%s" % self.describe())
        return options[:-2] + options[-1:]

    @property
    def all_options(self):
        """The VM options JNI_CreateJavaVM received, in order; None without a creation."""
        lines = [line for line in self.transcript if line.startswith("jvm option ")]
        if not any(line.startswith("jvm create version=") for line in self.transcript):
            return None
        out = []
        for i, line in enumerate(lines):
            prefix = "jvm option %d: " % i
            if not line.startswith(prefix):
                raise AssertionError("option line out of order: %r\n%s" % (line, self.describe()))
            out.append(line[len(prefix):])
        return out

    def prop(self, name):
        """The value of -D<name>= among the options, or None."""
        prefix = "-D%s=" % name
        found = [o[len(prefix):] for o in self.options or [] if o.startswith(prefix)]
        if len(found) > 1:
            raise AssertionError("%s given %d times" % (prefix, len(found)))
        return found[0] if found else None

    @property
    def class_path(self):
        """The class path option's value (always the last option)."""
        options = self.options
        last = options[-1]
        if not last.startswith("-Djava.class.path="):
            raise AssertionError("the last option is not the class path: %r" % last)
        return last[len("-Djava.class.path="):]

    @property
    def main_args(self):
        """main's array as the stand-in received it; None when main was not called."""
        lines = self.transcript
        for at, line in enumerate(lines):
            if line == "jvm CallStaticVoidMethod %s.main%s" % (LAUNCHER_CLASS, MAIN_SIGNATURE):
                count = int(lines[at + 1][len("jvm args "):])
                args = []
                for k in range(count):
                    prefix = "jvm arg %d: " % k
                    if not lines[at + 2 + k].startswith(prefix):
                        raise AssertionError("arg line %r\n%s" % (lines[at + 2 + k], self.describe()))
                    args.append(lines[at + 2 + k][len(prefix):])
                return args
        return None

    def log_values(self, prefix):
        return [line[len(prefix):] for line in self.log if line.startswith(prefix)]

    def log_value(self, prefix):
        found = self.log_values(prefix)
        if len(found) != 1:
            raise AssertionError("%d log lines %r\n%s" % (len(found), prefix, self.describe()))
        return found[0]


@unittest.skipUnless((STANDIN / "jre" / "bin" / "server" / "jvm.dll").is_file(),
                     "the stand-in runtime was not built")
class RoadCase(ScenarioCase):
    """Scenario tests of the whole road."""

    # -- runtimes --

    def shared_home(self):
        """One stand-in runtime home per session, C:\\kvell\\runtimes\\jre."""
        home = getattr(self.wine, "road_shared_home", None)
        if home is None:
            home = r"C:\kvell\runtimes\jre"
            target = self.wine.unix(home)
            if not target.exists():
                target.parent.mkdir(parents=True, exist_ok=True)
                lay_out_home(target)
            self.wine.road_shared_home = home
        return home

    def home(self, name="jre", case=None, **layout):
        """A stand-in runtime home in the case directory; returns its Windows path."""
        case = case or self.case
        parts = name.split("\\")
        lay_out_home(case.dir.joinpath(*parts), **layout)
        return case.path(*parts)

    # -- the installation marker --

    def marker_value(self):
        return self.wine.reg_query(MARKER_KEY, MARKER_VALUE)

    # -- runs --

    def road(self, launcher, args=None, case=None, env=None, java_home="shared", marker="clear",
             path=BASE_PATH, cmdline=None, **kwargs):
        """Runs launcher with its log kept and the transcript in the case directory.

        java_home: the runtime found through KVELL_JAVA_HOME ("shared": the
            session's; None: no variable, so only the search sequence finds one).
        marker: "clear" removes the installation marker before the run, a
            number sets it to that number, None leaves it as it is.
        path: the launcher's PATH (None: unset)."""
        return self.spawn_road(launcher, args, case, env, java_home, marker, path, cmdline, **kwargs).finish()

    def spawn_road(self, launcher, args=None, case=None, env=None, java_home="shared", marker="clear",
                   path=BASE_PATH, cmdline=None, **kwargs):
        """road() started in the background: .started is the harness's run
        (pid, ...), .finish() waits and gives the Road."""
        case = case or self.case
        transcript = case.dir / TRANSCRIPT
        if transcript.exists():
            transcript.unlink()
        set_env = {"KVELL_LOG": "yes", "KVELL_STANDIN_TRANSCRIPT": case.path(TRANSCRIPT)}
        unset = []
        if java_home == "shared":
            java_home = self.shared_home()
        if java_home is not None:
            set_env["KVELL_JAVA_HOME"] = java_home
        if path is not None:
            set_env["PATH"] = path
        else:
            unset.append("PATH")
        set_env.update(env or {})
        # The runner removes or sets the marker right before the start.
        kwargs["marker"] = False if marker == "clear" else None
        if marker not in ("clear", None):
            kwargs["reg_dword"] = [(MARKER_KEY, MARKER_VALUE, marker)]
        before = set(case.logs())
        started = case.spawn(launcher, args=args, env=set_env, unset_env=unset, cmdline=cmdline, **kwargs)
        return RoadRun(started, before, transcript, launcher, case)

    # -- assertions --

    def assertLaunched(self, road):
        """Exit code 0, no box, nothing on standard output or error, main called
        and the JVM destroyed last (the log's last lines, when it was read)."""
        self.assertEqual((road.result.exit_code, road.result.boxes, road.result.stdout, road.result.stderr),
                         (0, [], "", ""), road.describe())
        self.assertIsNotNone(road.main_args, road.describe())
        self.assertEqual(road.jvm()[-1], "jvm DestroyJavaVM", road.describe())
        if road.log:
            self.assertEqual(road.log[-3:], ["dest JVM", "launch done", ""], road.describe())

    def assertQuestionClosed(self, road, boxes_before=0):
        """Exit code 1 after the runtime question, which the runner closed (the
        cancel clears the installation marker); boxes_before came first."""
        result = road.result
        self.assertEqual(result.exit_code, 1, road.describe())
        self.assertEqual(len(result.boxes), boxes_before + 1, road.describe())
        question = result.boxes[-1]
        self.assertEqual((question.caption, question.text, question.button_ids), (TITLE, NO_RUNTIME_QUESTION,
                                                                                  [1004, 1005, 2]), road.describe())
        self.assertEqual(self.marker_value(), 0)

    def assertInOrder(self, lines, expected, road=None):
        """expected are lines that occur in lines in this order (others between)."""
        at = 0
        for item in expected:
            try:
                at = lines.index(item, at) + 1
            except ValueError:
                self.fail("%r not found in order\n%s" % (item, road.describe() if road else "\n".join(lines)))

    def assertRoadFatal(self, road, message, boxes=0):
        """Program type 0: exit code 1 and standard error ending in the message
        with the log's path; the log is left. Returns the text before it.
        boxes: how many message boxes came before (the start-up question)."""
        result = road.result
        self.assertEqual(result.exit_code, 1, road.describe())
        self.assertEqual(len(result.boxes), boxes, road.describe())
        marker = message + "\n\nLog: "
        at = result.stderr.rfind(marker)
        self.assertGreaterEqual(at, 0, road.describe())
        log_path = result.stderr[at + len(marker):]
        self.assertTrue(log_path.endswith("\n") and "\n" not in log_path[:-1], road.describe())
        self.assertLogFileAt(log_path[:-1], None, road.case)
        return result.stderr[:at]
