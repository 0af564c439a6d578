// The settings rules over the current user's real registry, and what they leave there as
// another program reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/platform_seams.h"
#include "settings/settings.h"
#include "tests/shared/settings_suite.h"

namespace {

const char RootPath[] = "Software\\Ostrak";
const char OptionsPath[] = "Software\\Ostrak\\Options";
const char RunPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct RawValue {
    std::string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

bool KeyExists(const char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::optional<RawValue> ReadRaw(const char* path, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    RawValue value{name, 0, {}};
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        value.data.resize(size);
        result = RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
        value.data.resize(size);
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::vector<RawValue> ReadAllValues(const char* path) {
    std::vector<RawValue> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameLength = sizeof name;
        BYTE data[4096];
        DWORD size = sizeof data;
        RawValue value;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &value.type, data, &size) != ERROR_SUCCESS)
            break;
        value.name.assign(name, nameLength);
        value.data.assign(data, data + size);
        values.push_back(value);
    }
    RegCloseKey(key);
    return values;
}

void WriteRaw(const char* path, const RawValue& value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
}

void DeleteRaw(const char* path, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// Takes the "Options" section and the Run entry out of the way for a test and puts back
// what was there before, so that other tests in this prefix find the registry as they left it.
class RealRegistry {
public:
    RealRegistry()
        : rootExisted_(KeyExists(RootPath)),
          optionsExisted_(KeyExists(OptionsPath)),
          options_(ReadAllValues(OptionsPath)),
          runEntry_(ReadRaw(RunPath, "Ostrak")) {
        RegDeleteTreeA(HKEY_CURRENT_USER, OptionsPath);
        DeleteRaw(RunPath, "Ostrak");
    }
    ~RealRegistry() {
        RegDeleteTreeA(HKEY_CURRENT_USER, OptionsPath);
        if (optionsExisted_) {
            HKEY key;
            if (RegCreateKeyExA(HKEY_CURRENT_USER, OptionsPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr) == ERROR_SUCCESS)
                RegCloseKey(key);
            for (const RawValue& value : options_)
                WriteRaw(OptionsPath, value);
        }
        if (!rootExisted_)
            RegDeleteTreeA(HKEY_CURRENT_USER, RootPath);
        if (runEntry_)
            WriteRaw(RunPath, *runEntry_);
        else
            DeleteRaw(RunPath, "Ostrak");
    }
    RealRegistry(const RealRegistry&) = delete;
    RealRegistry& operator=(const RealRegistry&) = delete;

    RegistryBackend& Backend() { return SystemRegistry(); }

private:
    bool rootExisted_;
    bool optionsExisted_;
    std::vector<RawValue> options_;
    std::optional<RawValue> runEntry_;
};

std::string AsText(const RawValue& value) {
    return std::string(value.data.begin(), value.data.end());
}

class SettingsOnTheRealRegistry : public ::testing::Test {
protected:
    ~SettingsOnTheRealRegistry() override { SetExecutablePath(""); }
    RealRegistry registry;
};

TEST_F(SettingsOnTheRealRegistry, ValuesHaveTheTypesAndSizesOtherProgramsExpect) {
    ReadSettingText("Options", "Lang", "English");
    ReadSettingNumber("Options", "Startup", 0);
    std::optional<RawValue> language = ReadRaw(OptionsPath, "Lang");
    ASSERT_TRUE(language);
    EXPECT_EQ(language->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(AsText(*language), std::string("English", 8)) << "eight bytes, the terminator counted";
    std::optional<RawValue> startup = ReadRaw(OptionsPath, "Startup");
    ASSERT_TRUE(startup);
    EXPECT_EQ(startup->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(startup->data, (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST_F(SettingsOnTheRealRegistry, RunEntryReadsBackExactly) {
    SetExecutablePath("C:\\Program Files\\Ostrak\\Ostrak.exe");
    SetStartWithSystem(true);
    std::optional<RawValue> entry = ReadRaw(RunPath, "Ostrak");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->type, static_cast<DWORD>(REG_SZ));
    const std::string quoted = "\"C:\\Program Files\\Ostrak\\Ostrak.exe\" -tray";
    EXPECT_EQ(AsText(*entry), std::string(quoted.c_str(), quoted.size() + 1));

    SetStartWithSystem(false);
    EXPECT_FALSE(ReadRaw(RunPath, "Ostrak"));
}

}  // namespace

namespace settings_suite {
INSTANTIATE_TYPED_TEST_SUITE_P(RealRegistrySettings, SettingsSuite, ::testing::Types<RealRegistry>);
}  // namespace settings_suite
