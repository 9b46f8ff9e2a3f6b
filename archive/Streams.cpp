#include "archive/Streams.h"

#include <algorithm>

namespace pelorin::archive {

platform::OpenOptions ArchiveReading() {
    platform::OpenOptions options;
    options.read = true;
    options.sequential = true;
    options.noFollow = true;
    options.lock = platform::FileLock::Shared;
    return options;
}

std::size_t FileSource::Read(std::span<std::uint8_t> buffer) {
    const std::int64_t got = file_.Read(buffer.data(), buffer.size());
    if (got < 0) {
        failed_ = true;
        return 0;
    }
    return static_cast<std::size_t>(got);
}

std::uint64_t FileSource::Remaining() {
    const std::int64_t position = file_.Position();
    const std::int64_t length = file_.Length();
    if (position < 0 || length < 0 || position >= length) return 0;
    return static_cast<std::uint64_t>(length - position);
}

std::uint64_t FileSource::Length() {
    const std::int64_t length = file_.Length();
    return length < 0 ? 0 : static_cast<std::uint64_t>(length);
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
