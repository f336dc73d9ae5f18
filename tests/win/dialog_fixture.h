// Numbers shared by dialog_fixture.rc and dialog_fixture.cpp. The controls carry
// the numbers of the launcher's question dialog, so that the scenario tests
// drive the fixture exactly as they drive the launcher.
#pragma once

#define FIXTURE_DIALOG 100

#define FIXTURE_PROGRESS 1001
#define FIXTURE_STATUS 1002   // hidden
#define FIXTURE_MESSAGE 1003
#define FIXTURE_DEFAULT 1004  // the default push button
#define FIXTURE_BROWSE 1005   // opens the file-open dialog
