package kvelltest.apps;

/** Its static initialiser fails, as the application's own fault. */
public class BrokenInitApp {
    static final int VALUE = Integer.parseInt("not a number");

    public static void main(String[] args) {
        System.out.println(VALUE);
    }
}
