// Synthetic time logs, byte for byte in the layout the program saves, for benchmarks.
#pragma once

#include <cstddef>
#include <string>

// The bytes of a log of `days` consecutive days from 1 January 2015, each with
// `appsPerDay` applications of `docsPerApp` documents; names mix ASCII and Cyrillic, in
// Windows-1251 as earlier versions saved them or in UTF-8 as the program saves them now. The
// same arguments always give the same bytes.
std::string GenerateTimeLog(int days, int appsPerDay, int docsPerApp, bool utf8 = false);

enum class TimeLogSize { OneDay, OneYear, TenYears };
constexpr TimeLogSize kTimeLogSizes[] = {TimeLogSize::OneDay, TimeLogSize::OneYear, TimeLogSize::TenYears};

// "one_day", "one_year", "ten_years": the part of a benchmark name that tells the size.
const char* TimeLogSizeName(TimeLogSize size);

struct SyntheticTimeLog {
    std::string path;
    std::size_t bytes = 0;
};

// The log of that size (20 applications of 10 documents a day), written on first use into a
// temporary folder that is removed when the program ends.
const SyntheticTimeLog& SyntheticTimeLogFile(TimeLogSize size);
// The one-year log in UTF-8, the same way.
const SyntheticTimeLog& Utf8TimeLogFile();

// A path in that same temporary folder for a benchmark to write to.
std::string ScratchPath(const std::string& fileName);
