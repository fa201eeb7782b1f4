// Feeds arbitrary bytes to the animated cursor reader, and each icon resource it finds to the
// icon directory reader.
#include "controls/KvAniCodec.h"
#include "controls/KvImageBytes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        kvz::TAniFileRecord file = kvz::ReadAnimatedCursor(bytes);
        for (const kvz::TAniFrameRecord& frame : file.Frames)
            if (frame.Icon < 0 || size_t(frame.Icon) >= file.Icons.size()) std::abort();
    } catch (const kvz::EReadError&) {
    }
    try {
        (void)kvz::ReadIconResource(bytes);
    } catch (const kvz::EReadError&) {
    }
    return 0;
}
