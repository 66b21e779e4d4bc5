// SPDX-License-Identifier: MIT
#pragma once

#include <unistd.h>

// An open descriptor, closed when it goes; -1 holds nothing.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor = -1) : m_descriptor(descriptor) {}
    ~FileDescriptor() { reset(-1); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    void reset(int descriptor)
    {
        if (m_descriptor >= 0)
            close(m_descriptor);
        m_descriptor = descriptor;
    }
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};
