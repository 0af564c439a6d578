// One suite for the settings rules, run against every registry backend: the in-memory one
// natively and the real registry under Wine. A backend under test is a class that starts the
// registry clean of what the suite touches, puts it back when destroyed, and offers
// Backend(). The suite starts from no "Options" values and no Run entry.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/platform_seams.h"
#include "settings/settings.h"

namespace settings_suite {

inline const char OptionsKey[] = "Software\\Ostrak\\Options";
inline const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct StoredText {
    std::string text;
    std::uint32_t byteCount = 0;
};

// Passes every call on to the backend under test, counting the keys open and the writes, and
// fails on request: no key can be created, or keys open but every write fails.
class WatchedRegistry final : public RegistryBackend {
public:
    explicit WatchedRegistry(RegistryBackend& backend) : backend_(backend) {}

    std::unique_ptr<RegistryKey> CreateKey(const char* path) override {
        openedPaths.push_back(path);
        if (failCreate)
            return nullptr;
        std::unique_ptr<RegistryKey> key = backend_.CreateKey(path);
        if (!key)
            return nullptr;
        return std::make_unique<WatchedKey>(*this, std::move(key));
    }

    bool failCreate = false;
    bool failWrites = false;
    int openKeys = 0;
    std::vector<std::string> openedPaths;
    std::map<std::string, int> writes;  // by value name, failed ones included

private:
    class WatchedKey final : public RegistryKey {
    public:
        WatchedKey(WatchedRegistry& owner, std::unique_ptr<RegistryKey> key) : owner_(owner), key_(std::move(key)) {
            ++owner_.openKeys;
        }
        ~WatchedKey() override { --owner_.openKeys; }

        std::optional<std::uint32_t> ReadText(const char* name, char* buffer, std::uint32_t capacity) override {
            return key_->ReadText(name, buffer, capacity);
        }
        std::optional<std::uint32_t> ReadNumber(const char* name) override { return key_->ReadNumber(name); }
        bool WriteText(const char* name, const char* text, std::uint32_t byteCount) override {
            ++owner_.writes[name];
            return !owner_.failWrites && key_->WriteText(name, text, byteCount);
        }
        bool WriteNumber(const char* name, std::uint32_t number) override {
            ++owner_.writes[name];
            return !owner_.failWrites && key_->WriteNumber(name, number);
        }
        bool DeleteValue(const char* name) override {
            ++owner_.writes[name];
            return !owner_.failWrites && key_->DeleteValue(name);
        }

    private:
        WatchedRegistry& owner_;
        std::unique_ptr<RegistryKey> key_;
    };

    RegistryBackend& backend_;
};

template <class BackendUnderTest>
class SettingsSuite : public ::testing::Test {
protected:
    SettingsSuite() : watched(underTest.Backend()) { SetRegistryBackend(&watched); }
    ~SettingsSuite() override {
        SetRegistryBackend(nullptr);
        SetExecutablePath("");
    }

    // What the backend under test holds, read past the rules.
    std::optional<StoredText> Text(const char* path, const char* name) {
        std::unique_ptr<RegistryKey> key = underTest.Backend().CreateKey(path);
        if (!key)
            return std::nullopt;
        std::vector<char> buffer(1024);
        std::optional<std::uint32_t> byteCount =
            key->ReadText(name, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        if (!byteCount)
            return std::nullopt;
        return StoredText{buffer.data(), *byteCount};
    }
    std::optional<std::uint32_t> Number(const char* path, const char* name) {
        std::unique_ptr<RegistryKey> key = underTest.Backend().CreateKey(path);
        return key ? key->ReadNumber(name) : std::nullopt;
    }
    void StoreText(const char* path, const char* name, const std::string& text, std::uint32_t byteCount) {
        std::unique_ptr<RegistryKey> key = underTest.Backend().CreateKey(path);
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->WriteText(name, text.c_str(), byteCount));
    }
    void StoreText(const char* path, const char* name, const std::string& text) {
        StoreText(path, name, text, static_cast<std::uint32_t>(text.size() + 1));
    }
    void StoreNumber(const char* path, const char* name, std::uint32_t number) {
        std::unique_ptr<RegistryKey> key = underTest.Backend().CreateKey(path);
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->WriteNumber(name, number));
    }
    void DeleteValue(const char* path, const char* name) {
        if (std::unique_ptr<RegistryKey> key = underTest.Backend().CreateKey(path))
            key->DeleteValue(name);
    }

    BackendUnderTest underTest;
    WatchedRegistry watched;
};

