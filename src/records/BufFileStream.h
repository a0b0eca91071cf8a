#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// Raised when a read asks for more bytes than the stream's buffer holds.
class EBufferOverflow : public std::runtime_error {
public:
    EBufferOverflow();
};

// TBufFileStream: a file stream that reads through a buffer of its own, so that many small reads
// (the marker search reads 512 bytes at a time) cost few system calls. Positions are 64-bit:
// backups reach several gigabytes.
class TBufFileStream {
public:
    enum class Mode { Read, ReadWrite, Create };

    // Opens the file (Windows-form path; failures raise platform::files::FileError) with a buffer
    // of bufferKB x 1024 bytes.
    TBufFileStream(const std::string& fileName, std::uint8_t bufferKB, Mode mode);
    TBufFileStream(const TBufFileStream&) = delete;
    TBufFileStream& operator=(const TBufFileStream&) = delete;

    // Up to count bytes from the logical position; fewer only at the end of the file, 0 after it.
    // A count larger than the buffer raises EBufferOverflow.
    std::int64_t Read(char* buffer, std::int64_t count);
    // Writes at the logical position, straight to the file; the buffer is dropped.
    std::int64_t Write(const char* buffer, std::int64_t count);
    // Origin 0 from the start, 1 from the logical position, 2 from the end. Empties the buffer.
    std::int64_t Seek(std::int64_t offset, int origin);
    std::int64_t Position() const { return m_position; }
    std::int64_t Size() const { return m_file.size(); }

private:
    std::int64_t fill(std::int64_t at, std::int64_t count);

    platform::files::File m_file;
    std::vector<char> m_buffer;
    std::int64_t m_bufferPos = 0;   // next unread byte in the buffer
    std::int64_t m_bufferValid = 0; // valid bytes in the buffer
    std::int64_t m_position = 0;    // file offset of the next byte the caller gets
};
