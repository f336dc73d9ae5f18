#include "instance/instance_platform.h"

#include <windows.h>

#include "fs/platform.h"
#include "fs/text_buffer.h"
#include "fs/unique_handle.h"

namespace {
struct KernelTraits {
    using Raw = HANDLE;
    static constexpr Raw kNone = nullptr;
    static void close(Raw raw) { CloseHandle(raw); }
};
using KernelHandle = UniqueHandle<KernelTraits>;

// Wide to the file API's code page; false when a character has no representation.
bool narrowPath(const wchar_t* wide, char* out, size_t cap)
{
    bool usedDefault = false;
    return fromWideFileCodePage(wide, out, static_cast<int>(cap), &usedDefault) != 0 &&
           !usedDefault;
}
} // namespace

void SemaphoreTraits::close(Raw raw)
{
    CloseHandle(reinterpret_cast<HANDLE>(raw));
}

SemaphoreHandle createInstanceSemaphore(const char* name, unsigned* error)
{
    HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, name);
    *error = GetLastError();
    return SemaphoreHandle(reinterpret_cast<intptr_t>(semaphore));
}

bool processImagePath(uint32_t pid, char* out, size_t cap)
{
    out[0] = '\0';
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process)
        return false;
    static wchar_t image[kTextBufferSize];
    DWORD length = kTextBufferSize;
    if (!QueryFullProcessImageNameW(process.get(), 0, image, &length))
        return false;
    if (narrowPath(image, out, cap))
        return true;
    // The launcher's own path takes the short form in that case too.
    static wchar_t shortImage[kTextBufferSize];
    DWORD n = GetShortPathNameW(image, shortImage, kTextBufferSize);
    return n > 0 && n < kTextBufferSize && narrowPath(shortImage, out, cap);
}
