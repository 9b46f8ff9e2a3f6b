#include <gtest/gtest.h>

#include "app_common/JobExit.h"
#include "app_common/ProgressDialog.h"
#include "support/FakeUi.h"

namespace pelorin {
namespace {

struct ProgressFixture : ::testing::Test {
    test::FakeUi ui;
    test::FakeProgressView view;
    ProgressDialog progress{view, ui};
    ProgressFixture() { progress.SetRange(0, kProgressFull); }
};

TEST_F(ProgressFixture, PercentOfTheFullRange) {
    progress.SetPos(16383);
    EXPECT_EQ(progress.percentText(), "50%");
    progress.SetPos(kProgressFull);
    EXPECT_EQ(progress.percentText(), "100%");
    progress.SetPos(0);
    EXPECT_EQ(progress.percentText(), "0%");
}

TEST_F(ProgressFixture, StepPastTheEndWrapsBarAndPercentButFullStaysFull) {
    progress.SetPos(16383);
    progress.SetStep(32766);
    EXPECT_EQ(progress.StepIt(), 16383);
    EXPECT_EQ(progress.percentText(), "50%");  // 150% shown modulo 100
    EXPECT_EQ(progress.position(), 0);         // the bar went back to its lower bound
    progress.SetPos(0);
    progress.SetStep(32766);
    progress.StepIt();
    EXPECT_EQ(progress.percentText(), "100%");
}

TEST_F(ProgressFixture, PercentTextIsRewrittenOnlyWhenItChanges) {
    progress.SetStep(1);
    for (int i = 0; i < 300; ++i) progress.StepIt();
    // 300 steps of 1 over 32766 stay at 0%: one write of "0%" only.
    EXPECT_EQ(view.percentTexts, (std::vector<std::string>{"0%"}));
    EXPECT_EQ(progress.SetStep(3276), 1);
    progress.StepIt();
    EXPECT_EQ(view.percentTexts.back(), "10%");
}

TEST_F(ProgressFixture, EveryUpdatePumpsMessages) {
    const int before = view.pumps;
    progress.SetPos(5);
    progress.StepIt();
    progress.CheckCancelButton();
    EXPECT_EQ(view.pumps - before, 3);
}

TEST_F(ProgressFixture, TwoPressesBeforeAPollAskOnceAndNoContinues) {
    progress.RequestCancel();
    progress.RequestCancel();
    ui.answers = {false};
    EXPECT_NO_THROW(progress.ConfirmCancelIfRequested());
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Are you sure you want to Cancel?");
    EXPECT_TRUE(ui.shown[0].question);
    EXPECT_FALSE(ui.shown[0].caption.has_value());  // the application's title
    // The answered press is forgotten.
    EXPECT_FALSE(progress.CheckCancelButton());
}

TEST_F(ProgressFixture, YesEndsTheJobWithStatusOne) {
    view.onPump = [&] { progress.RequestCancel(); };  // pressed while pumping
    ui.answers = {true};
    try {
        progress.ConfirmCancelIfRequested();
        FAIL() << "no exit";
    } catch (const JobExit& exit) {
        EXPECT_EQ(exit.status(), 1);
    }
}

}  // namespace
}  // namespace pelorin
