// Bounded operations on the fixed text buffers (8192 bytes for paths and texts).
// None of them writes past the capacity; all keep the result zero-terminated.
#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include "fs/wide.h"

constexpr size_t kTextBufferSize = 8192;      // paths, configuration texts, messages
constexpr size_t kPathListBufferSize = 16384; // PATH values
constexpr size_t kClassPathBufferSize = 32768;

// Copies src into dst (capacity cap). Returns false when src had to be cut.
bool copyBounded(char* dst, size_t cap, const char* src);
bool copyBoundedWide(WideChar* dst, size_t cap, const WideChar* src);

// Appends src to the zero-terminated dst. Returns false when src had to be cut.
bool appendBounded(char* dst, size_t cap, const char* src);

// printf into dst; returns false when the result had to be cut.
bool formatBounded(char* dst, size_t cap, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

enum class ReplaceResult { Replaced, Cut, NotFound, TooLong };

// Replaces the first occurrence of token in text (capacity cap) by replacement.
// When the result would not fit, cutToFit shortens the replacement (Cut); otherwise
// the text is left as it was (TooLong).
ReplaceResult replaceFirst(char* text, size_t cap, const char* token, const char* replacement,
                           bool cutToFit);

size_t wideLength(const WideChar* text);

// The pieces of a ";"-separated list (or another separator); empty pieces
// (runs of the separator) are skipped.
std::vector<std::string> splitList(const char* text, char separator = ';');
