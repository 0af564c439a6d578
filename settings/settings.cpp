#include "settings/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/narrow_text.h"

namespace {

const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char RunValueName[] = "Ostrak";
// Nine bytes a pattern: room for far more shipped patterns than a list will ever hold.
constexpr std::uint32_t kOfferedPatternsBufferSize = 64 * 1024;

void StoreText(RegistryKey& key, const std::string& name, const std::string& text) {
    // The byte count includes the terminating zero.
    key.WriteText(name.c_str(), text.c_str(), static_cast<std::uint32_t>(text.size() + 1));
}

}  // namespace

std::unique_ptr<RegistryKey> OpenSettingsSection(std::string_view section) {
    char path[260];
    std::snprintf(path, sizeof path, "%s\\%s", SettingsRoot, std::string(section).c_str());
    return ActiveRegistry().CreateKey(path);
}

std::string ReadSettingText(std::string_view section, std::string_view name, std::string_view defaultText) {
    std::unique_ptr<RegistryKey> key = OpenSettingsSection(section);
    const std::string valueName(name);
    char buffer[kTextBufferSize] = "";
    // Texts are kept in 256-byte buffers elsewhere: room for a name and its terminator, so a
    // longer stored text reads as missing.
    if (!key || !key->ReadText(valueName.c_str(), buffer, kNameBufferSize))
        buffer[0] = '\0';
    // The registry refuses a value too long for the buffer rather than cutting it; the cut
    // only makes sure no character is left half.
    if (buffer[0] != '\0')
        return std::string(CutText(buffer, kNameLimit));

    std::string text(CutText(defaultText, kNameLimit));
    if (key)
        StoreText(*key, valueName, text);
    return text;
}

std::int32_t ReadSettingNumber(std::string_view section, std::string_view name, std::int32_t defaultNumber) {
    std::unique_ptr<RegistryKey> key = OpenSettingsSection(section);
    if (!key)
        return defaultNumber;
    const std::string valueName(name);
    std::int32_t number = defaultNumber;
    if (std::optional<std::uint32_t> stored = key->ReadNumber(valueName.c_str()))
        number = static_cast<std::int32_t>(*stored);
    // Written again even when present, so that a read always leaves the value in place.
    if (number == defaultNumber)
        key->WriteNumber(valueName.c_str(), static_cast<std::uint32_t>(number));
    return number;
}

void WriteSettingText(std::string_view section, std::string_view name, std::string_view text) {
    if (std::unique_ptr<RegistryKey> key = OpenSettingsSection(section))
        StoreText(*key, std::string(name), std::string(text));
}

void WriteSettingNumber(std::string_view section, std::string_view name, std::int32_t number) {
    if (std::unique_ptr<RegistryKey> key = OpenSettingsSection(section))
        key->WriteNumber(std::string(name).c_str(), static_cast<std::uint32_t>(number));
}

std::uint32_t ReadIdleMinutes() {
    // Stored as a DWORD: a number above 2^31 is a long time, not a negative one.
    return static_cast<std::uint32_t>(
        ReadSettingNumber("Options", IdleMinutesName, static_cast<std::int32_t>(DefaultIdleMinutes)));
}

bool ReadTimelineOn() { return ReadSettingNumber("Options", TimelineName, DefaultTimeline) != 0; }

bool ReadMediaIsPresence() {
    return ReadSettingNumber("Options", MediaIsPresenceName, DefaultMediaIsPresence) != 0;
}

bool ReadRecordDocuments() {
    return ReadSettingNumber("Options", RecordDocumentsName, DefaultRecordDocuments) != 0;
}

std::vector<std::uint32_t> ReadOfferedPatterns() {
    std::vector<std::uint32_t> fingerprints;
    std::unique_ptr<RegistryKey> key = OpenSettingsSection("Options");
    std::vector<char> text(kOfferedPatternsBufferSize);
    if (!key || !key->ReadText(OfferedPatternsName, text.data(), kOfferedPatternsBufferSize)) return fingerprints;
    // Up to the first word that is no number: what a hand edit left before it still counts.
    const char* at = text.data();
    for (;;) {
        char* end = nullptr;
        const unsigned long number = std::strtoul(at, &end, 16);
        if (end == at) break;
        fingerprints.push_back(static_cast<std::uint32_t>(number));
        at = end;
    }
    return fingerprints;
}

void WriteOfferedPatterns(const std::vector<std::uint32_t>& fingerprints) {
    std::string text;
    for (std::uint32_t fingerprint : fingerprints) {
        char word[16];
        std::snprintf(word, sizeof word, "%s%08X", text.empty() ? "" : " ", static_cast<unsigned>(fingerprint));
        text += word;
    }
    WriteSettingText("Options", OfferedPatternsName, text);
}

std::optional<std::int64_t> ReadPausedUntil(std::int64_t nowUtc) {
    std::unique_ptr<RegistryKey> key = OpenSettingsSection("Options");
    char text[kTextBufferSize] = "";
    if (!key || !key->ReadText(PausedUntilName, text, kNameBufferSize)) return std::nullopt;
    std::optional<std::int64_t> until;
    if (std::strcmp(text, PausedUntilResumedText) == 0) {
        until = StoredPauseUntilResumed;
    } else {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(text, &end, 10);
        if (end != text && *end == '\0' && errno == 0 && seconds > nowUtc) until = seconds;
    }
    // A pause that ended while the program did not run, or one nobody can read, is over.
    if (!until) key->DeleteValue(PausedUntilName);
    return until;
}

void WritePausedUntil(std::optional<std::int64_t> untilUtc) {
    std::unique_ptr<RegistryKey> key = OpenSettingsSection("Options");
    if (!key) return;
    if (!untilUtc) {
        key->DeleteValue(PausedUntilName);
        return;
    }
    StoreText(*key, PausedUntilName,
              *untilUtc == StoredPauseUntilResumed ? std::string(PausedUntilResumedText) : std::to_string(*untilUtc));
}

std::string ReadSharedFolder() {
    // A path may be far longer than a name: it is read whole or not at all.
    std::unique_ptr<RegistryKey> key = OpenSettingsSection("Options");
    std::vector<char> text(32768 * 3);
    if (!key || !key->ReadText(SharedFolderName, text.data(), static_cast<std::uint32_t>(text.size()))) return {};
    return text.data();
}

void WriteSharedFolder(const std::string& folder) { WriteSettingText("Options", SharedFolderName, folder); }

void SetStartWithSystem(bool on) {
    std::unique_ptr<RegistryKey> key = ActiveRegistry().CreateKey(RunKey);
    if (!key)
        return;
    if (!on) {
        key->DeleteValue(RunValueName);
        return;
    }
    std::string path = ActiveExecutablePath();
    // Without the executable's path the entry could not start anything.
    if (path.empty())
        return;
    if (path.find(' ') != std::string::npos)
        path = '"' + path + '"';
    StoreText(*key, RunValueName, path + " -tray");
}
