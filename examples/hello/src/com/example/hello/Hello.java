package com.example.hello;

/** Sample program: prints a greeting and then each argument on its own line. */
public class Hello {
    public static void main(String[] args) {
        System.out.println("Hello");
        for (int i = 0; i < args.length; i++) {
            System.out.println("arg " + i + ": " + args[i]);
        }
    }
}
