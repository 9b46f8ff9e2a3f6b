#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/File.h"

namespace pelorin::wipe {

// What a deleting wipe overwrites of a file `length` bytes long: where it
// holds data on the volume, each stretch widened to whole clusters (the last
// to the cluster-rounded length, so that the slack behind the end is
// overwritten too). A sparse file's holes hold nothing and are passed over:
// writing them would claim their space, and a sparse file larger than the
// free space would fill the volume and fail. Nothing when the file cannot
// be queried.
std::optional<std::vector<platform::FileRange>> DataToOverwrite(platform::File& file, std::uint64_t length,
                                                                std::uint64_t cluster);

}  // namespace pelorin::wipe
