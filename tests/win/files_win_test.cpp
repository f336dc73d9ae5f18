// The platform layer's file and thread services with the real Windows calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "fs/platform.h"

namespace {
std::string readWhole(const std::string& path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

bool writeWhole(const std::string& path, const std::string& text)
{
    FileHandle file = createFileWrite(path.c_str());
    uint32_t written = 0;
    return isOpen(file) && writeFileBytes(file, text.data(), static_cast<uint32_t>(text.size()), &written) &&
           written == text.size();
}
} // namespace

TEST(CreateFileWrite, MakesANewFileAndReplacesAnOldOne)
{
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    std::string path = std::string(temp) + "kvell_create_" + std::to_string(GetCurrentProcessId());
    DeleteFileA(path.c_str());
    ASSERT_TRUE(writeWhole(path, "the first, longer content"));
    EXPECT_EQ(readWhole(path), "the first, longer content");
    ASSERT_TRUE(writeWhole(path, "second"));
    EXPECT_EQ(readWhole(path), "second");
    EXPECT_FALSE(isOpen(createFileWrite((path + "\\below-a-file").c_str())));
    DeleteFileA(path.c_str());
}

TEST(ThreadCondition, HandsTurnsBackAndForth)
{
    // Two threads take turns 2000 times, each waiting for the other's wake.
    ThreadLock lock;
    ThreadCondition changed;
    int turn = 0;
    std::thread other([&] {
        for (int i = 0; i < 1000; ++i) {
            lock.lock();
            while (turn % 2 == 0)
                changed.wait(lock);
            ++turn;
            lock.unlock();
            changed.wakeOne();
        }
    });
    for (int i = 0; i < 1000; ++i) {
        lock.lock();
        while (turn % 2 == 1)
            changed.wait(lock);
        ++turn;
        lock.unlock();
        changed.wakeOne();
    }
    other.join();
    EXPECT_EQ(turn, 2000);
}
