#pragma once

#include "app_common/Ui.h"

namespace pelorin {

// A program's Ui seam (`Base`) whose message boxes and questions go to
// another Ui: the tool's terminal, or a test's recording fake. The program's
// own dialogs stay with the class that derives from it.
template <class Base>
class ForwardingUi : public Base {
public:
    explicit ForwardingUi(Ui& target) : target_(target) {}

    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        target_.ShowMessage(text, caption, icon);
    }
    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        return target_.AskYesNo(text, caption, icon);
    }
    bool AskYesNoDefaultNo(const std::string& text, const std::optional<std::string>& caption,
                           MessageIcon icon) override {
        return target_.AskYesNoDefaultNo(text, caption, icon);
    }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& text, const std::optional<std::string>& caption,
                                         MessageIcon icon) override {
        return target_.AskAbortRetryIgnore(text, caption, icon);
    }

private:
    Ui& target_;
};

}  // namespace pelorin
