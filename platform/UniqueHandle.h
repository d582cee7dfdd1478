#pragma once

#include <utility>

namespace platform {

// A handle that is closed by Close when its owner goes away; moved, never copied.
template <typename Handle, Handle Invalid, void (*Close)(Handle)> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle)
        : m_handle(handle)
    {
    }
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, Invalid))
    {
    }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        reset(std::exchange(other.m_handle, Invalid));
        return *this;
    }
    ~UniqueHandle()
    {
        reset();
    }

    Handle get() const
    {
        return m_handle;
    }
    explicit operator bool() const
    {
        return m_handle != Invalid;
    }
    void reset(Handle handle = Invalid)
    {
        if (m_handle != Invalid)
            Close(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = Invalid;
};

} // namespace platform
