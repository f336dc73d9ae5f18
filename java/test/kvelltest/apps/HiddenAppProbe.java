package kvelltest.apps;

/** Lets the tests see HiddenApp's state from another package. */
public final class HiddenAppProbe {
    private HiddenAppProbe() {
    }

    public static boolean ran() {
        return HiddenApp.ran();
    }
}
