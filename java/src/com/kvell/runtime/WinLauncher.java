package com.kvell.runtime;

import java.lang.reflect.Method;

/**
 * Entry point that the native launcher calls through JNI once the JVM is up.
 *
 * <p>It reads the launcher's settings from the argument array (see
 * {@link LaunchArguments}), sends System.out and System.err to the configured
 * files, publishes the settings as system properties and calls
 * {@code public static void main(String[])} of the application's main class
 * with the program's arguments.
 *
 * <p>System properties set before the application starts:
 * <ul>
 * <li>{@code kvell.programPath}: the program path as written on the command line;</li>
 * <li>{@code kvell.windowed}: "true" for a windowed program, else "false".</li>
 * </ul>
 * The launcher itself sets {@code kvell.moduleName}, {@code kvell.tempDir} and
 * the other launcher properties as VM options.
 *
 * <p>A launch that cannot start (bad settings, class or method missing) prints
 * one line beginning with "kvell: " on System.err and throws a
 * {@link LaunchException}; whatever the application's main throws comes out
 * as itself. Either way the launcher sees a pending exception.
 */
public final class WinLauncher {
    public static final String PROGRAM_PATH_PROPERTY = "kvell.programPath";
    public static final String WINDOWED_PROPERTY = "kvell.windowed";

    private WinLauncher() {
    }

    public static void main(String[] args) throws Exception {
        LaunchArguments launch;
        Method appMain;
        try {
            launch = LaunchArguments.parse(args);
            OutputRedirect.apply(launch);
            Class<?> appClass = StaticMethods.loadClass(launch.mainClass(), "main class");
            appMain = StaticMethods.find(appClass, "main", void.class, String[].class);
        } catch (LaunchException e) {
            System.err.println("kvell: " + e.getMessage());
            throw e;
        }
        System.setProperty(PROGRAM_PATH_PROPERTY, launch.programPath());
        System.setProperty(WINDOWED_PROPERTY, Boolean.toString(launch.windowed()));
        StaticMethods.invoke(appMain, (Object) launch.programArguments());
    }
}
