// Feeds arbitrary bytes to the reader of the user list ("Users.ini"): the list it gives is no
// longer than the section's keys, and writes and reads back the same.
#include "core/Users.h"
#include "platform/rtl/Files.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path folder = [] {
        char name[] = "/tmp/fuzz_users_ini.XXXXXX";
        return std::filesystem::path(::mkdtemp(name));
    }();
    FILE* out = std::fopen((folder / "Users.ini").c_str(), "wb");
    if (!out) __builtin_trap();
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    try {
        const std::vector<std::string> names = kvz::ReadUserList(folder);
        if (names.size() > size) __builtin_trap();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
