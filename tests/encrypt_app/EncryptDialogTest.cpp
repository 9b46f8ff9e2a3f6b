#include <gtest/gtest.h>

#include "app_common/PassesText.h"


#include "encrypt_app/EncryptDialogModel.h"
#include "encrypt_app/EncryptSettings.h"
#include "support/FakeUi.h"
#include "support/TestSettings.h"

namespace pelorin::encrypt {
namespace {

struct Shown {
    std::string text;
    std::optional<std::string> caption;
};

std::optional<Shown> Validate(EncryptDialogModel model, bool hash) {
    test::FakeUi ui;
    const bool ok = model.ValidateOk(ui, hash);
    if (ok) {
        EXPECT_TRUE(ui.shown.empty());
        return std::nullopt;
    }
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Exclamation);
    return Shown{ui.shown[0].text, ui.shown[0].caption};
}

EncryptDialogModel With(int algorithm, const std::string& passkey, const std::string& verify) {
    EncryptDialogModel model;
    model.ApplyInitialAlgorithm(algorithm);
    model.passkey = passkey;
    model.verify = verify;
    return model;
}

TEST(EncryptDialogTest, ValidationInItsOrder) {
    auto noAlgorithm = Validate(With(8, "", "x"), true);
    ASSERT_TRUE(noAlgorithm);
    EXPECT_EQ(noAlgorithm->text, "Please choose an algorithm");
    EXPECT_EQ(noAlgorithm->caption, std::optional<std::string>("Error"));

    auto empty = Validate(With(2, "", "x"), true);
    EXPECT_EQ(empty->text, "Please enter a passkey");
    EXPECT_EQ(empty->caption, std::optional<std::string>("Error"));

    auto differ = Validate(With(2, "secret1", "secreT1"), false);
    EXPECT_EQ(differ->text, "Passkeys do not match");
    EXPECT_FALSE(differ->caption.has_value());  // the application's title

    const std::string longest(127, 'k'), tooLong(128, 'k');
    EXPECT_FALSE(Validate(With(2, longest, longest), true));
    auto overlong = Validate(With(2, tooLong, tooLong), true);
    EXPECT_EQ(overlong->caption, std::optional<std::string>("Passkey too long"));
}

TEST(EncryptDialogTest, MinimumLengthsApplyOnlyWithoutHashing) {
    auto des = Validate(With(2, "1234567", "1234567"), false);
    EXPECT_EQ(des->text, "DES requires a passkey of at least 8 characters");
    EXPECT_EQ(des->caption, std::optional<std::string>("Passkey too small"));
    EXPECT_FALSE(Validate(With(2, "12345678", "12345678"), false));
    auto blowfish = Validate(With(1, "abc", "abc"), false);
    EXPECT_EQ(blowfish->text, "BlowFish requires a passkey of at least 1 character");
    EXPECT_FALSE(Validate(With(1, "abcd", "abcd"), false));
    EXPECT_EQ(Validate(With(6, "fifteen chars!!", "fifteen chars!!"), false)->text,
              "Safer requires a passkey of at least 16 characters");
    EXPECT_FALSE(Validate(With(3, "x", "x"), true));  // IDEA with hashing on
    EXPECT_EQ(MinimumFor(5).message, std::string("RC4 requires a passkey of at least 1 character"));
}

// The text of an Options dialog's field is read as the C library reads a
// number and stored within the setting's range, which every program checks
// what it reads against: no dialog stores what its program then refuses.
TEST(EncryptOptionsTest, PassesTextIsStoredWithinTheSettingsRange) {
    EXPECT_EQ(StoredPasses("letters", kNumPasses), 0u);
    EXPECT_EQ(StoredPasses("1500", kNumPasses), 1500u);
    EXPECT_EQ(StoredPasses("  -7x", kNumPasses), 0u);
    EXPECT_EQ(StoredPasses("12abc", kNumPasses), 12u);
    EXPECT_EQ(StoredPasses("99999999999", kNumPasses), 1000000u);
    EXPECT_EQ(StoredPasses("99999999999999999999999", kNumPasses), 1000000u);
    const Setting disk{"NumDisk", 3, 0, 10000};
    EXPECT_EQ(StoredPasses("20000", disk), 10000u);
    // A stored count always means at least one overwrite.
    EXPECT_EQ(PassesSetting(0), 1);
    EXPECT_EQ(PassesSetting(4294967295u), 1);
    EXPECT_EQ(PassesSetting(7), 7);
    EXPECT_EQ(PassesSetting(5000000), 1000000);
}

TEST(EncryptOptionsTest, LoadSaveAndTheImmediateRememberSwitch) {
    test::TestSettings testSettings;
    platform::SettingsStore& settings = testSettings.store();
    EncryptOptionsModel options;
    options.Load(settings);
    EXPECT_TRUE(options.encryptHeaders);
    EXPECT_TRUE(options.hashPasskey);
    EXPECT_EQ(options.passes, "3");
    settings.Write(kActualAlg.name, 5);
    options.rememberAlgorithm = false;
    options.RememberToggled(settings);  // then Cancel: nothing else is written
    EXPECT_EQ(settings.Read(kActualAlg.name), std::optional<std::uint32_t>(0));
    EXPECT_FALSE(settings.Read(kNumPasses.name).has_value());
    options.passes = "abc";
    options.overwrite = true;
    options.Save(settings);
    EXPECT_EQ(settings.Read(kNumPasses.name), std::optional<std::uint32_t>(0));
    EXPECT_EQ(settings.Read(kOverwrite.name), std::optional<std::uint32_t>(1));
    EXPECT_EQ(settings.Read(kEncHeaders.name), std::optional<std::uint32_t>(1));
    // What the dialog stores, the programs read back without refusing it.
    options.passes = "99999999999";
    options.Save(settings);
    EXPECT_EQ(ReadCheckedSetting(settings, kNumPasses), std::optional<std::int64_t>(kMostStoredPasses));
}

}  // namespace
}  // namespace pelorin::encrypt
