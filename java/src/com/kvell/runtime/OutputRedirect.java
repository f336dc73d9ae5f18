package com.kvell.runtime;

import java.io.FileNotFoundException;
import java.io.FileOutputStream;
import java.io.PrintStream;

/**
 * Sends System.out and System.err to the files the launcher names, so that a
 * windowed program, which has no console, still leaves its output somewhere.
 */
final class OutputRedirect {
    private OutputRedirect() {
    }

    static void apply(LaunchArguments a) throws LaunchException {
        if (!a.outFile().isEmpty()) {
            System.setOut(open(a.outFile(), a.append(), "System.out"));
        }
        if (!a.errFile().isEmpty()) {
            if (a.errFile().equals(a.outFile())) {
                // One stream, so that the two do not overwrite each other's bytes.
                System.setErr(System.out);
            } else {
                System.setErr(open(a.errFile(), a.append(), "System.err"));
            }
        }
    }

    private static PrintStream open(String path, boolean append, String what)
            throws LaunchException {
        try {
            return new PrintStream(new FileOutputStream(path, append), true);
        } catch (FileNotFoundException | SecurityException e) {
            throw new LaunchException("cannot open " + path + " for " + what + ": "
                    + e.getMessage(), e);
        }
    }
}
