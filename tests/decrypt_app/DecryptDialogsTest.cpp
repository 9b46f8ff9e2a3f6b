#include <gtest/gtest.h>

#include "decrypt_app/DecryptModels.h"
#include "decrypt_app/OpenSelection.h"
#include "support/FakeUi.h"

namespace pelorin::decrypt {
namespace {

using Names = std::vector<std::string>;

TEST(ImportOptionsModelTest, AnAlgorithmMustBeChosenFirst) {
    test::FakeUi ui;
    ImportOptionsModel model;
    model.paddingText = "not a number";
    EXPECT_FALSE(model.ValidateOk(ui));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Please choose an algorithm");
    EXPECT_EQ(ui.shown[0].caption, std::optional<std::string>("Error"));
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Warning);
}

TEST(ImportOptionsModelTest, ThePaddingMustBeAWholeNumberFromZeroUp) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> accepted;
        const char* message;
    };
    const Case cases[] = {
        {"0", 0, nullptr},
        {" 12 ", 12, nullptr},
        {"+7", 7, nullptr},
        {"2147483647", 2147483647, nullptr},
        {"", std::nullopt, "Please enter an integer."},
        {"12a", std::nullopt, "Please enter an integer."},
        {"1.5", std::nullopt, "Please enter an integer."},
        {"2147483648", std::nullopt, "Please enter an integer."},
        {"-1", std::nullopt, "The beginning padding cannot be negative."},
    };
    for (const auto& c : cases) {
        test::FakeUi ui;
        ImportOptionsModel model;
        model.algorithm = 7;
        model.paddingText = c.text;
        EXPECT_EQ(model.ValidateOk(ui), c.accepted.has_value()) << c.text;
        if (c.accepted) {
            EXPECT_EQ(model.padding, *c.accepted) << c.text;
            EXPECT_TRUE(ui.shown.empty()) << c.text;
        } else {
            EXPECT_EQ(ui.Texts(), Names{c.message}) << c.text;
        }
    }
}

TEST(ChooseFilesTest, SelectedItemsAreTakenInListOrder) {
    test::FakeUi ui;
    const Names items{"a.txt", "b.txt", "c.txt"};
    EXPECT_EQ(ChosenNames(items, 2, std::vector<int>{0, 2}, ui), (Names{"a.txt", "c.txt"}));
    EXPECT_EQ(ChosenNames(items, 0, std::vector<int>{}, ui), Names{});
    EXPECT_TRUE(ui.shown.empty());
}

TEST(ChooseFilesTest, AFailedOrShortIndexQueryIsReported) {
    test::FakeUi ui;
    const Names items{"a.txt", "b.txt"};
    EXPECT_EQ(ChosenNames(items, 2, std::vector<int>{1}, ui), Names{"b.txt"});
    EXPECT_EQ(ChosenNames(items, 2, std::nullopt, ui), Names{});
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].text,
              "An error occurred in the list box control. All\nof the filenames may not be displayed properly.");
    EXPECT_EQ(ui.shown[0].caption, std::nullopt);
}

TEST(OpenSelectionTest, TheFilterAndTheReturnedNames) {
    constexpr char kExpected[] =
        "Encrypted File (*.pvb)\0*.pvb\0Old Pelorin File (*.enc)\0*.enc\0All Files (*.*)\0*.*\0\0";
    EXPECT_EQ(SystemFilter(kOpenFilter), std::string(kExpected, sizeof kExpected - 1));
    using namespace std::string_view_literals;
    EXPECT_EQ(SelectedPaths("C:\\Work\\a.pvb\0\0"sv), Names{"C:\\Work\\a.pvb"});
    EXPECT_EQ(SelectedPaths("C:\\Work\0a.pvb\0b c.enc\0\0"sv), (Names{"C:\\Work\\a.pvb", "C:\\Work\\b c.enc"}));
    EXPECT_EQ(SelectedPaths("C:\\\0a.pvb\0b.pvb\0\0"sv), (Names{"C:\\a.pvb", "C:\\b.pvb"}));
    EXPECT_EQ(SelectedPaths(std::string_view("\0\0", 2)), Names{});
}

}  // namespace
}  // namespace pelorin::decrypt
