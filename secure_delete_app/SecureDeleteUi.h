#pragma once

#include <optional>

#include "app_common/Ui.h"

namespace pelorin::secure_delete {

// The answer to the confirmation: Yes or No, and the "Do not remind me
// again" box.
struct Confirmation {
    bool yes = false;
    bool doNotRemind = false;
};

// The program's own dialogs beside the message boxes.
class SecureDeleteUi : public Ui {
public:
    // The explanation when nothing was dropped.
    virtual void ShowNothingDropped() = 0;
    // The confirmation; nothing when it could not be shown at all.
    virtual std::optional<Confirmation> Confirm() = 0;
};

}  // namespace pelorin::secure_delete
