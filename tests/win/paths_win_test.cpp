// The path helpers with the real Windows platform layer: existence tests, the
// UTF-16 passes in the process's file code page, resolution against the
// launcher's directory and the launcher's own path.
//
// Run under the default Western locale (code page 1252) and again under a
// Japanese one (code page 932): the suites named Cp1252* and Cp932* only apply
// to their code page and are selected by the test registration.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "fs/paths.h"

namespace {

std::string buffer(const char* text)
{
    return text;
}

std::string lowered(const char* path)
{
    char buf[kTextBufferSize];
    std::snprintf(buf, sizeof buf, "%s", path);
    lowerCasePath(buf);
    return buf;
}

std::string collapsed(const char* path)
{
    char buf[kTextBufferSize];
    std::snprintf(buf, sizeof buf, "%s", path);
    collapseBackslashes(buf);
    return buf;
}

std::string resolved(const char* path)
{
    char buf[kTextBufferSize];
    resolveFromLauncherDir(buf, path);
    return buf;
}

std::string fullPath(const char* path, bool keepCase)
{
    char buf[kTextBufferSize];
    getFullPath(buf, path, keepCase);
    return buf;
}

std::string asciiLower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Our own executable's directory with its trailing backslash, taken from the
// narrow module name independently of the helpers under test.
std::string moduleDirectory()
{
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module, n);
    return path.substr(0, path.rfind('\\') + 1);
}

std::string narrowFromWide(const std::wstring& text)
{
    char out[kTextBufferSize];
    int n = WideCharToMultiByte(AreFileApisANSI() ? CP_ACP : CP_OEMCP, 0, text.c_str(), -1, out, sizeof out,
                                nullptr, nullptr);
    return n > 0 ? std::string(out) : std::string();
}

// A fresh directory in the temporary directory, removed with its files.
class TempDir {
public:
    TempDir()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + L"kvell_win_tests_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempDir()
    {
        WIN32_FIND_DATAW data;
        HANDLE found = FindFirstFileW((path_ + L"\\*").c_str(), &data);
        if (found != INVALID_HANDLE_VALUE) {
            do {
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                    DeleteFileW((path_ + L"\\" + data.cFileName).c_str());
            } while (FindNextFileW(found, &data));
            FindClose(found);
        }
        RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    std::string narrow() const { return narrowFromWide(path_); }

private:
    std::wstring path_;
};

void writeFile(const std::wstring& path, const std::string& content)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

std::string readFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    char data[kTextBufferSize];
    DWORD got = 0;
    ReadFile(file, data, sizeof data, &got, nullptr);
    CloseHandle(file);
    return std::string(data, got);
}

// Runs a copy of this test program, stored under another name, in its
// launcher-path mode and returns what getLauncherPath gave it.
std::string launcherPathAs(const TempDir& dir, const std::wstring& name)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring copy = dir.path() + L"\\" + name;
    std::wstring out = dir.path() + L"\\launcher_path.txt";
    DeleteFileW(out.c_str());
    if (!CopyFileW(self, copy.c_str(), FALSE))
        return "<copy failed>";
    std::wstring line = L"\"" + copy + L"\" --print-launcher-path \"" + out + L"\"";
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "<start failed>";
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return readFile(out);
}

int launcherPathMode(const char* outputFile)
{
    const char* path = getLauncherPath();
    FILE* out = std::fopen(outputFile, "wb");
    if (out == nullptr)
        return 2;
    std::fputs(path, out);
    std::fclose(out);
    return 0;
}

} // namespace

// ---- fileExists ----------------------------------------------------------------

TEST(FileExists, DriveRootsExistWithoutAskingTheFileSystem)
{
    EXPECT_TRUE(fileExists("C:\\"));
    EXPECT_TRUE(fileExists("C:\\."));
    EXPECT_TRUE(fileExists("C:\\.\\."));
    // A drive that is not mapped: only the root form counts as existing.
    DWORD drives = GetLogicalDrives();
    char letter = 0;
    for (char c = 'Q'; c <= 'Y' && letter == 0; ++c) {
        if ((drives & (1u << (c - 'A'))) == 0)
            letter = c;
    }
    ASSERT_NE(letter, 0) << "no unmapped drive letter";
    std::string root = std::string(1, letter) + ":\\";
    EXPECT_TRUE(fileExists(root.c_str()));
    EXPECT_TRUE(fileExists((root + ".").c_str()));
    EXPECT_FALSE(fileExists((root + "x").c_str()));
    EXPECT_FALSE(fileExists((root + "..").c_str()));
}

