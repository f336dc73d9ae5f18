package kvelltest.apps;

/** Remembers what it was started with, and prints one line on each stream. */
public class RecordingApp {
    public static String[] received;
    public static String programPath;
    public static String windowed;

    public static void main(String[] args) {
        received = args;
        programPath = System.getProperty("kvell.programPath");
        windowed = System.getProperty("kvell.windowed");
        System.out.println("out: " + String.join(" ", args));
        System.err.println("err: " + args.length);
    }
}
