package com.quillmere.runtime;

import com.kvell.runtime.LaunchException;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;

/**
 * The first-run marker file: where it is and which hook class it names.
 *
 * <p>Location: the system property {@code kvell.firstRunMarker} when set,
 * otherwise ".quillmere/firstrun" in the directory of the launcher
 * ({@code kvell.moduleName}). A program whose launcher keeps the ".quillmere"
 * folder elsewhere passes the marker's path as a VM option.
 *
 * <p>Content, UTF-8: blank lines and lines starting with "#" are ignored; the
 * one other line allowed is {@code hook=<class name>}. An empty marker names
 * no hook.
 */
final class FirstRunMarker {
    static final String MARKER_PROPERTY = "kvell.firstRunMarker";
    static final String MODULE_PROPERTY = "kvell.moduleName";

    private FirstRunMarker() {
    }

    /** The marker's path, or null when neither property is set. */
    static Path locate() throws LaunchException {
        String explicit = System.getProperty(MARKER_PROPERTY, "");
        String module = System.getProperty(MODULE_PROPERTY, "");
        try {
            if (!explicit.isEmpty()) {
                return Paths.get(explicit);
            }
            if (module.isEmpty()) {
                return null;
            }
            Path dir = Paths.get(module).toAbsolutePath().getParent();
            return dir.resolve(".quillmere").resolve("firstrun");
        } catch (InvalidPathException e) {
            throw new LaunchException("first-run marker: bad path: " + e.getMessage(), e);
        }
    }

    /** The hook class named by the marker, or null when it names none. */
    static String readHook(Path marker) throws LaunchException {
        List<String> lines;
        try {
            lines = Files.readAllLines(marker, StandardCharsets.UTF_8);
        } catch (IOException e) {
            throw new LaunchException("cannot read first-run marker " + marker + ": " + e, e);
        }
        String hook = null;
        for (int i = 0; i < lines.size(); i++) {
            String line = lines.get(i).trim();
            if (i == 0 && line.startsWith("\uFEFF")) {
                line = line.substring(1).trim();
            }
            if (line.isEmpty() || line.startsWith("#")) {
                continue;
            }
            int eq = line.indexOf('=');
            String key = eq < 0 ? line : line.substring(0, eq).trim();
            String value = eq < 0 ? "" : line.substring(eq + 1).trim();
            if (!key.equals("hook") || value.isEmpty() || hook != null) {
                throw new LaunchException("first-run marker " + marker + " line " + (i + 1)
                        + ": expected one line hook=<class name>, found \"" + line + "\"");
            }
            hook = value.replace('/', '.');
        }
        return hook;
    }
}
