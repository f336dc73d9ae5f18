// One 512-byte ustar header of a runtime archive: the fields the launcher reads,
// and which entry names it may create below its target directory. kvellpack
// checks the archives it packs by these same rules.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t kTarBlockSize = 512;
constexpr size_t kTarNameSize = 100;
constexpr char kTarRegularFile = '0';
constexpr char kTarDirectory = '5';
// Where the fields read here sit in the header.
constexpr size_t kTarSizeOffset = 124;
constexpr size_t kTarSizeLength = 12;
constexpr size_t kTarTypeOffset = 156;
constexpr size_t kTarMagicOffset = 257;

// "ustar" at offset 257, POSIX ("ustar\0") and GNU ("ustar ") alike. The zero
// blocks that end an archive have none.
bool hasUstarMagic(const unsigned char* header);
char tarTypeFlag(const unsigned char* header);
// The size field: octal digits after leading '0's and blanks, ended by a NUL,
// a blank or the field's end; or GNU base-256 (first byte 0x80). False for any
// other character, a negative size or one past INT32_MAX.
bool parseTarSize(const unsigned char* header, int32_t* size);

enum class TarNameFault {
    None,
    NoEnd,             // 100 bytes without a NUL
    Empty,
    Absolute,          // leading "/" or "\"
    DriveOrStream,     // ":" anywhere: "c:x", "a:stream"
    EmptyComponent,    // "a//b", a regular file "a/"
    DotComponent,      // "." or ".."
    NotWindowsName,    // "\" inside, a trailing dot or blank, a device name
};

// The name field as a path below the target: '/' becomes separator, the one
// trailing '/' of a directory goes. out holds kTarNameSize + 1 bytes and is
// only meaningful when the result is None. The ustar prefix field is not used.
TarNameFault tarEntryName(const unsigned char* header, bool directory, char separator, char* out);
const char* tarNameFaultText(TarNameFault fault);
