package kvelltest;

import com.kvell.runtime.LaunchException;
import com.quillmere.runtime.FirstRun;
import kvelltest.apps.Hooks;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/** FirstRun.firstRun with markers in temporary directories. */
public final class FirstRunTest {
    private static Path marker;

    /** A fresh marker path given through kvell.firstRunMarker; content null = no file. */
    private static Path useMarker(String content) throws Exception {
        Path dir = Files.createTempDirectory("kvell-firstrun");
        marker = dir.resolve("firstrun");
        if (content != null) {
            Files.write(marker, content.getBytes(StandardCharsets.UTF_8));
        }
        System.setProperty("kvell.firstRunMarker", marker.toString());
        System.clearProperty("kvell.moduleName");
        return marker;
    }

    private static void fails(String expected) {
        try (StdErrCapture err = new StdErrCapture()) {
            LaunchException e = Check.fails(LaunchException.class, FirstRun::firstRun);
            Check.contains(e.getMessage(), expected, "exception message");
            Check.contains(err.text(), "kvell: ", "stderr");
        }
        Check.isTrue(Files.exists(marker), "marker kept after an error");
    }

    public static void main(String[] ignored) throws Exception {
        Check c = new Check();

        c.test("no marker file: true, nothing called", () -> {
            useMarker(null);
            Hooks.Yes.calls = 0;
            Check.isTrue(FirstRun.firstRun(), "answer");
            Check.equal(0, Hooks.Yes.calls, "hook calls");
        });

        c.test("no marker property and no launcher path: true", () -> {
            System.clearProperty("kvell.firstRunMarker");
            System.clearProperty("kvell.moduleName");
            Check.isTrue(FirstRun.firstRun(), "answer");
        });

        c.test("marker without hook: true and deleted", () -> {
            useMarker("# written by the installer\n\n");
            Check.isTrue(FirstRun.firstRun(), "answer");
            Check.isTrue(!Files.exists(marker), "marker deleted");
        });

        c.test("hook answering true runs once", () -> {
            useMarker("\uFEFF\n  # setup\n hook = kvelltest.apps.Hooks$Yes \r\n");
            Hooks.Yes.calls = 0;
            Check.isTrue(FirstRun.firstRun(), "first answer");
            Check.isTrue(!Files.exists(marker), "marker deleted");
            Check.isTrue(FirstRun.firstRun(), "second answer");
            Check.equal(1, Hooks.Yes.calls, "hook calls");
        });

        c.test("hook answering false keeps the marker and runs again", () -> {
            useMarker("hook=kvelltest/apps/Hooks$No\n");
            Hooks.No.calls = 0;
            Check.isTrue(!FirstRun.firstRun(), "first answer");
            Check.isTrue(Files.exists(marker), "marker kept");
            Check.isTrue(!FirstRun.firstRun(), "second answer");
            Check.equal(2, Hooks.No.calls, "hook calls");
        });

        c.test("hook exception comes out as itself, marker kept", () -> {
            useMarker("hook=kvelltest.apps.Hooks$Throws\n");
            Hooks.Throws.HookFailure e = Check.fails(Hooks.Throws.HookFailure.class, FirstRun::firstRun);
            Check.equal("hook failure", e.getMessage(), "message");
            Check.isTrue(Files.exists(marker), "marker kept");
        });

        c.test("unusable hook classes give clear errors", () -> {
            useMarker("hook=com.example.NoSuchHook");
            fails("first-run hook class com.example.NoSuchHook not found on the class path");
            useMarker("hook=kvelltest.apps.Hooks$NoMethod");
            fails("kvelltest.apps.Hooks$NoMethod has no method public static boolean firstRun()");
            useMarker("hook=kvelltest.apps.Hooks$NotStatic");
            fails("kvelltest.apps.Hooks$NotStatic.firstRun is not static");
            useMarker("hook=kvelltest.apps.Hooks$WrongType");
            fails("kvelltest.apps.Hooks$WrongType.firstRun returns java.lang.Boolean");
        });

        c.test("malformed markers name the line", () -> {
            useMarker("\nhok=kvelltest.apps.Hooks$Yes\n");
            fails("line 2: expected one line hook=<class name>, found \"hok=kvelltest.apps.Hooks$Yes\"");
            useMarker("hook=\n");
            fails("line 1: expected one line hook=<class name>");
            useMarker("hook=kvelltest.apps.Hooks$Yes\nhook=kvelltest.apps.Hooks$No\n");
            fails("line 2: expected one line hook=<class name>");
            Path m = useMarker(null);
            Files.write(m, new byte[] {'h', 'o', 'o', 'k', '=', (byte) 0xC3, (byte) 0x28});
            fails("cannot read first-run marker");
        });

        c.test("marker found beside the launcher through kvell.moduleName", () -> {
            Path dir = Files.createTempDirectory("kvell-launcher");
            Path found = dir.resolve(".quillmere").resolve("firstrun");
            Files.createDirectories(found.getParent());
            Files.write(found, "hook=kvelltest.apps.Hooks$Yes\n".getBytes(StandardCharsets.UTF_8));
            System.clearProperty("kvell.firstRunMarker");
            System.setProperty("kvell.moduleName", dir.resolve("setup.exe").toString());
            Hooks.Yes.calls = 0;
            Check.isTrue(FirstRun.firstRun(), "answer");
            Check.equal(1, Hooks.Yes.calls, "hook calls");
            Check.isTrue(!Files.exists(found), "marker deleted");
        });

        c.finish();
    }
}
