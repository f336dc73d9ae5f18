#include "payload/load_payload.h"

#include <cstdio>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/paths.h"
#include "fs/platform.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/payload_reader.h"

namespace {
constexpr int kWindowedProgram = 1;
constexpr int kMessageBoxProgram = 5;
} // namespace

FileHandle openLauncherFile()
{
    const char* path = getLauncherPath();
    FileHandle file = openFileRead(path);
    if (!isOpen(file)) {
        logError("Could not open %s", path);
        fatalError("Error opening media file. Please move this file to an ascii-only path like c:\\");
    }
    return file;
}

void loadPayload(LaunchState& state)
{
    PayloadLayout layout;
    PayloadStatus status = readPayload(openLauncherFile(), configStore(), &layout);
    if (status != PayloadStatus::Ok) {
        if (status == PayloadStatus::ReadInt || status == PayloadStatus::ReadShort) {
            std::printf("error %d\n", static_cast<int>(layout.systemError));
            std::fflush(stdout);
        }
        fatalError(payloadStatusText(status));
    }
    state.includedFilesOffset = layout.includedFilesOffset;

    // Errors of other program types go to standard error, unless nobody could
    // read them there: then they stay in boxes, which wait for the user.
    int type = getInt(cfg::kProgramType);
    if (type != kWindowedProgram && type != kMessageBoxProgram && standardErrorIsSeen())
        setMessageBoxErrors(false);
}
