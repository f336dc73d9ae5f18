// The process's launch state: everything the start-up and the work sequence
// establish and later steps read. The entry owns the one instance; initLauncher
// fills it and every step is handed what it needs (const where it only reads).
// The ConfigStore (config_store.h) is the other process-wide store: filled once
// from the Payload and read-only afterwards.
//
// Threads. No locks: each value has one writer, and a reader on another thread
// starts only after the value is written.
// - main thread, before the work starts: the switches and start-up values, the
//   Payload position, the instance semaphore's name;
// - the work thread (the main thread itself in quiet mode): the extraction
//   results, the runtime (runtimeHome, createJavaVm), jreIncluded and the
//   progress range; the launch watcher, the unpack animation and the download
//   read them only after the work thread has written them and started them.
#pragma once
#include <cstdint>

#include <jni.h>

#include "fs/bounded_text.h"
#include "fs/platform.h"

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);

struct LaunchState {
    // ---- start-up (main thread), read-only once the work begins ----
    bool quiet = false;            // no progress dialog, no questions
    bool languageRestart = false;  // started with "__qmr_lang_restart"
    bool manualJre = false;        // the runtime is chosen by hand
    char flavourLetter = '\0';     // first character of entry 2001
    void* appInstance = nullptr;   // module instance handle
    // File position of the first included file (right after the last wide entry).
    int64_t includedFilesOffset = 0;
    // Name of the single-instance semaphore; empty unless single-instance mode made it.
    BoundedText instanceSemaphoreName;

    // ---- the work (work thread) ----
    // The directory the included files went to ("" when there were none); the
    // Java program's working directory.
    BoundedText extractionDir;
    // Position in the launcher's file right after the last extracted file (0: none).
    int64_t unextractedPosition = 0;
    // The directory the launcher was started in (after entry 146 took effect).
    BoundedText startDirectory;
    // The run's temporary file ("kvlXXXX.tmp" beside the extraction directory),
    // held open without delete sharing while the process lives: a later run
    // that can delete it knows that this run is over.
    FileHandle runFileLock;
    // Home of the runtime whose jvm.dll was (tried to be) loaded; empty before that.
    BoundedText runtimeHome;
    // JNI_CreateJavaVM of the loaded library; null until a load succeeds. The
    // library itself is never unloaded.
    CreateJavaVmFunction createJavaVm = nullptr;
    bool jreIncluded = false;
    int progressTotal = 0;
    int progressPosition = 0;
};
