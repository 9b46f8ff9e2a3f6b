#include "archive/Streams.h"

#include <algorithm>

#include "cipher/Scramble.h"

namespace pelorin::archive {

platform::OpenOptions ArchiveReading() {
    platform::OpenOptions options;
    options.read = true;
    options.sequential = true;
    options.noFollow = true;
    options.lock = platform::FileLock::Shared;
    return options;
}

FileSource::FileSource(platform::File& file, std::size_t readAhead)
    : file_(file), ahead_(readAhead, kDataScrubPasses) {
    if (readAhead > 0) {
        position_ = file_.Position();
        length_ = file_.Length();
    }
}

std::size_t FileSource::ReadFile(std::span<std::uint8_t> buffer) {
    if (failed_) return 0;
    const std::int64_t got = file_.Read(buffer.data(), buffer.size());
    if (got < 0) {
        failed_ = true;
        return 0;
    }
    return static_cast<std::size_t>(got);
}

std::size_t FileSource::Read(std::span<std::uint8_t> buffer) {
    if (ahead_.empty()) return ReadFile(buffer);
    std::size_t done = 0;
    while (done < buffer.size()) {
        if (aheadBegin_ == aheadEnd_) {
            const auto rest = buffer.subspan(done);
            if (rest.size() >= ahead_.size()) {
                const std::size_t got = ReadFile(rest);
                done += got;
                if (got < rest.size()) break;
                continue;
            }
            aheadBegin_ = 0;
            aheadEnd_ = ReadFile(ahead_.bytes());
            if (aheadEnd_ == 0) break;
        }
        const std::size_t count = std::min(buffer.size() - done, aheadEnd_ - aheadBegin_);
        std::copy_n(ahead_.data() + aheadBegin_, count, buffer.data() + done);
        aheadBegin_ += count;
        done += count;
    }
    position_ += static_cast<std::int64_t>(done);
    return done;
}

std::uint64_t FileSource::Remaining() {
    const std::int64_t position = ahead_.empty() ? file_.Position() : position_;
    const std::int64_t length = ahead_.empty() ? file_.Length() : length_;
    if (position < 0 || length < 0 || position >= length) return 0;
    return static_cast<std::uint64_t>(length - position);
}

std::uint64_t FileSource::Length() {
    const std::int64_t length = ahead_.empty() ? file_.Length() : length_;
    return length < 0 ? 0 : static_cast<std::uint64_t>(length);
}

bool FileSource::AtEnd() {
    if (ahead_.empty()) return file_.AtEnd();
    return position_ < 0 || length_ < 0 || position_ >= length_;
}

bool FileSink::Write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return true;
    if (file_.Write(bytes.data(), bytes.size()) == static_cast<std::int64_t>(bytes.size())) return true;
    if (failureText_.empty()) failureText_ = platform::LastFailureText();
    return false;
}

std::size_t MemorySource::Read(std::span<std::uint8_t> buffer) {
    const std::size_t count = std::min(buffer.size(), bytes_.size() - position_);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), count, buffer.begin());
    position_ += count;
    return count;
}

bool MemorySink::Write(std::span<const std::uint8_t> bytes) {
    const std::size_t room = capacity_ - std::min(capacity_, bytes_.size());
    const std::size_t count = std::min(room, bytes.size());
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
    return count == bytes.size();
}

}  // namespace pelorin::archive
