package com.kvell.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;

/**
 * Looks up and calls the public static entry points of application classes.
 * Shared by the launcher class and the first-run hook; not an application API.
 */
public final class StaticMethods {
    private StaticMethods() {
    }

    /** Loads a class through the system class loader, which sees the launcher's class path. */
    public static Class<?> loadClass(String name, String role) throws LaunchException {
        try {
            return Class.forName(name, false, ClassLoader.getSystemClassLoader());
        } catch (ClassNotFoundException e) {
            throw new LaunchException(role + " " + name + " not found on the class path "
                    + System.getProperty("java.class.path", ""), e);
        } catch (LinkageError e) {
            // For instance a class file whose name differs in letter case only.
            throw new LaunchException(role + " " + name + " cannot be loaded: " + e, e);
        }
    }

    /**
     * Finds {@code public static <returnType> name(parameters)} declared or
     * inherited by {@code owner}.
     */
    public static Method find(Class<?> owner, String name, Class<?> returnType,
            Class<?>... parameters) throws LaunchException {
        String wanted = "public static " + returnType.getSimpleName() + " " + name
                + describe(parameters);
        Method m;
        try {
            m = owner.getMethod(name, parameters);
        } catch (NoSuchMethodException e) {
            throw new LaunchException(owner.getName() + " has no method " + wanted);
        } catch (LinkageError e) {
            throw new LaunchException(owner.getName() + " cannot be linked: " + e, e);
        }
        if (!Modifier.isStatic(m.getModifiers())) {
            throw new LaunchException(owner.getName() + "." + name + " is not static; expected "
                    + wanted);
        }
        if (m.getReturnType() != returnType) {
            throw new LaunchException(owner.getName() + "." + name + " returns "
                    + m.getReturnType().getName() + "; expected " + wanted);
        }
        try {
            // A public method of a non-public class is still an entry point, as for "java".
            m.setAccessible(true);
        } catch (RuntimeException e) {
            // Classes in named modules may refuse; invoke then reports the access problem.
        }
        return m;
    }

    /** Calls a static method; what the method throws comes out unwrapped. */
    public static Object invoke(Method m, Object... arguments) throws Exception {
        try {
            return m.invoke(null, arguments);
        } catch (InvocationTargetException e) {
            Throwable cause = e.getCause();
            if (cause instanceof Exception) {
                throw (Exception) cause;
            }
            if (cause instanceof Error) {
                throw (Error) cause;
            }
            throw e;
        }
    }

    private static String describe(Class<?>[] parameters) {
        StringBuilder sb = new StringBuilder("(");
        for (int i = 0; i < parameters.length; i++) {
            sb.append(i == 0 ? "" : ", ").append(parameters[i].getSimpleName());
        }
        return sb.append(')').toString();
    }
}
