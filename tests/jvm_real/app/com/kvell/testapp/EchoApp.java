package com.kvell.testapp;

import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.nio.charset.StandardCharsets;

/** An ordinary application: it records what it received in the file KVELL_TEST_OUT names. */
public final class EchoApp {
    private EchoApp() {
    }

    static void record(String line) {
        String out = System.getenv("KVELL_TEST_OUT");
        try (Writer w = new OutputStreamWriter(new FileOutputStream(out, true), StandardCharsets.UTF_8)) {
            w.write(line + "\n");
        } catch (IOException e) {
            throw new IllegalStateException(e);
        }
    }

    public static void main(String[] args) throws Exception {
        record("argc " + args.length);
        for (int i = 0; i < args.length; i++) {
            record("arg " + i + ": " + args[i]);
        }
        for (String name : new String[] {"kvell.moduleName", "kvell.tempDir", "kvell.unextractedPosition",
                "kvell.manualJre", "kvell.isQuillmere", "kvell.custom"}) {
            record("property " + name + "=" + System.getProperty(name));
        }
        if (args.length > 0 && args[0].equals("throw")) {
            throw new IllegalStateException("requested failure");
        }
        if (args.length > 0 && args[0].equals("thread")) {
            Thread worker = new Thread(() -> {
                try {
                    Thread.sleep(500);
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
                record("thread done");
            });
            worker.setDaemon(false);
            worker.start();
        }
        record("main done");
    }
}
