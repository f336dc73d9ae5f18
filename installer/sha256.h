// SHA-256 of a stream, through the system's own cryptography library: a
// downloaded runtime archive is checked against the digest the vendor configured.
#pragma once
#include <cstdint>
#include <memory>

constexpr size_t kSha256HexSize = 64;

// True when text is exactly 64 hexadecimal digits (either case).
bool isSha256Hex(const char* text);

class Sha256 {
public:
    Sha256();  // check ok(): the library may be missing
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool ok() const;
    bool update(const void* data, uint32_t size);
    // The digest as 64 lower-case hexadecimal digits and a NUL.
    bool finish(char (&hex)[kSha256HexSize + 1]);

private:
    struct State;
    std::unique_ptr<State> state_;
};
