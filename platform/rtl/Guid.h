// Random bits from the operating system and unique identifiers in their braced text form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kvz {

void RandomBytes(void* buffer, size_t count);
uint32_t RandomUInt32();

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": 38 characters, upper-case hexadecimal digits,
// from 128 random bits with the version 4 marks.
std::string NewGuidText();

// Replaces the source of identifiers (tests that need stable bytes); an empty function
// restores the random one.
void SetGuidSource(std::function<std::string()> source);

} // namespace kvz
