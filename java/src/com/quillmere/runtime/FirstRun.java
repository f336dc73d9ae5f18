package com.quillmere.runtime;

import com.kvell.runtime.LaunchException;
import com.kvell.runtime.StaticMethods;

import java.io.IOException;
import java.lang.reflect.Method;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * First-run hook of installed programs. The installer-flavour launcher calls
 * {@link #firstRun()} before the program's main when the first-run marker
 * exists (see {@link FirstRunMarker} for its place and content); a false
 * answer or an exception ends the launch quietly.
 *
 * <p>When the marker names a hook class, that class's
 * {@code public static boolean firstRun()} decides and its exceptions come out
 * as themselves; otherwise the answer is true. The marker is deleted whenever
 * the answer is true, so that a successful hook runs once; after false or an
 * exception it stays and the hook runs again at the next start.
 */
public final class FirstRun {
    private FirstRun() {
    }

    public static boolean firstRun() throws Exception {
        Path marker;
        String hook;
        Method hookMethod = null;
        try {
            marker = FirstRunMarker.locate();
            if (marker == null || !Files.exists(marker)) {
                return true;
            }
            hook = FirstRunMarker.readHook(marker);
            if (hook != null) {
                Class<?> hookClass = StaticMethods.loadClass(hook, "first-run hook class");
                hookMethod = StaticMethods.find(hookClass, "firstRun", boolean.class);
            }
        } catch (LaunchException e) {
            System.err.println("kvell: " + e.getMessage());
            throw e;
        }
        boolean answer = hookMethod == null || (Boolean) StaticMethods.invoke(hookMethod);
        if (answer) {
            try {
                Files.deleteIfExists(marker);
            } catch (IOException e) {
                // The program may still start; the hook merely runs again next time.
                System.err.println("kvell: could not delete first-run marker " + marker + ": " + e);
            }
        }
        return answer;
    }
}
