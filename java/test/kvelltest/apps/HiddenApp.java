package kvelltest.apps;

/** Not public, yet its public static main is an entry point as for "java". */
class HiddenApp {
    static boolean ran;

    public static void main(String[] args) {
        ran = true;
    }

    public static boolean ran() {
        return ran;
    }
}
