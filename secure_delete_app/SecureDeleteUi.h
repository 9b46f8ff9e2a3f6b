#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app_common/Ui.h"

namespace pelorin::secure_delete {

// The answer to the confirmation: Yes or No, and the "Do not remind me
// again" box.
struct Confirmation {
    bool yes = false;
    bool doNotRemind = false;
};

// What was dropped, as the confirmation names it: how many files and
// folders, and the first names as they were given.
struct DroppedSummary {
    std::size_t files = 0;
    std::size_t folders = 0;
    std::size_t missing = 0;  // names that do not exist
    std::vector<std::string> firstNames;
    std::size_t moreNames = 0;
};

// The program's own dialogs beside the message boxes.
class SecureDeleteUi : public Ui {
public:
    // The explanation when nothing was dropped.
    virtual void ShowNothingDropped() = 0;
    // The confirmation, naming what was dropped; nothing when it could not
    // be shown at all.
    virtual std::optional<Confirmation> Confirm(const DroppedSummary& dropped) = 0;
};

}  // namespace pelorin::secure_delete
