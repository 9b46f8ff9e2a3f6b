#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"

namespace pelorin::test {

// Records every message and answers Yes/No questions from a script (Yes
// when the script runs out), Abort/Retry/Ignore ones from another.
class FakeUi : public Ui {
public:
    struct Shown {
        std::string text;
        std::optional<std::string> caption;
        MessageIcon icon;
        bool question;
        bool defaultNo = false;  // asked with No as the answer Enter gives
    };

    void ShowMessage(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        shown.push_back({text, caption, icon, false});
    }

    bool AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) override {
        shown.push_back({text, caption, icon, true});
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    bool AskYesNoDefaultNo(const std::string& text, const std::optional<std::string>& caption,
                           MessageIcon icon) override {
        const bool answer = AskYesNo(text, caption, icon);
        shown.back().defaultNo = true;
        return answer;
    }

    AbortRetryIgnore AskAbortRetryIgnore(const std::string& text, const std::optional<std::string>& caption,
                                         MessageIcon icon) override {
        shown.push_back({text, caption, icon, true});
        if (choices.empty()) return AbortRetryIgnore::Abort;
        const AbortRetryIgnore choice = choices.front();
        choices.pop_front();
        return choice;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& s : shown) texts.push_back(s.text);
        return texts;
    }

    std::deque<bool> answers;
    std::deque<AbortRetryIgnore> choices;  // Abort when they run out
    std::vector<Shown> shown;
};

// Records what a progress window would show; can press Cancel from a pump.
class FakeProgressView : public ProgressView {
public:
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void ShowRange(int lower, int upper) override { range = {lower, upper}; }
    void ShowPosition(int position) override { positions.push_back(position); }
    void ShowPercentText(const std::string& text) override { percentTexts.push_back(text); }
    bool PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
        return cancelOnNextPump && !(cancelOnNextPump = false);
    }
    void Close() override { ++closes; }
    bool cancelOnNextPump = false;
    int closes = 0;

    std::vector<std::string> statuses;
    std::pair<int, int> range{0, 100};
    std::vector<int> positions;
    std::vector<std::string> percentTexts;
    int pumps = 0;
    std::function<void()> onPump;
};

}  // namespace pelorin::test
