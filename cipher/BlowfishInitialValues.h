#pragma once

#include <cstdint>

namespace pelorin {

inline constexpr int kBlowfishPWords = 18;

extern const std::uint32_t kBlowfishInitialP[kBlowfishPWords];
extern const std::uint32_t kBlowfishInitialS[4][256];

}  // namespace pelorin
