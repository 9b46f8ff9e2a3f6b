#include "app_common/TransferRate.h"

#include <cmath>
#include <cstdio>

namespace pelorin {

void TransferRate::Record(double seconds, std::uint64_t bytes) {
    if (seconds <= 0 || bytes < lastBytes_) return;
    if (seconds <= kAveragingSeconds || rate_ == 0) {
        rate_ = static_cast<double>(bytes) / seconds;
    } else {
        const double interval = seconds - lastSeconds_;
        if (interval <= 0) return;
        const double recent = static_cast<double>(bytes - lastBytes_) / interval;
        rate_ += (1 - std::exp(-interval / kTimeConstantSeconds)) * (recent - rate_);
    }
    lastSeconds_ = seconds;
    lastBytes_ = bytes;
}

std::optional<double> TransferRate::SecondsLeft(std::uint64_t remaining) const {
    if (rate_ <= 0) return std::nullopt;
    return static_cast<double>(remaining) / rate_;
}

std::string ByteCountText(std::uint64_t bytes) {
    static const char* const kUnits[] = {"B", "kB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 999.5 && unit + 1 < std::size(kUnits)) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    } else {
        std::snprintf(text, sizeof text, value < 9.995 ? "%.2f %s" : value < 99.95 ? "%.1f %s" : "%.0f %s", value,
                      kUnits[unit]);
    }
    return text;
}

namespace {

std::string RateText(double bytesPerSecond) {
    return ByteCountText(static_cast<std::uint64_t>(bytesPerSecond)) + "/s";
}

std::string DurationText(double seconds) {
    const auto whole = static_cast<long long>(std::llround(seconds));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    }
    return text;
}

}  // namespace

std::string TransferText(std::uint64_t done, std::uint64_t total, const TransferRate& rate) {
    std::string text = ByteCountText(done);
    if (total > 0) text += " of " + ByteCountText(total);
    if (rate.bytesPerSecond() > 0) {
        text += ", " + RateText(rate.bytesPerSecond());
        if (total > done) {
            if (const auto left = rate.SecondsLeft(total - done)) text += ", " + DurationText(*left) + " left";
        }
    }
    return text;
}

std::string TransferSummary(std::uint64_t files, std::uint64_t bytes, double seconds) {
    char tail[64];
    std::snprintf(tail, sizeof tail, " in %.2f s", seconds);
    std::string text = std::to_string(files) + (files == 1 ? " file, " : " files, ") + ByteCountText(bytes) + tail;
    if (seconds > 0) text += " (" + RateText(static_cast<double>(bytes) / seconds) + ")";
    return text;
}

}  // namespace pelorin