TYPED_TEST_SUITE_P(SettingsSuite);

TYPED_TEST_P(SettingsSuite, MissingOrEmptyLanguageBecomesEnglishAndIsStored) {
    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "English");
    std::optional<StoredText> stored = this->Text(OptionsKey, "Lang");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->text, "English");
    EXPECT_EQ(stored->byteCount, 8u) << "the terminator is counted";
    std::optional<StoredText> anyCase = this->Text("software\\OSTRAK\\options", "LANG");
    ASSERT_TRUE(anyCase) << "keys and value names ignore letter case";
    EXPECT_EQ(anyCase->text, "English");

    this->StoreText(OptionsKey, "Lang", "");
    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "English");
    stored = this->Text(OptionsKey, "Lang");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->text, "English");

    this->StoreText(OptionsKey, "Lang", "", 0);
    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "English") << "a value of no bytes at all";
    EXPECT_EQ(this->Text(OptionsKey, "Lang")->byteCount, 8u);
}

TYPED_TEST_P(SettingsSuite, StoredTextIsReadAndLeftAlone) {
    WriteSettingText("Options", "Lang", "Russian");
    std::optional<StoredText> stored = this->Text(OptionsKey, "Lang");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->text, "Russian");
    EXPECT_EQ(stored->byteCount, 8u);

    this->watched.writes.clear();
    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "Russian");
    EXPECT_EQ(this->watched.writes["Lang"], 0);

    this->StoreText(OptionsKey, "Lang", "Deutsch", 7);
    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "Deutsch") << "stored without its terminator";
}

TYPED_TEST_P(SettingsSuite, TextOver254CharactersReadsAsMissingAndIsReplaced) {
    const std::string longest(254, 'a');
    this->StoreText(OptionsKey, "Lang", longest);
    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), longest);
    EXPECT_EQ(this->Text(OptionsKey, "Lang")->text, longest);

    this->StoreText(OptionsKey, "Lang", std::string(255, 'b'));
    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "English");
    EXPECT_EQ(this->Text(OptionsKey, "Lang")->text, "English");

    this->StoreText(OptionsKey, "Lang", std::string(255, 'c'), 255);
    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "English") << "255 characters without a terminator";

    const std::string longDefault(300, 'd');
    this->DeleteValue(OptionsKey, "Lang");
    EXPECT_EQ(ReadSettingText("Options", "Lang", longDefault), std::string(254, 'd'));
    std::optional<StoredText> stored = this->Text(OptionsKey, "Lang");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->text, std::string(254, 'd')) << "the default is cut before it is stored";
    EXPECT_EQ(stored->byteCount, 255u);
}

TYPED_TEST_P(SettingsSuite, ValueOfTheWrongTypeReadsAsMissing) {
    this->StoreNumber(OptionsKey, "Lang", 7);
    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "English");
    ASSERT_TRUE(this->Text(OptionsKey, "Lang"));
    EXPECT_EQ(this->Text(OptionsKey, "Lang")->text, "English");

    this->StoreText(OptionsKey, "Startup", "1");
    EXPECT_EQ(ReadSettingNumber("Options", "Startup", 0), 0);
    EXPECT_EQ(this->Number(OptionsKey, "Startup"), 0u);
}

TYPED_TEST_P(SettingsSuite, NumberEqualToItsDefaultIsWrittenAgain) {
    EXPECT_EQ(ReadSettingNumber("Options", "Startup", 0), 0);
    EXPECT_EQ(this->Number(OptionsKey, "Startup"), 0u) << "a missing number is created";
    EXPECT_EQ(this->watched.writes["Startup"], 1);

    EXPECT_EQ(ReadSettingNumber("Options", "Startup", 0), 0);
    EXPECT_EQ(this->watched.writes["Startup"], 2) << "present and equal to the default";

    WriteSettingNumber("Options", "Startup", 1);
    EXPECT_EQ(this->Number(OptionsKey, "Startup"), 1u);
    this->watched.writes.clear();
    EXPECT_EQ(ReadSettingNumber("Options", "Startup", 0), 1);
    EXPECT_EQ(this->watched.writes["Startup"], 0) << "a number other than the default is left alone";
    EXPECT_EQ(ReadSettingNumber("Options", "Startup", 1), 1);
    EXPECT_EQ(this->watched.writes["Startup"], 1);
}

