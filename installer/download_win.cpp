#include "installer/download.h"

#include <windows.h>
#include <wininet.h>

#include <cstring>

#include "diag/errors.h"
#include "diag/log.h"
#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "installer/dialog_ids.h"
#include "installer/download_status.h"
#include "installer/progress.h"
#include "installer/sha256.h"
#include "installer/window_text.h"
#include "payload/config_ids.h"
#include "payload/config_store.h"

namespace {
constexpr char kUserAgent[] = "quillmere download agent";
constexpr char kDestination[] = "jre.tar.gz";
constexpr DWORD kChunk = 16384;
constexpr int kLengthAttempts = 20;
constexpr DWORD kRetryPauseMillis = 300;
constexpr DWORD kStatusIntervalMillis = 500;
constexpr DWORD kOpenUrlFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PASSIVE;
constexpr DWORD kHttpOk = 200;
constexpr double kMiB = 1024.0 * 1024.0;

// The six entry points, resolved when a download happens; the library stays loaded.
struct Wininet {
    decltype(&InternetOpenUrlA) openUrl = nullptr;
    decltype(&InternetOpenA) open = nullptr;
    decltype(&HttpQueryInfoA) queryInfo = nullptr;
    decltype(&InternetAttemptConnect) attemptConnect = nullptr;
    decltype(&InternetCloseHandle) closeHandle = nullptr;
    decltype(&InternetReadFile) readFile = nullptr;
};

// A session or request handle, closed when it goes.
class InternetHandle {
public:
    InternetHandle(const Wininet& api, HINTERNET raw) : api_(&api), raw_(raw) {}
    InternetHandle(InternetHandle&& other) noexcept : api_(other.api_), raw_(other.raw_) { other.raw_ = nullptr; }
    InternetHandle& operator=(InternetHandle&& other) noexcept
    {
        reset();
        raw_ = other.raw_;
        other.raw_ = nullptr;
        return *this;
    }
    InternetHandle(const InternetHandle&) = delete;
    ~InternetHandle() { reset(); }
    HINTERNET get() const { return raw_; }
    explicit operator bool() const { return raw_ != nullptr; }
    void reset()
    {
        if (raw_ != nullptr)
            api_->closeHandle(raw_);
        raw_ = nullptr;
    }

private:
    const Wininet* api_;
    HINTERNET raw_;
};

int lastError()
{
    return static_cast<int>(GetLastError());
}

template <typename F>
bool resolve(const LibraryHandle& library, const char* name, F* function)
{
    *function = reinterpret_cast<F>(librarySymbol(library, name));
    return *function != nullptr;
}

// From the system directory only: a wininet.dll planted beside the launcher
// would run with the user's rights.
bool loadWininet(Wininet& api)
{
    LibraryHandle library = loadSystemLibrary("wininet.dll");
    if (!library) {
        logError("Could not load wininet.dll");
        return false;
    }
    bool all = resolve(library, "InternetOpenUrlA", &api.openUrl) && resolve(library, "InternetOpenA", &api.open) &&
               resolve(library, "HttpQueryInfoA", &api.queryInfo) &&
               resolve(library, "InternetAttemptConnect", &api.attemptConnect) &&
               resolve(library, "InternetCloseHandle", &api.closeHandle) &&
               resolve(library, "InternetReadFile", &api.readFile);
    if (!all) {
        logError("Could not load wininet functions");
        return false;
    }
    library.release();  // kept for the process
    return true;
}

// Members close in reverse order: the request before its session.
struct Connection {
    InternetHandle session;
    InternetHandle request;
};

// What the transfer needs besides the handles.
struct Transfer {
    void* dialog;
    const char* destination;
    const char* expectedSha256;  // empty: not checked
};

void showStatus(void* dialog, DWORD received, DWORD length, DWORD startTick)
{
    if (dialog == nullptr)
        return;
    WideChar format[kTextBufferSize];
    getWideString(cfg::kWDownloadStatus, format);
    DWORD elapsed = GetTickCount() - startTick;
    DownloadFigures figures{received / kMiB, length / kMiB, received * 100.0 / length,
                            elapsed == 0 ? 0.0 : static_cast<double>(received) / elapsed};
    setDlgItemTextWide(dialog, KVELL_STATUS_TEXT, formatDownloadStatus(format, figures).c_str());
    setProgressBarPosition(dialog, static_cast<int>(static_cast<float>(received) / length * 100));
}

// An answer other than 200 is no runtime archive (an error page, a redirect
// left unfollowed). A request without a status (not HTTP) goes on to the length.
bool statusIsOk(const Wininet& api, HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!api.queryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return true;
    if (status != kHttpOk) {
        logError("The server answered with HTTP status %d", static_cast<int>(status));
        return false;
    }
    return true;
}

bool digestMatches(Sha256& hash, const char* expected)
{
    char actual[kSha256HexSize + 1];
    if (!hash.finish(actual)) {
        logError("Could not compute the SHA-256 of the download");
        return false;
    }
    if (_stricmp(actual, expected) != 0) {
        logError("SHA-256 of the download is %s, but %s was expected", actual, expected);
        return false;
    }
    logInfo("SHA-256 of the download matches: %s", actual);
    return true;
}

// Copies the announced length from the request into the destination. Both
// handles close whatever happens; a failed transfer deletes what it wrote.
bool receiveDownload(const Wininet& api, const Transfer& transfer, Connection connection, DWORD length)
{
    HINTERNET request = connection.request.get();
    logInfo("file size: %d, handle %p", static_cast<int>(length), request);
    if (length == 0) {
        logError("The server announced an empty download");
        return false;
    }
    bool verify = transfer.expectedSha256[0] != '\0';
    Sha256 hash;
    if (verify && !hash.ok()) {
        logError("Could not start a SHA-256 (bcrypt.dll) to check the download");
        return false;
    }
    FileHandle file = createFileWrite(transfer.destination);
    if (!isOpen(file)) {
        logError("opening the destination file %s failed with error code %d", transfer.destination, lastError());
        return false;
    }
    auto failed = [&] {
        file.reset();
        deleteFileAt(transfer.destination);
        return false;
    };
    unsigned char buffer[kChunk];
    DWORD received = 0;
    DWORD startTick = GetTickCount();
    bool statusShown = false;
    DWORD lastStatus = 0;
    while (received < length) {
        DWORD want = length - received < kChunk ? length - received : kChunk;
        DWORD got = 0;
        if (!api.readFile(request, buffer, want, &got)) {
            logError("InternetReadFile failed with error code %d", lastError());
            return failed();
        }
        if (got == 0) {
            logError("The connection ended after %lu of %lu bytes", received, length);
            return failed();
        }
        received += got;
        uint32_t written = 0;
        if (!writeFileBytes(file, buffer, got, &written) || written < got) {
            logError("writing the destination file %s failed with error code %d", transfer.destination, lastError());
            return failed();
        }
        if (verify && !hash.update(buffer, got)) {
            logError("Could not compute the SHA-256 of the download");
            return failed();
        }
        if (!statusShown || GetTickCount() - lastStatus > kStatusIntervalMillis) {
            showStatus(transfer.dialog, received, length, startTick);
            lastStatus = GetTickCount();
            statusShown = true;
        }
    }
    file.reset();
    if (verify && !digestMatches(hash, transfer.expectedSha256))
        return failed();
    logInfo("download successful");
    return true;
}

InternetHandle openUrl(const Wininet& api, const InternetHandle& session, const char* url)
{
    return InternetHandle(api, api.openUrl(session.get(), url, nullptr, 0, kOpenUrlFlags, 0));
}

bool openDownload(const Wininet& api, const Transfer& transfer, const char* url)
{
    if (transfer.dialog != nullptr)
        setDlgItemTextFromEntry(transfer.dialog, KVELL_STATUS_TEXT, cfg::kWDownloadConnecting);
    DWORD connect = api.attemptConnect(0);
    if (connect != ERROR_SUCCESS)
        logError("InternetAttemptConnect returned %d", static_cast<int>(connect));
    // Access type 0: the system's proxy settings.
    InternetHandle session(api, api.open(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        logError("InternetOpen failed with error code %d", lastError());
        return false;
    }
    InternetHandle request = openUrl(api, session, url);
    if (!request) {
        logError("InternetOpenUrl failed with error code %d", lastError());
        return false;
    }
    for (int attempt = 1;; ++attempt) {
        if (!statusIsOk(api, request.get()))
            return false;
        DWORD length = 0;
        DWORD size = sizeof length;
        if (api.queryInfo(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr))
            return receiveDownload(api, transfer, Connection{std::move(session), std::move(request)}, length);
        logError("HttpQueryInfo (try %d) failed with error code %d", attempt, lastError());
        if (attempt == kLengthAttempts) {
            logError("Giving up");
            return false;
        }
        Sleep(kRetryPauseMillis);
        request.reset();
        request = openUrl(api, session, url);
        if (!request) {
            logError("InternetOpenUrl 2 failed with error code %d", lastError());
            return false;
        }
    }
}
} // namespace

void downloadJre(LaunchState&, void* dialog, const char* url)
{
    if (dialog != nullptr) {
        setDlgItemTextFromEntry(dialog, KVELL_MESSAGE_TEXT, cfg::kWDownloadMessage);
        setDlgItemTextFromEntry(dialog, IDCANCEL, cfg::kWCancelButton);
        showDialogItem(dialog, KVELL_STATUS_TEXT, true);
    }
    Wininet api;
    if (!loadWininet(api))
        fatalErrorWideById(cfg::kWDownloadLibraryMissing);
    char expected[kTextBufferSize];
    getString(cfg::kJreDownloadSha256, expected, sizeof expected);
    if (expected[0] != '\0' && !isSha256Hex(expected)) {
        // Never run an archive that cannot be checked as the vendor asked.
        logError("The configured SHA-256 of the download is not 64 hexadecimal digits: %s", expected);
        fatalErrorWideById(cfg::kWDownloadFailed);
    }
    if (!openDownload(api, Transfer{dialog, kDestination, expected}, url))
        fatalErrorWideById(cfg::kWDownloadFailed);
    if (dialog != nullptr)
        showDialogItem(dialog, KVELL_STATUS_TEXT, false);
}
