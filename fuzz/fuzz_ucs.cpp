// Feeds arbitrary bytes to the reader of the address window's layout file (".ucs"): every
// record it keeps must be one the window can place, and must write and read back the same.
#include "addressbook/UserFields.h"
#include "platform/data/DB.h"
#include "core/Messages.h"
#include "platform/rtl/Files.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <unistd.h>

// The reader's message, from the program's language tables.
namespace kvz {
const char* InLanguage(const char* const (&texts)[3]) { return texts[0]; }
} // namespace kvz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path file = [] {
        char name[] = "/tmp/fuzz_ucs.XXXXXX";
        kvz::SetApplicationExceptionHandler([](std::exception_ptr) {}); // the reader's notice
        return std::filesystem::path(::mkdtemp(name)) / "Jano.ucs";
    }();
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) __builtin_trap();
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    try {
        const std::vector<kvz::TUserFieldRec> records = kvz::ReadUserFieldFile(file);
        for (const kvz::TUserFieldRec& rec : records) {
            if (kvz::UserControlPrefix(rec.Kind).empty() || rec.Left < -10000 || rec.Left > 10000 ||
                rec.Top < -10000 || rec.Top > 10000)
                __builtin_trap();
            try {
                if (kvz::DecodeUserFieldRec(kvz::EncodeUserFieldRec(rec)) != rec) __builtin_trap();
            } catch (const std::runtime_error&) {
            }
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
