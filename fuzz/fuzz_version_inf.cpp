// Feeds arbitrary bytes to the reader of the data folder's version marker ("version.inf").
#include "core/VersionInfo.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const kvz::TVersionInfoRec rec = kvz::TVersionInfoRec::Decode(bytes, "version.inf");
        // What was read writes again as a record of its size, and reads back the same.
        const std::string again = rec.Encode();
        if (again.size() != kvz::TVersionInfoRec::kSize) __builtin_trap();
        const kvz::TVersionInfoRec back = kvz::TVersionInfoRec::Decode(again, "version.inf");
        if (back.Version != rec.Version || back.State != rec.State) __builtin_trap();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
