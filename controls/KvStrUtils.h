// Words in delimited text. Positions are 1-based byte positions; the delimiters are single
// bytes, so UTF-8 text splits correctly on ASCII delimiters.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

namespace kvz {

using TCharSet = std::bitset<256>;

TCharSet CharSetOf(std::string_view chars);

// True when every byte of the text is in the set (true for an empty text).
bool ConsistsOfOnly(std::string_view text, const TCharSet& chars);
// Every occurrence replaced, left to right, without rescanning the inserted text; an empty
// search text changes nothing.
std::string SubstituteAll(std::string_view text, std::string_view search, std::string_view replacement);
std::string RepeatChar(char c, int count);
// Where word n (1-based; words are runs outside the delimiters) begins, 0 when there is none.
int GetDelimitedWordPos(int n, std::string_view text, const TCharSet& delimiters);
std::string GetDelimitedWord(int n, std::string_view text, const TCharSet& delimiters);
// The text from pos up to the next delimiter; pos moves past that one delimiter, or to the
// length + 1.
std::string NextToken(std::string_view text, int& pos, const TCharSet& delimiters);

} // namespace kvz
