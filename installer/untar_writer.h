// The writing half of untarGz: directories made, files created and written,
// and the log lines, on a thread of its own in the order they were queued,
// while the reading thread inflates what comes next. Under Wine each create,
// write and close is a round trip to wineserver; behind the inflating they
// cost next to nothing. Queue and buffers share one 320 KiB ring; a full
// ring makes the reader wait.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "diag/log.h"
#include "fs/platform.h"

class UntarWriter {
public:
    UntarWriter();
    // Finishes first when finish was not called.
    ~UntarWriter();
    UntarWriter(const UntarWriter&) = delete;
    UntarWriter& operator=(const UntarWriter&) = delete;

    // The reading thread's side. Nothing is done after a failure: what is
    // queued then is dropped, log lines included, as if the reading had
    // stopped there.
    void createDirectory(const char* path);
    // Logs "extracting name (size size)" and creates the file, replacing one
    // there; a file that cannot be created makes fatalMessage non-null.
    void openFile(const char* path, const char* name, int32_t size);
    // Room for up to want of the open file's next bytes, *room of them (at
    // least one); appendData(count) queues the first count of them.
    unsigned char* dataRoom(uint32_t want, uint32_t* room);
    void appendData(uint32_t count);
    void closeFile();
    // An error line for the log, in order with the rest.
    void logErrorLater(const char* format, ...) KVELL_PRINTF(2, 3);
    // A file could not be created or written (its lines are logged): the
    // reader may as well stop.
    bool failed() const { return failed_.load(std::memory_order_acquire); }

    // Waits until everything queued is done, closes the open file and ends
    // the thread. False after a failure.
    bool finish();
    // After finish: "Could not open file NAME\n" when that was the failure.
    const char* fatalMessage() const { return fatal_.empty() ? nullptr : fatal_.c_str(); }

private:
    enum class Kind : uint32_t { Wrap, Directory, Open, Data, Close, Error };
    struct Head {
        Kind kind;
        uint32_t length;  // of what follows the head
    };

    unsigned char* room(size_t need, size_t want, size_t* got);
    void append(Kind kind, size_t length);
    void queueText(Kind kind, int32_t number, const char* first, const char* second);
    void run();
    void perform(const Head& head, const unsigned char* body);
    void fail(const char* reason);

    std::unique_ptr<unsigned char[]> ring_;
    // Bytes ever queued and ever done; the ring holds those between.
    size_t queued_ = 0;
    size_t done_ = 0;
    ThreadLock lock_;
    ThreadCondition queuedMore_;
    ThreadCondition freedRoom_;
    bool writerWaits_ = false;
    bool readerWaits_ = false;
    bool finishing_ = false;
    std::atomic<bool> failed_{false};
    std::thread thread_;
    bool inline_ = false;  // no thread could be started: the reader does the work

    // The writing thread's own.
    FileHandle out_;
    int32_t count_ = 0;
    int32_t size_ = 0;
    std::string fatal_;
};
