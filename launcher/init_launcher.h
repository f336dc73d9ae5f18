#pragma once

// Start-up: reads the Payload, keeps the instance handle and the flavour, and
// makes the configured working directory current (not on a language restart).
void initLauncher(void* instance);