TEST(FileExists, FilesAndDirectories)
{
    TempDir dir;
    std::string d = dir.narrow();
    writeFile(dir.path() + L"\\present.txt", "x");
    EXPECT_TRUE(fileExists(d.c_str()));
    EXPECT_FALSE(fileExists((d + "\\").c_str())) << "a trailing backslash hides a directory";
    EXPECT_TRUE(fileExists((d + "\\present.txt").c_str()));
    EXPECT_TRUE(fileExists((d + "\\PRESENT.TXT").c_str()));
    EXPECT_FALSE(fileExists((d + "\\absent.txt").c_str()));
    EXPECT_FALSE(fileExists("C:\\windows\\"));
    EXPECT_TRUE(fileExists("C:\\windows"));
}

TEST(FindFile, ReportsLastWriteTime)
{
    TempDir dir;
    std::wstring file = dir.path() + L"\\stamped.txt";
    writeFile(file, "x");
    HANDLE h = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME when;
    when.dwLowDateTime = 0x12345600u;  // a time well in the past, set explicitly
    when.dwHighDateTime = 0x01c00000u;
    SetFileTime(h, nullptr, nullptr, &when);
    CloseHandle(h);
    FileStamp stamp;
    ASSERT_TRUE(findFile((dir.narrow() + "\\stamped.txt").c_str(), &stamp));
    EXPECT_EQ(stamp.low, when.dwLowDateTime);
    EXPECT_EQ(stamp.high, when.dwHighDateTime);
}

// ---- isRelativePath --------------------------------------------------------------

TEST(IsRelativePath, OnlyDriveBackslashAndUncAreAbsolute)
{
    for (const char* absolute : {"C:\\", "c:\\x", "\\\\server\\share", "\\\\s", "\"C:\\x\"", "\"\\\\s"})
        EXPECT_FALSE(isRelativePath(absolute)) << absolute;
    for (const char* relative : {"", "\\\\", "C:", "C:dir", "\\dir", "C:/dir", "//server/share", "dir\\x", "\"C:",
                                 "\"\\\\", "ab", "\"x:/y"})
        EXPECT_TRUE(isRelativePath(relative)) << relative;
}

// ---- UTF-16 passes -------------------------------------------------------------------

TEST(CollapseBackslashes, RunsBecomeOneButUncPrefixStays)
{
    EXPECT_EQ(collapsed("\\\\server\\\\share"), "\\\\server\\share");
    EXPECT_EQ(collapsed("C:\\a\\\\\\b"), "C:\\a\\b");
    EXPECT_EQ(collapsed("\\\\\\x"), "\\\\x");
    EXPECT_EQ(collapsed("\\"), "\\");
    EXPECT_EQ(collapsed(""), "");
}

TEST(LowerCasePath, OnlyAsciiLetters)
{
    EXPECT_EQ(lowered("C:\\Program Files\\App-1.JAR"), "c:\\program files\\app-1.jar");
    EXPECT_EQ(lowered("@[`{"), "@[`{");
}

// Code page 1252: single-byte letters outside A to Z survive unchanged.
TEST(Cp1252Paths, NonAsciiLettersStay)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    // "\xC4" is an upper-case A with diaeresis, "\xC9" an E with acute accent.
    EXPECT_EQ(lowered("C:\\\xC4PFEL\\\xC9T\xC9\\Datei.TXT"), "c:\\\xC4pfel\\\xC9t\xC9\\datei.txt");
    EXPECT_EQ(collapsed("C:\\\xE4\\\\\xDF\\\\\x80"), "C:\\\xE4\\\xDF\\\x80");
    EXPECT_EQ(lowered("\x8A\x8C\x9F\xC0\xDE"), "\x8A\x8C\x9F\xC0\xDE");
}

// Code page 932: a double-byte character whose second byte is a backslash or an
// upper-case ASCII letter is one character, not a backslash or a letter.
TEST(Cp932Paths, TrailBytesAreNotCharacters)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "code page " << GetACP();
    // 0x95 0x5C is one kanji whose second byte equals "\"; 0x83 0x41 a katakana
    // whose second byte equals "A".
    EXPECT_EQ(collapsed("C:\\\x95\x5C\\x"), "C:\\\x95\x5C\\x");
    EXPECT_EQ(collapsed("C:\\\x95\x5C\\\\\\x"), "C:\\\x95\x5C\\x");
    EXPECT_EQ(lowered("C:\\\x83\x41\x83\x5A\\ABC"), "c:\\\x83\x41\x83\x5A\\abc");
}

// ---- resolution against the launcher directory ------------------------------------

