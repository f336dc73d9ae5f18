package com.kvell.testapp;

/** A first-run hook that refuses the start. */
public final class DenyFirstRun {
    private DenyFirstRun() {
    }

    public static boolean firstRun() {
        EchoApp.record("hook called");
        return false;
    }
}
