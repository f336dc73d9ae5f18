// Small window helpers of the dialogs: wide texts and centring.
#pragma once
#include "fs/wide.h"

void setWindowTextWide(void* window, const WideChar* text);
void setDlgItemTextWide(void* dialog, int control, const WideChar* text);
// Sets a control's text from a wide-string configuration entry.
void setDlgItemTextFromEntry(void* dialog, int control, int entry);
// Centres the window on its parent, or on the desktop when it has none.
void centerWindow(void* window);
// Shows or hides a control of the dialog.
void showDialogItem(void* dialog, int control, bool show);
