// A handle of the operating system that closes itself: move-only, closed when it
// goes out of scope or is reset, handed over with release(). Traits name the
// raw type, its "no handle" value and how to close one.
#pragma once
#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Raw = typename Traits::Raw;

    UniqueHandle() = default;
    explicit UniqueHandle(Raw raw) : raw_(raw) {}
    UniqueHandle(UniqueHandle&& other) noexcept : raw_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    bool isOpen() const { return raw_ != Traits::kNone; }
    explicit operator bool() const { return isOpen(); }
    Raw get() const { return raw_; }
    // Gives the handle up without closing it.
    Raw release() { return std::exchange(raw_, Traits::kNone); }
    // Closes the handle held (if any) and holds raw instead.
    void reset(Raw raw = Traits::kNone)
    {
        Raw old = std::exchange(raw_, raw);
        if (old != Traits::kNone)
            Traits::close(old);
    }

private:
    Raw raw_ = Traits::kNone;
};
