// Feeds arbitrary bytes to the GIF reader; every frame is decoded, and what was read is written
// and read again, which must succeed.
#include "controls/KvGIFCodec.h"
#include "controls/KvImageBytes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kvz::TGIFFileRecord file;
    try {
        file = kvz::ReadGif(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const kvz::EInvalidGraphicOperation&) {
        return 0;
    }
    for (const kvz::TGIFFrameRecord& frame : file.Frames) {
        bool corrupted = frame.Corrupted;
        try {
            (void)kvz::DecodeGifPixels(*frame.Item, frame.Interlaced, corrupted);
        } catch (const kvz::EReadError&) {
        }
    }
    if (file.Frames.empty()) return 0;
    std::string written = kvz::WriteGif(file);
    kvz::TGIFFileRecord again = kvz::ReadGif(written);
    if (again.Frames.size() != file.Frames.size()) std::abort();
    return 0;
}
