package kvelltest.apps;

/** First-run hook classes for the tests. */
public final class Hooks {
    private Hooks() {
    }

    public static class Yes {
        public static int calls;

        public static boolean firstRun() {
            calls++;
            return true;
        }
    }

    public static class No {
        public static int calls;

        public static boolean firstRun() {
            calls++;
            return false;
        }
    }

    public static class Throws {
        public static class HookFailure extends Exception {
            private static final long serialVersionUID = 1L;

            public HookFailure(String message) {
                super(message);
            }
        }

        public static boolean firstRun() throws HookFailure {
            throw new HookFailure("hook failure");
        }
    }

    public static class NotStatic {
        public boolean firstRun() {
            return true;
        }
    }

    public static class WrongType {
        public static Boolean firstRun() {
            return Boolean.TRUE;
        }
    }

    public static class NoMethod {
    }
}
