#include "records/BufFileStream.h"

#include <algorithm>
#include <cstring>

EBufferOverflow::EBufferOverflow() : std::runtime_error("バッファの大きさを越えています。") {}

namespace {

platform::files::File::Mode fileMode(TBufFileStream::Mode mode)
{
    switch (mode) {
    case TBufFileStream::Mode::ReadWrite: return platform::files::File::Mode::ReadWrite;
    case TBufFileStream::Mode::Create: return platform::files::File::Mode::Create;
    case TBufFileStream::Mode::Read: break;
    }
    return platform::files::File::Mode::Read;
}

} // namespace

TBufFileStream::TBufFileStream(const std::string& fileName, std::uint8_t bufferKB, Mode mode)
    : m_file(fileName, fileMode(mode)), m_buffer(std::size_t(bufferKB) * 1024)
{
}

// Reads into the buffer at index `at`; the file position always follows the buffer's end.
std::int64_t TBufFileStream::fill(std::int64_t at, std::int64_t count)
{
    return std::int64_t(m_file.read(m_buffer.data() + at, std::size_t(count)));
}

std::int64_t TBufFileStream::Read(char* buffer, std::int64_t count)
{
    const auto size = std::int64_t(m_buffer.size());
    if (count > size)
        throw EBufferOverflow();
    if (count <= 0)
        return 0;
    if (m_bufferValid == 0) {
        m_bufferPos = 0;
        m_bufferValid = fill(0, size);
        if (m_bufferValid == 0)
            return 0;
    }
    std::int64_t unread = m_bufferValid - m_bufferPos;
    if (unread < count) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_bufferPos, std::size_t(unread));
        m_bufferPos = 0;
        m_bufferValid = unread + fill(unread, size - unread);
        unread = m_bufferValid;
    }
    const std::int64_t n = std::min(count, unread);
    std::memcpy(buffer, m_buffer.data() + m_bufferPos, std::size_t(n));
    m_bufferPos += n;
    m_position += n;
    return n;
}

std::int64_t TBufFileStream::Write(const char* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    m_file.seek(m_position, 0);
    m_bufferPos = m_bufferValid = 0;
    m_file.write(buffer, std::size_t(count));
    m_position += count;
    return count;
}

std::int64_t TBufFileStream::Seek(std::int64_t offset, int origin)
{
    if (origin == 1) {
        offset += m_position;
        origin = 0;
    }
    m_position = m_file.seek(offset, origin);
    m_bufferPos = m_bufferValid = 0;
    return m_position;
}
