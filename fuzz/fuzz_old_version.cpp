// Feeds arbitrary bytes to the readers of the version 2.1 files ("adresy.dat" and
// "uloha.dat"): the first byte chooses the file, the rest is its content.
#include "addressbook/OldVersion.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <unistd.h>

// The readers' messages, from the program's language tables.
std::string kvz::ExchangeTexts::operator()() const { return Texts[0]; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path folder = [] {
        char name[] = "/tmp/fuzz_old_version.XXXXXX";
        return std::filesystem::path(::mkdtemp(name));
    }();
    if (size < 1) return 0;
    const std::filesystem::path file = folder / (data[0] & 1 ? "uloha.dat" : "adresy.dat");
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) __builtin_trap();
    std::fwrite(data + 1, 1, size - 1, out);
    std::fclose(out);
    try {
        if (data[0] & 1) {
            for (const kvz::OldTask& task : kvz::ReadOldTasks(file)) (void)task.Uloha.size();
        } else {
            for (const kvz::OldAddress& address : kvz::ReadOldAddresses(file)) (void)address;
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
