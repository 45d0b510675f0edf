#pragma once

#include <QByteArray>
#include <array>
#include <taglib/tiostream.h>

// A file for TagLib to read tags from, with as few system calls as possible: TagLib's own
// FileStream opens files for writing first and seeks, stats and re-reads the same blocks many
// times per file, which dominates a folder scan of tens of thousands of files. Here the file
// is opened read-only and non-blocking (a FIFO never blocks), refused unless it is a regular
// file, and its first and last few kilobytes, where tags live, are read once each, into the
// object itself: a folder scan makes one stream per file, best on the stack.
class ReadOnlyFileStream : public TagLib::IOStream {
public:
    explicit ReadOnlyFileStream(const QByteArray &name);
    ~ReadOnlyFileStream() override;

    TagLib::FileName name() const override { return m_name.constData(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector &) override {}
    void insert(const TagLib::ByteVector &, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return m_fd >= 0; }
    void seek(long offset, Position from = Beginning) override;
    long tell() const override { return m_position; }
    long length() override { return m_size; }
    void truncate(long) override {}

private:
    static constexpr long kWindowBytes = 4 * 1024;
    using Window = std::array<char, kWindowBytes>;

    // Bytes [start, start + count) of the file, from the cached windows where possible.
    TagLib::ByteVector read(long start, long count);
    // Reads up to `count` bytes at `start` into `to`; how many it got.
    long fill(char *to, long start, long count) const;

    QByteArray m_name;
    int m_fd = -1;
    long m_size = 0;
    long m_position = 0;
    Window m_head;
    long m_headSize = -1; // -1: not read yet
    Window m_tail;
    long m_tailStart = 0;
    long m_tailSize = -1;
};
