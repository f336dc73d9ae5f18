#include "installer/untar_writer.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>

#include "fs/text_buffer.h"

namespace {
// Under Wine a thread costs about 1 MiB already: the ring stays small. But
// zlib hands out what it inflated 256 KiB at a time (its output buffer), and
// such a burst with its record heads must fit whole, or the reader waits for
// the writer at every burst.
constexpr size_t kRing = 320 * 1024;
constexpr size_t kAlign = 8;
// One gzread and one WriteFile per data record.
constexpr size_t kMostData = 64 * 1024;
// Rather wait for the writer than read in crumbs.
constexpr size_t kLeastData = 16 * 1024;
// Each side wakes the other only for half a ring of work or room (or none
// left): fewer, larger hand-overs.
constexpr size_t kWakeAt = kRing / 2;

constexpr size_t recordSize(size_t length, size_t headSize)
{
    return (headSize + length + kAlign - 1) / kAlign * kAlign;
}

// The first text of a text record, after its number.
const char* textAfterNumber(const unsigned char* body)
{
    return reinterpret_cast<const char*>(body + sizeof(int32_t));
}
} // namespace

UntarWriter::UntarWriter() : ring_(new unsigned char[kRing])
{
    static_assert(sizeof(Head) == kAlign && kRing % kAlign == 0);
    try {
        thread_ = std::thread(&UntarWriter::run, this);
    } catch (const std::system_error&) {
        inline_ = true;
    }
}

UntarWriter::~UntarWriter()
{
    finish();
}

void UntarWriter::createDirectory(const char* path)
{
    queueText(Kind::Directory, 0, path, "");
}

void UntarWriter::openFile(const char* path, const char* name, int32_t size)
{
    queueText(Kind::Open, size, name, path);
}

unsigned char* UntarWriter::dataRoom(uint32_t want, uint32_t* room)
{
    size_t most = std::min<size_t>(want, kMostData);
    size_t got = 0;
    unsigned char* record = this->room(sizeof(Head) + std::min(most, kLeastData), sizeof(Head) + most, &got);
    *room = static_cast<uint32_t>(got - sizeof(Head));
    return record + sizeof(Head);
}

void UntarWriter::appendData(uint32_t count)
{
    append(Kind::Data, count);
}

void UntarWriter::closeFile()
{
    size_t got = 0;
    room(sizeof(Head), sizeof(Head), &got);
    append(Kind::Close, 0);
}

