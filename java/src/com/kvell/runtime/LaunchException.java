package com.kvell.runtime;

/**
 * A launch that cannot go on because of the launcher's settings or the
 * application's classes, as opposed to a failure of the application itself.
 * Thrown out of {@link WinLauncher#main} so that the native launcher sees a
 * pending exception and reports the failure.
 */
public class LaunchException extends Exception {
    private static final long serialVersionUID = 1L;

    public LaunchException(String message) {
        super(message);
    }

    public LaunchException(String message, Throwable cause) {
        super(message, cause);
    }
}
