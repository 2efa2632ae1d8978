#pragma once

#include <optional>
#include <streambuf>
#include <string>
#include <vector>

namespace tonalyx::cli {

// A stream buffer that writes to a file descriptor (standard output) and remembers the first
// failure, so that a full disk, a closed pipe or a closed descriptor is reported with the
// system's reason instead of being lost. A descriptor that is not open at the start is taken
// by /dev/null, so that no file opened later lands on it, and reported as failed.
class DescriptorOutput : public std::streambuf {
public:
    explicit DescriptorOutput(int descriptor);
    ~DescriptorOutput() override;
    DescriptorOutput(const DescriptorOutput&) = delete;
    DescriptorOutput& operator=(const DescriptorOutput&) = delete;

    // Writes what is buffered and closes the descriptor. Returns the system's reason for the
    // first write, flush or close that failed, or none when everything reached it.
    std::optional<std::string> Close();

protected:
    int_type overflow(int_type character) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    bool Drain();
    bool WriteAll(const char* data, std::size_t size);

    int descriptor_;
    int error_ = 0;
    bool closed_ = false;
    std::vector<char> buffer_;
};

}  // namespace tonalyx::cli
