// An 8-bit text of fixed capacity on the heap: the launcher's paths and
// configuration texts have limits users can observe (8192 bytes, 16384 for
// PATH values, 32768 for the class path), so a text is cut, never grown, with
// the same rules as the functions of text_buffer.h: nothing is written past the
// capacity, the text stays terminated, and every operation reports a cut.
#pragma once
#include <cstddef>
#include <memory>

#include "fs/text_buffer.h"

class BoundedText {
public:
    explicit BoundedText(size_t capacity = kTextBufferSize);
    BoundedText(const char* text, size_t capacity = kTextBufferSize);
    BoundedText(const BoundedText& other);
    BoundedText& operator=(const BoundedText& other);
    BoundedText(BoundedText&&) noexcept = default;
    BoundedText& operator=(BoundedText&&) noexcept = default;

    const char* c_str() const { return text_.get(); }
    // For calls that fill a buffer of capacity() bytes; they must terminate it.
    char* data() { return text_.get(); }
    size_t capacity() const { return capacity_; }
    size_t size() const;
    bool empty() const { return text_[0] == '\0'; }
    char& operator[](size_t index) { return text_[index]; }
    char operator[](size_t index) const { return text_[index]; }

    // Each returns false when the result had to be cut.
    bool assign(const char* text);
    bool append(const char* text);
    bool format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    ReplaceResult replaceFirst(const char* token, const char* replacement, bool cutToFit);
    void clear() { text_[0] = '\0'; }
    // Cuts the text to its first length bytes (nothing when it is shorter).
    void truncate(size_t length);

private:
    size_t capacity_;
    std::unique_ptr<char[]> text_;
};
