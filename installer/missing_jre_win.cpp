// No Java runtime was found: the question dialog (template 104), then a
// download or the user's own choice of a java.exe.
#include <windows.h>

#include <cstdlib>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/text_buffer.h"
#include "installer/dialog_ids.h"
#include "installer/dialogs.h"
#include "installer/download.h"
#include "installer/install_marker.h"
#include "installer/question_text.h"
#include "installer/window_text.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
struct Question {
    LaunchState* state;
    bool downloadOffered;
};

WideString wideEntry(int id)
{
    WideChar text[kTextBufferSize];
    getWideString(id, text);
    return text;
}

WideString questionText(bool downloadOffered)
{
    char minimum[kTextBufferSize];
    char maximum[kTextBufferSize];
    getString(cfg::kMinVersion, minimum, sizeof minimum);
    getString(cfg::kMaxVersion, maximum, sizeof maximum);
    return buildQuestionText(wideEntry(downloadOffered ? cfg::kWQuestionWithDownload : cfg::kWQuestionWithoutDownload),
                             minimum, maximum, wideEntry(cfg::kWMinVersionLabel), wideEntry(cfg::kWMaxVersionLabel));
}

void initQuestion(HWND dialog, const Question& question)
{
    centerWindow(dialog);
    setWindowTextWide(dialog, wideEntry(cfg::kWAppTitle).c_str());
    setDlgItemTextFromEntry(dialog, IDCANCEL, cfg::kWCancelButton);
    setDlgItemTextFromEntry(dialog, KVELL_BROWSE_BUTTON, cfg::kWBrowseButton);
    setDlgItemTextFromEntry(dialog, KVELL_DOWNLOAD_BUTTON, cfg::kWDownloadButton);
    if (!question.downloadOffered) {
        // Hidden and disabled: Enter must not start a download of nothing.
        HWND download = GetDlgItem(dialog, KVELL_DOWNLOAD_BUTTON);
        ShowWindow(download, SW_HIDE);
        EnableWindow(download, FALSE);
        SendMessageW(dialog, DM_SETDEFID, KVELL_BROWSE_BUTTON, 0);
    }
    setDlgItemTextWide(dialog, KVELL_MESSAGE_TEXT, questionText(question.downloadOffered).c_str());
}

INT_PTR CALLBACK questionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        initQuestion(dialog, *reinterpret_cast<Question*>(lParam));
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    auto* question = reinterpret_cast<Question*>(GetWindowLongPtrW(dialog, DWLP_USER));
    int id = LOWORD(wParam);
    if (id == KVELL_BROWSE_BUTTON) {
        if (chooseJavaExe(*question->state, dialog))
            EndDialog(dialog, KVELL_BROWSE_BUTTON);
        return FALSE;  // a refused choice leaves the question open
    }
    if (id == IDCANCEL) {
        logInfo("Canceled installer");
        writeInstallStarted(false);
        exitNow(1);
    }
    EndDialog(dialog, id);
    return TRUE;
}
} // namespace

int handleMissingJre(LaunchState& state, void* dialog)
{
    char url[kTextBufferSize];
    getString(cfg::kJreDownloadUrl, url, sizeof url);
    Question question{&state, url[0] != '\0'};
    logInfo("Download location: %s", url);
    bool download = getInt(cfg::kDownloadWithoutAsking) != 0;
    if (!download) {
        INT_PTR answer = DialogBoxParamW(static_cast<HINSTANCE>(state.appInstance),
                                         MAKEINTRESOURCEW(KVELL_QUESTION_DIALOG), static_cast<HWND>(dialog),
                                         questionDialogProc, reinterpret_cast<LPARAM>(&question));
        if (answer == KVELL_BROWSE_BUTTON)
            return 0;
        if (answer == -1) {
            logError("Could not show the question dialog (error %lu)", GetLastError());
            fatalErrorById(cfg::kMsgNoJreFound, "64");
        }
        // Only an offered download goes on; anything else leaves no runtime to start.
        download = answer == KVELL_DOWNLOAD_BUTTON && question.downloadOffered;
        if (!download) {
            logError("No JRE found");
            writeInstallStarted(false);
            exitNow(1);
        }
    }
    logInfo("Downloading JRE");
    downloadJre(state, dialog, url);
    logInfo("Done");
    state.jreIncluded = true;
    return 0;
}
