// Feeds arbitrary bytes to the reader of stored icon lists; what it reads must write back to
// the bytes it took.
#include "controls/KvAniCodec.h"
#include "controls/KvImageBytes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        std::string written = kvz::WriteIconListEntries(kvz::ReadIconListEntries(bytes));
        // Negative sizes read as empty entries and are written as 0.
        if (written.size() > bytes.size()) std::abort();
    } catch (const kvz::EReadError&) {
    }
    return 0;
}