TYPED_TEST_P(SettingsSuite, NumbersAreStoredAs32BitsAndKeepTheirSign) {
    WriteSettingNumber("Options", "Startup", -5);
    EXPECT_EQ(this->Number(OptionsKey, "Startup"), 0xFFFFFFFBu);
    EXPECT_EQ(ReadSettingNumber("Options", "Startup", 0), -5);
    EXPECT_EQ(ReadSettingNumber("Options", "Other", INT32_MIN), INT32_MIN);
    EXPECT_EQ(this->Number(OptionsKey, "Other"), 0x80000000u);
}

TYPED_TEST_P(SettingsSuite, AwayTimeIsTenMinutesUntilStoredAndReadsAsAnUnsignedNumber) {
    EXPECT_EQ(ReadIdleMinutes(), 10u);
    EXPECT_EQ(this->Number(OptionsKey, "IdleMinutes"), 10u) << "the default is stored";
    for (std::uint32_t stored : {0u, 7u, 0xFFFFFFFFu}) {
        this->StoreNumber(OptionsKey, "IdleMinutes", stored);
        EXPECT_EQ(ReadIdleMinutes(), stored);
        EXPECT_EQ(this->Number(OptionsKey, "IdleMinutes"), stored);
    }
}

TYPED_TEST_P(SettingsSuite, StartWithSystemQuotesOnlyAPathWithASpace) {
    const std::string spaced = "C:\\Program Files\\Ostrak\\Ostrak.exe";
    SetExecutablePath(spaced);
    SetStartWithSystem(true);
    std::optional<StoredText> entry = this->Text(RunKey, "Ostrak");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->text, "\"C:\\Program Files\\Ostrak\\Ostrak.exe\" -tray");
    EXPECT_EQ(entry->byteCount, spaced.size() + 2 + 6 + 1);
    SetStartWithSystem(false);
    EXPECT_FALSE(this->Text(RunKey, "Ostrak"));

    const std::string bare = "C:\\Tools\\Ostrak.exe";
    SetExecutablePath(bare);
    SetStartWithSystem(true);
    entry = this->Text(RunKey, "Ostrak");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->text, "C:\\Tools\\Ostrak.exe -tray");
    EXPECT_EQ(entry->byteCount, bare.size() + 6 + 1);
    SetStartWithSystem(false);
    EXPECT_FALSE(this->Text(RunKey, "Ostrak"));
}

TYPED_TEST_P(SettingsSuite, StartWithSystemOffWhenAbsentTouchesNothingElse) {
    this->StoreText(RunKey, "OstrakSuiteNeighbour", "other.exe");
    SetStartWithSystem(false);
    SetStartWithSystem(false);
    EXPECT_FALSE(this->Text(RunKey, "Ostrak"));
    std::optional<StoredText> neighbour = this->Text(RunKey, "OstrakSuiteNeighbour");
    EXPECT_TRUE(neighbour && neighbour->text == "other.exe");
    this->DeleteValue(RunKey, "OstrakSuiteNeighbour");
}

TYPED_TEST_P(SettingsSuite, EveryOperationClosesTheKeyItOpened) {
    SetExecutablePath("C:\\Ostrak.exe");
    ReadSettingText("Options", "Lang", "English");
    ReadSettingNumber("Options", "Startup", 0);
    WriteSettingText("Options", "Lang", "Russian");
    WriteSettingNumber("Options", "Startup", 1);
    SetStartWithSystem(true);
    SetStartWithSystem(false);
    EXPECT_EQ(this->watched.openKeys, 0);
    EXPECT_EQ(this->watched.openedPaths,
              (std::vector<std::string>{OptionsKey, OptionsKey, OptionsKey, OptionsKey, RunKey, RunKey}));
}

TYPED_TEST_P(SettingsSuite, RegistryWithoutKeysGivesDefaultsAndLosesWrites) {
    this->StoreText(OptionsKey, "Lang", "Russian");
    this->StoreNumber(OptionsKey, "Startup", 1);
    this->watched.failCreate = true;
    SetExecutablePath("C:\\Ostrak.exe");

    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "English");
    EXPECT_EQ(ReadSettingNumber("Options", "Startup", 0), 0);
    WriteSettingText("Options", "Lang", "Deutsch");
    WriteSettingNumber("Options", "Startup", 5);
    SetStartWithSystem(true);

    EXPECT_EQ(this->Text(OptionsKey, "Lang")->text, "Russian");
    EXPECT_EQ(this->Number(OptionsKey, "Startup"), 1u);
    EXPECT_FALSE(this->Text(RunKey, "Ostrak"));
}