void UntarWriter::logErrorLater(const char* format, ...)
{
    char text[kTextBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    queueText(Kind::Error, 0, text, "");
}

// A number and two texts, each with its terminator.
void UntarWriter::queueText(Kind kind, int32_t number, const char* first, const char* second)
{
    size_t firstSize = std::strlen(first) + 1;
    size_t secondSize = std::strlen(second) + 1;
    size_t length = sizeof number + firstSize + secondSize;
    size_t got = 0;
    unsigned char* body = room(sizeof(Head) + length, sizeof(Head) + length, &got) + sizeof(Head);
    std::memcpy(body, &number, sizeof number);
    std::memcpy(body + sizeof number, first, firstSize);
    std::memcpy(body + sizeof number + firstSize, second, secondSize);
    append(kind, length);
}

// Where the next record goes: at least need bytes in one piece, *got of them
// (at most want). A piece too short before the ring's end is skipped.
unsigned char* UntarWriter::room(size_t need, size_t want, size_t* got)
{
    std::unique_lock<ThreadLock> hold(lock_);
    for (;;) {
        size_t at = queued_ % kRing;
        size_t free = kRing - (queued_ - done_);
        size_t toEnd = kRing - at;
        if (toEnd < need && free >= toEnd) {
            Head wrap{Kind::Wrap, 0};
            std::memcpy(ring_.get() + at, &wrap, sizeof wrap);
            queued_ += toEnd;
            if (inline_)
                done_ = queued_;
            continue;
        }
        if (toEnd >= need && free >= need) {
            *got = std::min({toEnd, free, want});
            return ring_.get() + at;
        }
        if (writerWaits_)
            queuedMore_.wakeOne();  // asleep with records short of the wake mark
        readerWaits_ = true;
        freedRoom_.wait(lock_);
        readerWaits_ = false;
    }
}

void UntarWriter::append(Kind kind, size_t length)
{
    Head head{kind, static_cast<uint32_t>(length)};
    unsigned char* record = ring_.get() + queued_ % kRing;  // only this thread moves queued_
    std::memcpy(record, &head, sizeof head);
    if (inline_) {
        perform(head, record + sizeof head);
        queued_ += recordSize(length, sizeof head);
        done_ = queued_;
        return;
    }
    bool wake = false;
    {
        std::lock_guard<ThreadLock> hold(lock_);
        queued_ += recordSize(length, sizeof head);
        wake = writerWaits_ && queued_ - done_ >= kWakeAt;
    }
    if (wake)
        queuedMore_.wakeOne();
}

bool UntarWriter::finish()
{
    if (thread_.joinable()) {
        {
            std::lock_guard<ThreadLock> hold(lock_);
            finishing_ = true;
        }
        queuedMore_.wakeOne();
        thread_.join();
    }
    out_.reset();
    return !failed();
}

void UntarWriter::run()
{
    std::unique_lock<ThreadLock> hold(lock_);
    for (;;) {
        if (done_ == queued_) {
            if (finishing_)
                break;
            writerWaits_ = true;
            queuedMore_.wait(lock_);
            writerWaits_ = false;
            continue;
        }
        size_t at = done_ % kRing;
        Head head;
        std::memcpy(&head, ring_.get() + at, sizeof head);
        hold.unlock();
        perform(head, ring_.get() + at + sizeof head);
        hold.lock();
        done_ += head.kind == Kind::Wrap ? kRing - at : recordSize(head.length, sizeof head);
        if (readerWaits_ && (kRing - (queued_ - done_) >= kWakeAt || done_ == queued_)) {
            hold.unlock();
            freedRoom_.wakeOne();
            hold.lock();
        }
    }
    hold.unlock();
    out_.reset();
}

void UntarWriter::perform(const Head& head, const unsigned char* body)
{
    if (failed())
        return;
    switch (head.kind) {
    case Kind::Directory:
        createDirectoryAt(textAfterNumber(body));  // may exist; a file below that fails says so
        break;
    case Kind::Open: {
        int32_t size = 0;
        std::memcpy(&size, body, sizeof size);
        const char* name = textAfterNumber(body);
        logInfo("extracting %s (size %d)", name, static_cast<int>(size));
        out_ = createFileWrite(name + std::strlen(name) + 1);
        count_ = 0;
        size_ = size;
        if (!isOpen(out_)) {
            char message[kTextBufferSize];
            formatBounded(message, sizeof message, "Could not open file %s\n", name);
            logError("%s", message);
            fatal_ = message;
            failed_.store(true, std::memory_order_release);
        }
        break;
    }
    case Kind::Data: {
        uint32_t written = 0;
        if (!writeFileBytes(out_, body, head.length, &written)) {
            fail("stream error");
            break;
        }
        count_ += static_cast<int32_t>(written);
        if (written < head.length) {
            char text[kTextBufferSize];
            formatBounded(text, sizeof text, "sizes don't match: %d, %d", static_cast<int>(count_),
                          static_cast<int>(size_));
            fail(text);
        }
        break;
    }
    case Kind::Close:
        out_.reset();
        break;
    case Kind::Error:
        logError("%s", textAfterNumber(body));
        break;
    case Kind::Wrap:
        break;
    }
}

void UntarWriter::fail(const char* reason)
{
    logError("%s", reason);
    logError("extract file failed");
    out_.reset();
    failed_.store(true, std::memory_order_release);
}
