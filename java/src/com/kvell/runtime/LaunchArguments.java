package com.kvell.runtime;

import java.util.Arrays;

/**
 * The string array that the native launcher passes to {@link WinLauncher#main}.
 *
 * <pre>
 * [0] "true" for a windowed program, else "false"
 * [1] the application's main class (dots or slashes)
 * [2] file that receives System.out, or empty
 * [3] file that receives System.err, or empty
 * [4] "true": append to those files instead of replacing them
 * [5] the program path as written on the command line
 * [6..] the program's arguments
 * </pre>
 */
public final class LaunchArguments {
    /** Positions of the settings before the program's arguments. */
    static final int WINDOWED = 0;
    static final int MAIN_CLASS = 1;
    static final int OUT_FILE = 2;
    static final int ERR_FILE = 3;
    static final int APPEND = 4;
    static final int PROGRAM_PATH = 5;
    static final int FIRST_PROGRAM_ARGUMENT = 6;

    private final boolean windowed;
    private final String mainClass;
    private final String outFile;
    private final String errFile;
    private final boolean append;
    private final String programPath;
    private final String[] programArguments;

    private LaunchArguments(String[] a) throws LaunchException {
        windowed = flag(a, WINDOWED, "windowed");
        mainClass = a[MAIN_CLASS].trim().replace('/', '.');
        if (mainClass.isEmpty()) {
            throw new LaunchException("no main class configured");
        }
        outFile = a[OUT_FILE];
        errFile = a[ERR_FILE];
        append = flag(a, APPEND, "append");
        programPath = a[PROGRAM_PATH];
        programArguments = Arrays.copyOfRange(a, FIRST_PROGRAM_ARGUMENT, a.length);
    }

    /** Checks the array's fixed part; the program's arguments are taken as they are. */
    public static LaunchArguments parse(String[] args) throws LaunchException {
        if (args == null) {
            throw new LaunchException("the launcher passed no argument array");
        }
        if (args.length < FIRST_PROGRAM_ARGUMENT) {
            throw new LaunchException("the launcher passed " + args.length
                    + " arguments; at least " + FIRST_PROGRAM_ARGUMENT + " are expected");
        }
        for (int i = 0; i < FIRST_PROGRAM_ARGUMENT; i++) {
            if (args[i] == null) {
                throw new LaunchException("launcher argument " + i + " is null");
            }
        }
        return new LaunchArguments(args);
    }

    private static boolean flag(String[] a, int index, String what) throws LaunchException {
        String value = a[index];
        if (value.equals("true")) {
            return true;
        }
        if (value.equals("false")) {
            return false;
        }
        throw new LaunchException("launcher argument " + index + " (" + what
                + ") must be \"true\" or \"false\", not \"" + value + "\"");
    }

    public boolean windowed() {
        return windowed;
    }

    /** The binary class name, with dots. */
    public String mainClass() {
        return mainClass;
    }

    public String outFile() {
        return outFile;
    }

    public String errFile() {
        return errFile;
    }

    public boolean append() {
        return append;
    }

    public String programPath() {
        return programPath;
    }

    public String[] programArguments() {
        return programArguments.clone();
    }
}