TEST(ResolveFromLauncherDir, RelativePathsGetTheLauncherDirectory)
{
    const std::string dir = moduleDirectory();
    EXPECT_EQ(resolved(""), dir);
    EXPECT_EQ(resolved("lib\\x.jar"), dir + "lib\\x.jar");
    EXPECT_EQ(resolved("\\tools\\x.jar"), dir + "tools\\x.jar") << "rooted without drive counts as relative";
    EXPECT_EQ(resolved("C:x.jar"), dir + "C:x.jar");
    EXPECT_EQ(resolved("a\\\\b"), dir + "a\\b");
}

TEST(ResolveFromLauncherDir, AbsolutePathsStay)
{
    EXPECT_EQ(resolved("\"C:\\Program Files\\x.jar\""), "\"C:\\Program Files\\x.jar\"");
    EXPECT_EQ(resolved("D:\\a\\\\b"), "D:\\a\\b");
    EXPECT_EQ(resolved("\\\\server\\\\share\\x"), "\\\\server\\share\\x");
}

TEST(ResolvePathList, EmptyItemsAreSkipped)
{
    const std::string dir = moduleDirectory();
    char out[kTextBufferSize];
    resolvePathList(out, "a;;b;");
    EXPECT_EQ(buffer(out), dir + "a;" + dir + "b");
    resolvePathList(out, ";C:\\x.jar;\\y");
    EXPECT_EQ(buffer(out), "C:\\x.jar;" + dir + "y");
    resolvePathList(out, ";;");
    EXPECT_EQ(buffer(out), "");
}

TEST(GetFullPath, RemovesDotsAndLowerCasesUnlessAsked)
{
    EXPECT_EQ(fullPath("C:\\Some\\Dir\\..\\.\\File.TXT", false), "c:\\some\\file.txt");
    EXPECT_EQ(fullPath("C:\\Some\\Dir\\..\\.\\File.TXT", true), "C:\\Some\\File.TXT");
    EXPECT_EQ(fullPath("C:\\A\\\\B\\", true), "C:\\A\\B\\");
    const std::string dir = moduleDirectory();
    EXPECT_EQ(fullPath("Sub\\..\\App.JAR", true), dir + "App.JAR");
    EXPECT_EQ(fullPath("Sub\\..\\App.JAR", false), asciiLower(dir) + "app.jar");
    EXPECT_EQ(fullPath("\\\\Server\\Share\\X\\..\\Y", false), "\\\\server\\share\\y");
}

// ---- the launcher's own path -------------------------------------------------------

TEST(GetLauncherPath, IsTheModulePath)
{
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = getLauncherPath();
    EXPECT_EQ(path, std::string(module, n));
    ASSERT_GE(path.size(), 4u);
    EXPECT_EQ(asciiLower(path.substr(path.size() - 4)), ".exe");
    EXPECT_EQ(getLauncherPath(), getLauncherPath()) << "cached";
}

TEST(GetLauncherPath, UnrepresentableNameGivesShortPath)
{
    TempDir dir;
    // Hangul: neither code page 1252 nor 932 has it.
    const std::wstring name = L"\xD55C\xAE00 launcher.exe";
    wchar_t shortName[MAX_PATH];
    std::string got = launcherPathAs(dir, name);
    ASSERT_NE(GetShortPathNameW((dir.path() + L"\\" + name).c_str(), shortName, MAX_PATH), 0u);
    std::string expected = narrowFromWide(shortName);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got.find('?'), std::string::npos);
    EXPECT_EQ(asciiLower(got.substr(got.size() - 4)), ".exe");
    HANDLE h = CreateFileA(got.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "the launcher path must open the launcher";
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
}

TEST(GetLauncherPath, NameWithoutExeGivesShortNarrowName)
{
    TempDir dir;
    std::string got = launcherPathAs(dir, L"long launcher name.program");
    char shortName[MAX_PATH];
    ASSERT_NE(GetShortPathNameA((dir.narrow() + "\\long launcher name.program").c_str(), shortName, MAX_PATH), 0u);
    EXPECT_EQ(got, shortName);
    EXPECT_NE(got, dir.narrow() + "\\long launcher name.program");
}

TEST(Cp1252Paths, LauncherNameWithAccentStaysLong)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    TempDir dir;
    const std::wstring name = L"caf\x00E9 launcher.exe";
    EXPECT_EQ(launcherPathAs(dir, name), narrowFromWide(dir.path() + L"\\" + name));
}

int main(int argc, char** argv)
{
    // The child mode of launcherPathAs.
    if (argc == 3 && std::strcmp(argv[1], "--print-launcher-path") == 0)
        return launcherPathMode(argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
