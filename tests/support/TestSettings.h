#pragma once

#include <cstdlib>
#include <random>
#include <string>

#include "platform/Settings.h"
#include "support/TempFolder.h"

namespace pelorin::test {

// A settings store of the test's own: a fresh key below the maker's key, and
// on Linux a private config folder, so that no test sees another's values
// or the user's.
class TestSettings {
public:
    TestSettings() : store_(UniqueKey()) {}
    platform::SettingsStore& store() { return store_; }

private:
    std::string UniqueKey() {
#if !defined(_WIN32)
        setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
#endif
        std::random_device random;
        return "Software\\Tarn6 Software\\PelorinTest" + std::to_string(random());
    }
    TempFolder config_;
    platform::SettingsStore store_;
};

}  // namespace pelorin::test
