// The message catalogue as data: numbered texts in the three languages of the program.
#pragma once

namespace kvz {

constexpr int kMessageCount = 293;
constexpr int kNoticeCount = 2;

// Row n is message n (row 0 is empty); columns are English, Slovak and Czech. UTF-8.
extern const char* const kMessageTable[kMessageCount + 1][3];
extern const char* const kNoticeTable[kNoticeCount + 1][3];

} // namespace kvz
