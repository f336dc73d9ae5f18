package kvelltest;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/** Minimal test support: named cases, assertions, a summary and the exit code. */
public final class Check {
    /** A test case body. */
    public interface Body {
        void run() throws Throwable;
    }

    private final List<String> failures = new ArrayList<>();
    private int count;

    public void test(String name, Body body) {
        count++;
        try {
            body.run();
            System.out.println("ok   " + name);
        } catch (Throwable t) {
            failures.add(name);
            System.out.println("FAIL " + name + ": " + t);
            t.printStackTrace(System.out);
        }
    }

    /** Prints the summary and ends the JVM with 1 when a case failed. */
    public void finish() {
        System.out.println(count + " cases, " + failures.size() + " failed " + failures);
        System.exit(failures.isEmpty() ? 0 : 1);
    }

    public static void equal(Object expected, Object actual, String what) {
        boolean same = expected instanceof Object[] && actual instanceof Object[]
                ? Arrays.equals((Object[]) expected, (Object[]) actual)
                : expected == null ? actual == null : expected.equals(actual);
        if (!same) {
            throw new AssertionError(what + ": expected " + show(expected) + " but got " + show(actual));
        }
    }

    public static void isTrue(boolean condition, String what) {
        if (!condition) {
            throw new AssertionError(what);
        }
    }

    public static void contains(String haystack, String needle, String what) {
        if (haystack == null || !haystack.contains(needle)) {
            throw new AssertionError(what + ": \"" + needle + "\" not in \"" + haystack + "\"");
        }
    }

    /** Runs body and returns what it threw, which must be of the given type. */
    public static <T extends Throwable> T fails(Class<T> type, Body body) {
        try {
            body.run();
        } catch (Throwable t) {
            if (type.isInstance(t)) {
                return type.cast(t);
            }
            throw new AssertionError("expected " + type.getName() + " but got " + t, t);
        }
        throw new AssertionError("expected " + type.getName() + " but nothing was thrown");
    }

    private static String show(Object o) {
        return o instanceof Object[] ? Arrays.toString((Object[]) o) : String.valueOf(o);
    }
}