TYPED_TEST_P(SettingsSuite, RegistryThatCannotBeWrittenGivesDefaults) {
    this->StoreNumber(OptionsKey, "Startup", 1);
    this->watched.failWrites = true;
    SetExecutablePath("C:\\Ostrak.exe");

    EXPECT_EQ(ReadSettingText("Options", "Lang", "English"), "English");
    EXPECT_FALSE(this->Text(OptionsKey, "Lang"));
    EXPECT_EQ(ReadSettingNumber("Options", "Other", 3), 3);
    EXPECT_FALSE(this->Number(OptionsKey, "Other"));
    EXPECT_EQ(ReadSettingNumber("Options", "Startup", 0), 1) << "what is stored still reads";

    WriteSettingNumber("Options", "Startup", 0);
    EXPECT_EQ(this->Number(OptionsKey, "Startup"), 1u);
    SetStartWithSystem(true);
    EXPECT_FALSE(this->Text(RunKey, "Ostrak"));
    EXPECT_EQ(this->watched.openKeys, 0);
}

// A list of fingerprints as long as a big shipped list, far beyond a name's 254 bytes.
TYPED_TEST_P(SettingsSuite, OfferedPatternsAreReadWholeAndTheirAbsenceStoresNothing) {
    EXPECT_TRUE(ReadOfferedPatterns().empty());
    EXPECT_EQ(this->watched.writes["OfferedPatterns"], 0);
    std::vector<std::uint32_t> fingerprints = {0u, 0xFFFFFFFFu};
    for (std::uint32_t i = 0; i < 200; ++i) fingerprints.push_back(i * 2654435761u);
    WriteOfferedPatterns(fingerprints);
    EXPECT_EQ(ReadOfferedPatterns(), fingerprints);
}

// A pause outlives the program until its end: past 2038 too, and "until resumed" for good.
TYPED_TEST_P(SettingsSuite, AStoredPauseLastsUntilItsEndAndIsThenRemoved) {
    constexpr std::int64_t kNow = 1796551200;  // 2026-12-07 09:20 UTC
    constexpr std::int64_t kAfter2038 = 4102444800;
    EXPECT_EQ(ReadPausedUntil(kNow), std::nullopt);
    EXPECT_EQ(this->watched.writes["PausedUntil"], 0) << "no pause stores nothing";

    const struct {
        const char* stored;
        std::optional<std::int64_t> read;
    } cases[] = {
        {"resumed", StoredPauseUntilResumed},
        {"1796551201", kNow + 1},
        {"4102444800", kAfter2038},
        {"1796551200", std::nullopt},  // ended just now
        {"17965512", std::nullopt},
        {"1796551201x", std::nullopt},
        {"", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        this->StoreText(OptionsKey, "PausedUntil", c.stored);
        EXPECT_EQ(ReadPausedUntil(kNow), c.read) << c.stored;
        EXPECT_EQ(this->Text(OptionsKey, "PausedUntil").has_value(), c.read.has_value()) << c.stored;
    }

    WritePausedUntil(kAfter2038);
    EXPECT_EQ(this->Text(OptionsKey, "PausedUntil")->text, "4102444800");
    EXPECT_EQ(ReadPausedUntil(kNow), kAfter2038);
    WritePausedUntil(StoredPauseUntilResumed);
    EXPECT_EQ(this->Text(OptionsKey, "PausedUntil")->text, "resumed");
    WritePausedUntil(std::nullopt);
    EXPECT_FALSE(this->Text(OptionsKey, "PausedUntil"));
    EXPECT_EQ(this->watched.openKeys, 0);
}

REGISTER_TYPED_TEST_SUITE_P(SettingsSuite, MissingOrEmptyLanguageBecomesEnglishAndIsStored,
                            StoredTextIsReadAndLeftAlone, TextOver254CharactersReadsAsMissingAndIsReplaced,
                            ValueOfTheWrongTypeReadsAsMissing, NumberEqualToItsDefaultIsWrittenAgain,
                            NumbersAreStoredAs32BitsAndKeepTheirSign,
                            AwayTimeIsTenMinutesUntilStoredAndReadsAsAnUnsignedNumber,
                            StartWithSystemQuotesOnlyAPathWithASpace,
                            StartWithSystemOffWhenAbsentTouchesNothingElse, EveryOperationClosesTheKeyItOpened,
                            RegistryWithoutKeysGivesDefaultsAndLosesWrites,
                            RegistryThatCannotBeWrittenGivesDefaults,
                            OfferedPatternsAreReadWholeAndTheirAbsenceStoresNothing,
                            AStoredPauseLastsUntilItsEndAndIsThenRemoved);

}  // namespace settings_suite
