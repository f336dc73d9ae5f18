package kvelltest;

import com.kvell.runtime.LaunchException;
import com.kvell.runtime.WinLauncher;
import kvelltest.apps.HiddenAppProbe;
import kvelltest.apps.RecordingApp;
import kvelltest.apps.ThrowingApp;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;

/** WinLauncher.main as the native launcher calls it. */
public final class WinLauncherTest {
    private static final String RECORDING = "kvelltest.apps.RecordingApp";

    /** The launcher's array: the six settings, then the program's arguments. */
    private static String[] launchFull(String windowed, String mainClass, String out, String err,
            String append, String... programArgs) {
        String[] fixed = {windowed, mainClass, out, err, append, "C:\\Programme\\Säge\\app.exe"};
        String[] all = Arrays.copyOf(fixed, fixed.length + programArgs.length);
        System.arraycopy(programArgs, 0, all, fixed.length, programArgs.length);
        return all;
    }

    private static String[] launch(String mainClass, String... programArgs) {
        return launchFull("false", mainClass, "", "", "false", programArgs);
    }

    /** Runs main expecting a LaunchException; checks the message and the stderr line. */
    private static void launchFails(String[] args, String expected) {
        try (StdErrCapture err = new StdErrCapture()) {
            LaunchException e = Check.fails(LaunchException.class, () -> WinLauncher.main(args));
            Check.contains(e.getMessage(), expected, "exception message");
            Check.contains(err.text(), "kvell: " + expected, "stderr");
        }
    }

    public static void main(String[] ignored) throws Exception {
        Check c = new Check();

        c.test("program arguments arrive unchanged, non-ASCII and empty ones included", () -> {
            String[] program = {"-q", "", "Grüße", "日本語 mit Leerzeichen", "emoji \uD83D\uDE00", "-J-Xmx1g"};
            WinLauncher.main(launchFull("true", RECORDING, "", "", "false", program));
            Check.equal(program, RecordingApp.received, "arguments");
            Check.equal("C:\\Programme\\Säge\\app.exe", RecordingApp.programPath, "kvell.programPath");
            Check.equal("true", RecordingApp.windowed, "kvell.windowed");
        });

        c.test("six settings and no program arguments give an empty array", () -> {
            WinLauncher.main(launch(RECORDING));
            Check.equal(0, RecordingApp.received.length, "argument count");
            Check.equal("false", RecordingApp.windowed, "kvell.windowed");
        });

        c.test("main class with slashes and surrounding blanks", () -> {
            RecordingApp.received = null;
            WinLauncher.main(launch(" kvelltest/apps/RecordingApp ", "x"));
            Check.equal(new String[] {"x"}, RecordingApp.received, "arguments");
        });

        c.test("a public main of a non-public class is called", () -> {
            WinLauncher.main(launch("kvelltest.apps.HiddenApp"));
            Check.isTrue(HiddenAppProbe.ran(), "HiddenApp.main ran");
        });

        c.test("malformed launcher arrays are refused", () -> {
            launchFails(new String[] {"false", RECORDING, "", "", "false"},
                    "the launcher passed 5 arguments; at least 6 are expected");
            launchFails(new String[0], "the launcher passed 0 arguments");
            launchFails(null, "the launcher passed no argument array");
            launchFails(new String[] {"false", RECORDING, null, "", "false", "p"},
                    "launcher argument 2 is null");
            launchFails(launchFull("yes", RECORDING, "", "", "false"),
                    "launcher argument 0 (windowed) must be \"true\" or \"false\", not \"yes\"");
            launchFails(launchFull("false", RECORDING, "", "", "1"),
                    "launcher argument 4 (append) must be");
        });

        c.test("empty main class", () -> {
            launchFails(launch(""), "no main class configured");
            launchFails(launch("   "), "no main class configured");
        });

        c.test("main class missing from the class path", () -> {
            launchFails(launch("com.example.Missing"),
                    "main class com.example.Missing not found on the class path");
        });

        c.test("classes without a usable main", () -> {
            launchFails(launch("kvelltest.apps.BadMains$NoMain"),
                    "kvelltest.apps.BadMains$NoMain has no method public static void main(String[])");
            launchFails(launch("kvelltest.apps.BadMains$InstanceMain"),
                    "kvelltest.apps.BadMains$InstanceMain.main is not static");
            launchFails(launch("kvelltest.apps.BadMains$IntMain"),
                    "kvelltest.apps.BadMains$IntMain.main returns int");
        });

        c.test("the application's exceptions come out as themselves", () -> {
            ThrowingApp.AppFailure f = Check.fails(ThrowingApp.AppFailure.class,
                    () -> WinLauncher.main(launch("kvelltest.apps.ThrowingApp")));
            Check.equal("app failure", f.getMessage(), "checked exception");
            ThrowingApp.AppError e = Check.fails(ThrowingApp.AppError.class,
                    () -> WinLauncher.main(launch("kvelltest.apps.ThrowingApp", "error")));
            Check.equal("app error", e.getMessage(), "error");
            ExceptionInInitializerError init = Check.fails(ExceptionInInitializerError.class,
                    () -> WinLauncher.main(launch("kvelltest.apps.BrokenInitApp")));
            Check.isTrue(init.getCause() instanceof NumberFormatException, "initialiser's cause");
        });

        c.test("output files: replaced, appended, shared", () -> {
            Path dir = Files.createTempDirectory("kvell-out");
            Path out = dir.resolve("out ü.txt");
            Path err = dir.resolve("err.txt");
            Files.write(out, "old\n".getBytes(StandardCharsets.UTF_8));
            try (StdErrCapture saved = new StdErrCapture()) {
                WinLauncher.main(launchFull("false", RECORDING, out.toString(), err.toString(), "false", "a"));
                WinLauncher.main(launchFull("false", RECORDING, out.toString(), err.toString(), "true", "b", "c"));
                Check.equal("", saved.text(), "stderr left alone");
            }
            Check.equal("out: a\nout: b c\n", read(out).replace("\r\n", "\n"), "out file");
            Check.equal("err: 1\nerr: 2\n", read(err).replace("\r\n", "\n"), "err file");

            Path both = dir.resolve("both.txt");
            try (StdErrCapture saved = new StdErrCapture()) {
                WinLauncher.main(launchFull("false", RECORDING, both.toString(), both.toString(), "false", "z"));
                Check.equal("", saved.text(), "stderr left alone");
            }
            Check.equal("out: z\nerr: 1\n", read(both).replace("\r\n", "\n"), "shared file");
        });

        c.test("an output file that cannot be opened", () -> {
            Path dir = Files.createTempDirectory("kvell-out");
            try (StdErrCapture saved = new StdErrCapture()) {
                LaunchException e = Check.fails(LaunchException.class, () -> WinLauncher.main(
                        launchFull("false", RECORDING, dir.toString(), "", "false")));
                Check.contains(e.getMessage(), "cannot open " + dir + " for System.out", "message");
                Check.contains(saved.text(), "kvell: cannot open", "stderr");
            }
        });

        c.finish();
    }

    private static String read(Path p) throws java.io.IOException {
        return new String(Files.readAllBytes(p), StandardCharsets.UTF_8);
    }
}
