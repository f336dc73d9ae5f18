// The platform layer's defences with the real Windows calls: the extraction
// directory's access list and the DLL search that leaves the program's folder out.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <string>

#include "fs/platform.h"

namespace {
std::string programDirectory()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, n);
    return text.substr(0, text.rfind('\\'));
}
} // namespace

TEST(PrivateDirectory, OnlyTheUserAndSystemWithNothingInherited)
{
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    std::string dir = std::string(temp) + "kvell_private_" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(createPrivateDirectoryAt(dir.c_str()));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoA(dir.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                    nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    // Nothing inherited from the temporary folder: exactly the two entries.
    ASSERT_NE(dacl, nullptr);
    EXPECT_EQ(dacl->AceCount, 2);
    PSID system = nullptr;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system));
    bool hasSystem = false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        hasSystem = hasSystem || EqualSid(&ace->SidStart, system);
    }
    EXPECT_TRUE(hasSystem);
    FreeSid(system);
    LocalFree(descriptor);
    RemoveDirectoryA(dir.c_str());
}

TEST(DllSearch, TheProgramsFolderIsLeftOut)
{
    HMODULE before = LoadLibraryA("kvell_planted.dll");
    ASSERT_NE(before, nullptr) << "the planted DLL should be beside the test program";
    FreeLibrary(before);

    restrictDllSearch();
    EXPECT_EQ(LoadLibraryA("kvell_planted.dll"), nullptr);
    EXPECT_NE(LoadLibraryA("version.dll"), nullptr);  // System32 stays

    addDllSearchDirectory(programDirectory().c_str());
    HMODULE added = LoadLibraryA("kvell_planted.dll");
    EXPECT_NE(added, nullptr);
    FreeLibrary(added);
}
