/* Machine-dependent JNI types for 64-bit Windows (MinGW-w64), used together with
   the JDK's jni.h when cross-compiling. */
#ifndef KVELL_JNI_MD_H
#define KVELL_JNI_MD_H
#define _JAVASOFT_JNI_MD_H_
#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall
typedef long jint;
typedef long long jlong;
typedef signed char jbyte;
#endif
