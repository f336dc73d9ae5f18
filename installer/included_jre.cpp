#include "installer/included_jre.h"

#include <chrono>
#include <cstdlib>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "installer/unpack_animation.h"
#include "installer/untar_gz.h"
#include "jvm/load_dll.h"
#include "jvm/pack200.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"
#include "payload/temp_dir.h"

namespace {
constexpr char kArchive[] = "jre.tar.gz";
constexpr char kJreDir[] = "jre";
constexpr char kCorrupted[] =
    "The bundled JRE is corrupted. If you downloaded the setup file please download it again.";

long millisSince(std::chrono::steady_clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}
} // namespace

void extractIncludedJre(LaunchState& state, void* dialog)
{
    auto start = std::chrono::steady_clock::now();
    logInfo("extracting JRE");
    bool created = createDirectoryAt(kJreDir);
    if (!created)
        logError("Could not create JRE dir");
    char total[kTextBufferSize];
    getString(cfg::kJreUncompressedSize, total, sizeof total);
    if (!untarGz(kArchive, kJreDir, dialog, std::strtoll(total, nullptr, 10))) {
        logError("Could not untar JRE");
        // Nothing half-written may pass for a runtime at a later language restart.
        if (created && !removeDirectoryTree(kJreDir))
            logError("Could not remove the JRE dir");
        fatalError(kCorrupted);
    }
    deleteFileAt(kArchive);
    long extractMillis = millisSince(start);
    if (getInt(cfg::kJrePack200) != 0) {
        logInfo("JRE is packed");
        UnpackAnimation animation(dialog, extractMillis);
        unpackJre(kJreDir);
        char nested[kTextBufferSize];
        joinPath(nested, sizeof nested, kJreDir, kJreDir);
        unpackJre(nested);
    }
    useExtractedJre(state);
}

void useExtractedJre(LaunchState& state)
{
    char directory[kTextBufferSize];
    fullPathName(kJreDir, directory, sizeof directory, nullptr);
    logInfo("JRE dir: %s", directory);
    if (LoadDLL(state, false, directory, false))
        return;
    logError("Could not load bundled JRE. Trying to find another JRE.");
    if (LoadDLL(state, false, nullptr, false))
        return;
    logError("Could not find another JRE.");
    fatalError("Could not use bundled JRE. Please send this log file to your software vendor:");
}
