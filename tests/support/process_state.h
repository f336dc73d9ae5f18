// One reset of everything a host test can leave behind in the process: the
// log, the launcher's path caches, the configuration, the error routing, the
// in-memory registry and the bound of version runs.
#pragma once

void resetProcessStateForTests();
