#include "fs/bounded_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

BoundedText::BoundedText(size_t capacity)
    : capacity_(capacity > 0 ? capacity : 1), text_(std::make_unique<char[]>(capacity_))
{
    text_[0] = '\0';
}

BoundedText::BoundedText(const char* text, size_t capacity) : BoundedText(capacity)
{
    assign(text);
}

BoundedText::BoundedText(const BoundedText& other) : BoundedText(other.capacity_)
{
    std::memcpy(text_.get(), other.text_.get(), other.size() + 1);
}

BoundedText& BoundedText::operator=(const BoundedText& other)
{
    if (this != &other)
        assign(other.c_str());
    return *this;
}

size_t BoundedText::size() const
{
    return std::strlen(text_.get());
}

bool BoundedText::assign(const char* text)
{
    return copyBounded(text_.get(), capacity_, text);
}

bool BoundedText::append(const char* text)
{
    return appendBounded(text_.get(), capacity_, text);
}

bool BoundedText::format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text_.get(), capacity_, format, args);
    va_end(args);
    if (n < 0) {
        text_[0] = '\0';
        return false;
    }
    return static_cast<size_t>(n) < capacity_;
}

ReplaceResult BoundedText::replaceFirst(const char* token, const char* replacement, bool cutToFit)
{
    return ::replaceFirst(text_.get(), capacity_, token, replacement, cutToFit);
}

void BoundedText::truncate(size_t length)
{
    if (length < capacity_ && length < size())
        text_[length] = '\0';
}
