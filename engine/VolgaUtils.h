// Record codes and the small routines that the engine shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kvz {

// The 8-character code of a new record: hours, seconds and hundredths since 1 November 2000
// and a counter, in 62 digits, so that codes sort by the time they were made. Each code of a
// run is above the one before in the digit order (the next free value when the clock gives
// no higher one), so codes never repeat within a run.
std::string NewRecordKey();
// While set, NewRecordKey passes over every code for which it answers true (the codes a
// shared table holds already); an empty function clears it.
void SetRecordKeyInUse(std::function<bool(std::string_view code)> inUse);
// Forgets the run's counter: the next code starts it at a random value.
void ResetRecordKeyCounter();
// The next code uses this counter value (tests that need stable codes).
void StartRecordKeyCounterAt(int32_t value);
// value written in exactly width digits of the 62-character alphabet, most significant first;
// a value at or above 62^width has that power subtracted once.
std::string EncodeDigits(int64_t value, int width);

// The length of a zero-terminated text, 0 for none.
size_t SafeTextLength(const char* text);
// The text from pos up to the next tab (or the end); pos moves past the tab.
std::string NextTabPiece(std::string_view text, size_t& pos);
// A copy with every blank replaced by the given character.
std::string ReplaceBlanks(std::string_view text, char with);
bool ValueIsAllZero(const void* value, size_t size);

} // namespace kvz
