#pragma once

#include <unistd.h>

#include <utility>

namespace vorenta::snmp {

/// Owns one descriptor (a socket, an epoll or event descriptor); closes it on every way out.
class UniqueDescriptor {
public:
    UniqueDescriptor() = default;
    explicit UniqueDescriptor(int descriptor) : m_descriptor(descriptor) {}
    ~UniqueDescriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    UniqueDescriptor(UniqueDescriptor&& other) noexcept : m_descriptor(other.m_descriptor)
    {
        other.m_descriptor = -1;
    }
    UniqueDescriptor& operator=(UniqueDescriptor&& other) noexcept
    {
        std::swap(m_descriptor, other.m_descriptor);
        return *this;
    }
    UniqueDescriptor(const UniqueDescriptor&) = delete;
    UniqueDescriptor& operator=(const UniqueDescriptor&) = delete;

    bool valid() const { return m_descriptor >= 0; }
    int get() const { return m_descriptor; }

private:
    int m_descriptor = -1;
};

} // namespace vorenta::snmp
