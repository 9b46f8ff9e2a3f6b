#pragma once

#include <optional>
#include <string>

namespace pelorin {

enum class MessageIcon { Exclamation, Warning, Information, Error };

enum class AbortRetryIgnore { Abort, Retry, Ignore };

// How the engines and job drivers talk to the user: message boxes and
// questions. A Windows front end shows real boxes, the command-line tool
// writes to stderr and asks on the terminal, tests answer from a script.
// A missing caption means the application's title.
class Ui {
public:
    virtual ~Ui() = default;

    virtual void ShowMessage(const std::string& text, const std::optional<std::string>& caption,
                             MessageIcon icon) = 0;

    // True for Yes.
    virtual bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) = 0;

    // The same question with No as the answer that Enter gives: asked before
    // data is lost, so that a hasty key press keeps it.
    virtual bool AskYesNoDefaultNo(const std::string& text, const std::optional<std::string>& caption,
                                   MessageIcon icon) {
        return AskYesNo(text, caption, icon);
    }

    virtual AbortRetryIgnore AskAbortRetryIgnore(const std::string& text, const std::optional<std::string>& caption,
                                                 MessageIcon icon) = 0;
};

}  // namespace pelorin
