#include "platform/ReadOnlyFileStream.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {} // namespace

ReadOnlyFileStream::ReadOnlyFileStream(const QByteArray &name) : m_name(name) {
    const int fd = ::open(m_name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = long(info.st_size);
    // ID3v2 and ASF headers without pictures fit in the head; ID3v1, APE and Lyrics3 in the tail.
    m_tailStart = std::max(0L, m_size - kWindowBytes);
}

ReadOnlyFileStream::~ReadOnlyFileStream() {
    if (m_fd >= 0)
        ::close(m_fd);
}

TagLib::ByteVector ReadOnlyFileStream::readBlock(unsigned long length) {
    const long count =
        long(std::min<unsigned long>(length, static_cast<unsigned long>(std::max(0L, m_size))));
    TagLib::ByteVector block = read(m_position, count);
    m_position += long(block.size());
    return block;
}

void ReadOnlyFileStream::seek(long offset, Position from) {
    switch (from) {
    case Beginning:
        m_position = offset;
        break;
    case Current:
        m_position += offset;
        break;
    case End:
        m_position = m_size + offset;
        break;
    }
    m_position = std::max(0L, m_position);
}

long ReadOnlyFileStream::fill(char *to, long start, long count) const {
    long done = 0;
    while (done < count) {
        const ssize_t got = ::pread(m_fd, to + done, size_t(count - done), start + done);
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

TagLib::ByteVector ReadOnlyFileStream::read(long start, long count) {
    if (m_fd < 0 || start >= m_size || count <= 0)
        return {};
    count = std::min(count, m_size - start);
    if (start + count <= kWindowBytes) {
        if (m_headSize < 0)
            m_headSize = fill(m_head.data(), 0, std::min(kWindowBytes, m_size));
        if (start + count <= m_headSize)
            return TagLib::ByteVector(m_head.data() + start, unsigned(count));
    } else if (start >= m_tailStart) {
        if (m_tailSize < 0)
            m_tailSize = fill(m_tail.data(), m_tailStart, m_size - m_tailStart);
        if (start - m_tailStart + count <= m_tailSize)
            return TagLib::ByteVector(m_tail.data() + (start - m_tailStart), unsigned(count));
    }
    TagLib::ByteVector direct(unsigned(count), '\0');
    direct.resize(unsigned(fill(direct.data(), start, count)));
    return direct;
}
