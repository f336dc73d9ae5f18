// Resource and control numbers shared by the launcher's resource script and the
// dialog code. Plain #defines: the resource compiler reads this file too.
#pragma once

#define KVELL_ICON_ID 1001

#define KVELL_PROGRESS_DIALOG 103
#define KVELL_QUESTION_DIALOG 104

#define KVELL_PROGRESS_BAR 1001     // progress dialog: the bar
#define KVELL_STATUS_TEXT 1002      // progress dialog: download status line, hidden at first
#define KVELL_MESSAGE_TEXT 1003     // both dialogs: the message
#define KVELL_DOWNLOAD_BUTTON 1004  // question dialog: download a runtime
#define KVELL_BROWSE_BUTTON 1005    // question dialog: choose a java.exe

#define KVELL_DIALOG_CLASS "MyDialogClass"
