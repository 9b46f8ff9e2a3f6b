#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pelorin {

// The speed of a long job, for a progress line: the average over the first
// second, then an exponentially weighted rate (a time constant of a few
// seconds), so that the time left neither freezes on a stall nor jumps with
// every small file.
class TransferRate {
public:
    // `bytes` were done `seconds` after the job began (both never decrease).
    void Record(double seconds, std::uint64_t bytes);
    // Bytes per second; 0 while unknown.
    double bytesPerSecond() const { return rate_; }
    // Seconds needed for `remaining` more bytes; nothing while the rate is unknown.
    std::optional<double> SecondsLeft(std::uint64_t remaining) const;

    static constexpr double kAveragingSeconds = 1.0;
    static constexpr double kTimeConstantSeconds = 3.0;

private:
    double lastSeconds_ = 0;
    std::uint64_t lastBytes_ = 0;
    double rate_ = 0;
};

// "999 B", "12.3 kB", "256 MB", "1.07 GB": decimal units, three digits.
std::string ByteCountText(std::uint64_t bytes);

// "12.3 MB of 256 MB, 180 MB/s, 0:02 left" (the parts that are known).
std::string TransferText(std::uint64_t done, std::uint64_t total, const TransferRate& rate);

// "10000 files, 10.2 MB in 0.65 s (15.7 MB/s)".
std::string TransferSummary(std::uint64_t files, std::uint64_t bytes, double seconds);

}  // namespace pelorin
