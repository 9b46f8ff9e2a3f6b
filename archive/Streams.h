#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cipher/SecureBuffer.h"
#include "platform/File.h"

namespace pelorin::archive {

// Where the engines read from: an open file, or memory in tests, fuzzing and
// benchmarks.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills as much of `buffer` as the source holds; returns the count, which
    // is smaller only at the end of the source or on a read error.
    virtual std::size_t Read(std::span<std::uint8_t> buffer) = 0;
    // Bytes from the current position to the end; 0 when unknown.
    virtual std::uint64_t Remaining() = 0;
    // The whole length; 0 when unknown.
    virtual std::uint64_t Length() = 0;
    virtual bool AtEnd() = 0;
    virtual bool Failed() const = 0;
};

// Where the engines write to.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // False when not all bytes could be written (a full volume, an error).
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
};

// How an archive (or import input) is opened for reading: shared, so that
// one that another program of the suite is still writing is refused rather
// than read half-written, and never through a link.
platform::OpenOptions ArchiveReading();

class FileSource final : public ByteSource {
public:
    // With `readAhead`, small reads are served from a buffer of that many
    // bytes filled in one call, so an archive's many small header pieces
    // cost one system call per buffer, not several per entry. Large reads
    // still go straight to the caller's buffer. The source then assumes it
    // is the file's only reader and that the file does not change length
    // (archives are read under a shared lock that keeps the suite's writers
    // out).
    explicit FileSource(platform::File& file, std::size_t readAhead = 0);
    std::size_t Read(std::span<std::uint8_t> buffer) override;
    std::uint64_t Remaining() override;
    std::uint64_t Length() override;
    bool AtEnd() override;
    bool Failed() const override { return failed_; }

private:
    std::size_t ReadFile(std::span<std::uint8_t> buffer);

    platform::File& file_;
    bool failed_ = false;
    SecureBuffer ahead_;
    std::size_t aheadBegin_ = 0;
    std::size_t aheadEnd_ = 0;
    std::int64_t position_ = 0;  // of the next byte handed out, with read-ahead
    std::int64_t length_ = -1;   // taken once, with read-ahead
};

// The read-ahead of an archive's source.
inline constexpr std::size_t kArchiveReadAhead = 64 * 1024;

class FileSink final : public ByteSink {
public:
    explicit FileSink(platform::File& file) : file_(file) {}
    bool Write(std::span<const std::uint8_t> bytes) override;
    platform::FileError lastError() const { return file_.lastError(); }
    // The system's words for the first failed write (writes may run on
    // another thread, so the text is kept here rather than per thread).
    const std::string& failureText() const { return failureText_; }

private:
    platform::File& file_;
    std::string failureText_;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t Read(std::span<std::uint8_t> buffer) override;
    std::uint64_t Remaining() override { return bytes_.size() - position_; }
    std::uint64_t Length() override { return bytes_.size(); }
    bool AtEnd() override { return position_ >= bytes_.size(); }
    bool Failed() const override { return false; }
    std::size_t position() const { return position_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

class MemorySink final : public ByteSink {
public:
    // A sink that accepts at most `capacity` bytes, like a volume that fills.
    explicit MemorySink(std::size_t capacity = SIZE_MAX) : capacity_(capacity) {}
    bool Write(std::span<const std::uint8_t> bytes) override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t capacity_;
};

// Counts and discards, for benchmarks.
class CountingSink final : public ByteSink {
public:
    bool Write(std::span<const std::uint8_t> bytes) override {
        count_ += bytes.size();
        return true;
    }
    std::uint64_t count() const { return count_; }

private:
    std::uint64_t count_ = 0;
};

}  // namespace pelorin::archive
