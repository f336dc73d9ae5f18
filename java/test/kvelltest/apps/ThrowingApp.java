package kvelltest.apps;

/** Fails in main: "error" throws an Error, anything else a checked exception. */
public class ThrowingApp {
    public static class AppFailure extends Exception {
        private static final long serialVersionUID = 1L;

        public AppFailure(String message) {
            super(message);
        }
    }

    public static class AppError extends Error {
        private static final long serialVersionUID = 1L;

        public AppError(String message) {
            super(message);
        }
    }

    public static void main(String[] args) throws AppFailure {
        if (args.length > 0 && args[0].equals("error")) {
            throw new AppError("app error");
        }
        throw new AppFailure("app failure");
    }
}
