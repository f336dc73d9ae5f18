// Process-wide values set at start-up, read-only once the work begins.
#pragma once

extern bool quiet;            // no progress dialog, no questions
extern bool languageRestart;  // started with "__qmr_lang_restart"
extern bool manualJre;        // the runtime is chosen by hand
extern char flavourLetter;    // first character of entry 2001
extern void* appInstance;     // module instance handle
