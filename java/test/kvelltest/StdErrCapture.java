package kvelltest;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;

/** Captures what a case prints on System.err, and restores both standard streams. */
public final class StdErrCapture implements AutoCloseable {
    private final PrintStream savedOut = System.out;
    private final PrintStream savedErr = System.err;
    private final ByteArrayOutputStream bytes = new ByteArrayOutputStream();

    public StdErrCapture() {
        try {
            System.setErr(new PrintStream(bytes, true, "UTF-8"));
        } catch (java.io.UnsupportedEncodingException e) {
            throw new IllegalStateException(e);
        }
    }

    public String text() {
        return new String(bytes.toByteArray(), StandardCharsets.UTF_8);
    }

    @Override
    public void close() {
        System.setOut(savedOut);
        System.setErr(savedErr);
    }
}
