#include "installer/dialog_thread.h"

#include <windows.h>

#include <memory>

namespace {
struct ThreadStart {
    DialogWork work;
    LaunchState* state;
    HWND dialog;
    bool reportDone;
};

DWORD WINAPI dialogThread(void* parameter)
{
    // Owned here: the starter may be gone by the time this runs.
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    int result = start->work(*start->state, start->dialog);
    if (start->reportDone)
        PostMessageW(start->dialog, kWorkDoneMessage, static_cast<WPARAM>(result), 0);
    return 0;
}
} // namespace

bool startDialogThread(DialogWork work, LaunchState& state, void* dialog, bool reportDone, bool aboveNormal)
{
    auto* start = new ThreadStart{work, &state, static_cast<HWND>(dialog), reportDone};
    HANDLE thread = CreateThread(nullptr, 0, dialogThread, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        return false;
    }
    if (aboveNormal)
        SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    CloseHandle(thread);
    return true;
}
