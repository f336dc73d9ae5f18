#include "installer/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <cctype>
#include <cstring>

#include "fs/platform.h"

namespace {
using OpenProvider = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
using CloseProvider = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
using CreateHash = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
using HashData = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using FinishHash = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using DestroyHash = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);

constexpr ULONG kDigestSize = 32;

template <typename F>
bool resolve(const LibraryHandle& library, const char* name, F* function)
{
    *function = reinterpret_cast<F>(librarySymbol(library, name));
    return *function != nullptr;
}
} // namespace

bool isSha256Hex(const char* text)
{
    size_t length = std::strlen(text);
    for (size_t i = 0; i < length; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return length == kSha256HexSize;
}

struct Sha256::State {
    LibraryHandle library;  // bcrypt.dll from the system directory only
    CloseProvider closeProvider = nullptr;
    HashData hashData = nullptr;
    FinishHash finishHash = nullptr;
    DestroyHash destroyHash = nullptr;
    BCRYPT_ALG_HANDLE provider = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
};

Sha256::Sha256() : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.library = loadSystemLibrary("bcrypt.dll");
    OpenProvider openProvider = nullptr;
    CreateHash createHash = nullptr;
    if (!s.library || !resolve(s.library, "BCryptOpenAlgorithmProvider", &openProvider) ||
        !resolve(s.library, "BCryptCloseAlgorithmProvider", &s.closeProvider) ||
        !resolve(s.library, "BCryptCreateHash", &createHash) || !resolve(s.library, "BCryptHashData", &s.hashData) ||
        !resolve(s.library, "BCryptFinishHash", &s.finishHash) ||
        !resolve(s.library, "BCryptDestroyHash", &s.destroyHash))
        return;
    if (!BCRYPT_SUCCESS(openProvider(&s.provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        s.provider = nullptr;
        return;
    }
    // No object buffer: the provider keeps the hash state itself (Windows 7 on).
    if (!BCRYPT_SUCCESS(createHash(s.provider, &s.hash, nullptr, 0, nullptr, 0, 0)))
        s.hash = nullptr;
}

Sha256::~Sha256()
{
    State& s = *state_;
    if (s.hash != nullptr)
        s.destroyHash(s.hash);
    if (s.provider != nullptr)
        s.closeProvider(s.provider, 0);
}

bool Sha256::ok() const
{
    return state_->hash != nullptr;
}

bool Sha256::update(const void* data, uint32_t size)
{
    State& s = *state_;
    return s.hash != nullptr &&
           BCRYPT_SUCCESS(s.hashData(s.hash, static_cast<PUCHAR>(const_cast<void*>(data)), size, 0));
}

bool Sha256::finish(char (&hex)[kSha256HexSize + 1])
{
    State& s = *state_;
    unsigned char digest[kDigestSize];
    hex[0] = '\0';
    if (s.hash == nullptr || !BCRYPT_SUCCESS(s.finishHash(s.hash, digest, kDigestSize, 0)))
        return false;
    static const char kDigits[] = "0123456789abcdef";
    for (ULONG i = 0; i < kDigestSize; ++i) {
        hex[2 * i] = kDigits[digest[i] >> 4];
        hex[2 * i + 1] = kDigits[digest[i] & 15];
    }
    hex[kSha256HexSize] = '\0';
    return true;
}
