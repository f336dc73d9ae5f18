package kvelltest;

import java.io.DataInputStream;
import java.io.InputStream;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Enumeration;
import java.util.jar.JarEntry;
import java.util.jar.JarFile;

/**
 * What the native launcher relies on in the runtime jar: the two entry points
 * with their JNI signatures, and class files that a Java 8 runtime can load.
 * Argument: the jar's path.
 */
public final class JarContractTest {
    private static final int JAVA_8_MAJOR = 52;

    private static void entryPoint(String className, String method, Class<?> returns,
            Class<?>... parameters) throws Exception {
        Class<?> c = Class.forName(className);
        Method m = c.getMethod(method, parameters);
        Check.isTrue(Modifier.isPublic(c.getModifiers()), className + " is public");
        Check.isTrue(Modifier.isStatic(m.getModifiers()), className + "." + method + " is static");
        Check.equal(returns, m.getReturnType(), className + "." + method + " return type");
    }

    public static void main(String[] args) throws Exception {
        Check c = new Check();
        String jarPath = args[0];

        c.test("entry points have the signatures the launcher calls", () -> {
            entryPoint("com.kvell.runtime.WinLauncher", "main", void.class, String[].class);
            entryPoint("com.quillmere.runtime.FirstRun", "firstRun", boolean.class);
        });

        c.test("every class file targets Java 8", () -> {
            int classes = 0;
            try (JarFile jar = new JarFile(jarPath)) {
                for (Enumeration<JarEntry> e = jar.entries(); e.hasMoreElements();) {
                    JarEntry entry = e.nextElement();
                    if (!entry.getName().endsWith(".class")) {
                        continue;
                    }
                    classes++;
                    try (InputStream in = jar.getInputStream(entry)) {
                        DataInputStream data = new DataInputStream(in);
                        Check.equal(0xCAFEBABE, data.readInt(), entry.getName() + " magic");
                        data.readUnsignedShort();
                        Check.equal(JAVA_8_MAJOR, data.readUnsignedShort(), entry.getName() + " major version");
                    }
                }
                Check.isTrue(jar.getEntry("com/kvell/runtime/WinLauncher.class") != null, "WinLauncher in jar");
                Check.isTrue(jar.getEntry("com/quillmere/runtime/FirstRun.class") != null, "FirstRun in jar");
            }
            Check.isTrue(classes >= 2, "jar holds classes");
        });

        c.finish();
    }
}
