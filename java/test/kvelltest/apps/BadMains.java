package kvelltest.apps;

/** Classes whose "main" is not an entry point. */
public final class BadMains {
    private BadMains() {
    }

    public static class NoMain {
        public static void run(String[] args) {
        }
    }

    public static class InstanceMain {
        public void main(String[] args) {
        }
    }

    public static class IntMain {
        public static int main(String[] args) {
            return 0;
        }
    }
}
