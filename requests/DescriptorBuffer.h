#pragma once

#include <cstddef>
#include <streambuf>
#include <vector>

namespace tonalyx::requests {

// A stream buffer that writes to a file descriptor through a buffer of its own and remembers
// the first failed write, so that a full disk, a closed pipe or a closed descriptor is reported
// with the system's reason instead of being lost. Interrupted and partial writes go on; after a
// failure nothing more is written.
class DescriptorBuffer : public std::streambuf {
public:
    DescriptorBuffer(const DescriptorBuffer&) = delete;
    DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

protected:
    DescriptorBuffer() = default;

    // Writes go to descriptor from now on, with no failure and no byte written so far.
    void Attach(int descriptor);
    // Writes what is buffered; false once a write has failed, or when there are bytes to write
    // and no descriptor (EBADF). Nothing to write is no failure.
    bool Drain();

    int_type overflow(int_type character) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

    int descriptor_ = -1;
    int error_ = 0;            // errno of the first failure; 0 while there is none
    std::size_t written_ = 0;  // bytes that reached the descriptor

private:
    std::vector<char> buffer_;
};

// Makes the writes of every DescriptorBuffer fail with the errno value given once that many
// bytes have been written to its descriptor, for as long as it lives: a full disk or a failing
// device, for the tests.
class ScopedWriteFault {
public:
    ScopedWriteFault(int error, std::size_t bytesBeforeFailure);
    ~ScopedWriteFault();
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
};

}  // namespace tonalyx::requests
