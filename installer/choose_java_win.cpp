// The manual choice of a java.exe from the question dialog.
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "diag/log.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "installer/dialogs.h"
#include "jvm/load_dll.h"
#include "jvm/located_jvms.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
using GetOpenFileNameFn = BOOL(WINAPI*)(OPENFILENAMEA*);

// The chooser's library, loaded on first use: most starts never need it.
GetOpenFileNameFn openFileDialog()
{
    static LibraryHandle library = loadSystemLibrary("comdlg32.dll");
    return library ? reinterpret_cast<GetOpenFileNameFn>(librarySymbol(library, "GetOpenFileNameA")) : nullptr;
}
} // namespace

bool chooseJavaExe(LaunchState& state, void* owner)
{
    GetOpenFileNameFn getOpenFileName = openFileDialog();
    if (getOpenFileName == nullptr) {
        logError("Could not load the file chooser (error %lu)", GetLastError());
        return false;
    }
    WideChar wideTitle[kTextBufferSize];
    getWideString(cfg::kWChooserTitle, wideTitle);
    std::string title;
    if (!ansiFromWide(wideTitle, &title))
        title.clear();  // the system's own title then
    char file[kTextBufferSize] = "";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = static_cast<HWND>(owner);
    dialog.lpstrFilter = "Java EXE\0java.exe\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrTitle = title.c_str();
    // The work sequence relies on its working directory: the chooser must not move it.
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!getOpenFileName(&dialog))
        return false;
    logInfo("Chosen Java executable: %s", file);
    if (!LoadDLL(state, true, file, true))
        return false;
    registerLocatedJvm(file);
    return true;
}
