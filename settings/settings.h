// The per-user settings in the registry and the start with the system: the only registry
// access of the program. Nothing is cached and no failure is reported.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/platform_seams.h"

// Every section is a key below this one, under the current user's root.
inline constexpr char SettingsRoot[] = "Software\\Ostrak";

// Opens SettingsRoot\section, creating it when missing; nullptr when that fails.
std::unique_ptr<RegistryKey> OpenSettingsSection(std::string_view section);

// Reading a setting leaves it present afterwards: a missing or empty text and a number equal
// to its default are stored with the default.
std::string ReadSettingText(std::string_view section, std::string_view name, std::string_view defaultText);
std::int32_t ReadSettingNumber(std::string_view section, std::string_view name, std::int32_t defaultNumber);
void WriteSettingText(std::string_view section, std::string_view name, std::string_view text);
void WriteSettingNumber(std::string_view section, std::string_view name, std::int32_t number);

// The user interface language: the name its file carries ("English" for "Lang.English.xml").
inline constexpr char LanguageSettingName[] = "Lang";
inline constexpr char DefaultLanguage[] = "English";
// Whether the program starts with the system: a number, 0 off, any other on.
inline constexpr char StartupName[] = "Startup";

// Minutes without keyboard or mouse input after which the user counts as away; 0 never.
inline constexpr char IdleMinutesName[] = "IdleMinutes";
inline constexpr std::uint32_t DefaultIdleMinutes = 10;
// The stored away time in section "Options", its default stored when absent.
std::uint32_t ReadIdleMinutes();

// Whether the day's timeline is kept: a number, 0 off, any other on.
inline constexpr char TimelineName[] = "Timeline";
inline constexpr std::int32_t DefaultTimeline = 1;
// The stored timeline flag in section "Options", its default stored when absent.
bool ReadTimelineOn();

// Whether sound playing keeps the user present without input: a number, 0 off, any other on.
inline constexpr char MediaIsPresenceName[] = "MediaIsPresence";
inline constexpr std::int32_t DefaultMediaIsPresence = 1;
// The stored flag in section "Options", its default stored when absent.
bool ReadMediaIsPresence();

// Whether window titles give document names: a number, 0 off (only the application is
// recorded), any other on.
inline constexpr char RecordDocumentsName[] = "RecordDocuments";
inline constexpr std::int32_t DefaultRecordDocuments = 1;
// The stored flag in section "Options", its default stored when absent.
bool ReadRecordDocuments();

// Fingerprints of the shipped patterns a user has been offered or already had, so that none is
// offered twice: eight hexadecimal digits each, separated by blanks.
inline constexpr char OfferedPatternsName[] = "OfferedPatterns";
// In section "Options"; none when absent. Unlike the settings above, reading stores nothing.
std::vector<std::uint32_t> ReadOfferedPatterns();
void WriteOfferedPatterns(const std::vector<std::uint32_t>& fingerprints);

// A pause of recording that outlives the program, in section "Options": a text, the pause's
// end in seconds since 1970 (UTC) in decimal, or "resumed" for a pause until the user resumes;
// absent when not paused.
inline constexpr char PausedUntilName[] = "PausedUntil";
inline constexpr char PausedUntilResumedText[] = "resumed";
// The stored pause's end, or StoredPauseUntilResumed; nothing when none is stored. A pause that
// has ended by `nowUtc`, or a text that names no end, is removed.
inline constexpr std::int64_t StoredPauseUntilResumed = std::numeric_limits<std::int64_t>::max();
std::optional<std::int64_t> ReadPausedUntil(std::int64_t nowUtc);
// Stores the pause's end (or StoredPauseUntilResumed); nothing removes the stored pause.
void WritePausedUntil(std::optional<std::int64_t> untilUtc);

// The folder, shared between the user's computers, where each writes copies of its records: a
// text, empty (the default) when off. In section "Options"; reading stores nothing.
inline constexpr char SharedFolderName[] = "SharedFolder";
std::string ReadSharedFolder();
void WriteSharedFolder(const std::string& folder);

// Adds or removes the shell's per-user autostart entry that starts the program in the tray.
void SetStartWithSystem(bool on);
