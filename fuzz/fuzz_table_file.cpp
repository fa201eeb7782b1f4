// Feeds arbitrary bytes to the table file reader, plain and with a password that a generated
// password table carries, with and without partial open.
#include "engine/VolgaCursor.h"
#include "engine/VolgaSession.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        kvz::VolgaSession().AddPassword("heslo");
        return true;
    }();
    (void)ready;
    const std::string_view block(reinterpret_cast<const char*>(data), size);
    for (bool partial : {false, true}) {
        kvz::TVolgaCursor cursor;
        cursor.SetPartialOpen(partial);
        std::string message;
        if (cursor.LoadFromStream(block, message)) {
            // What was read must write again and read back the same.
            std::string again;
            cursor.SaveToStream(again);
            kvz::TVolgaCursor back;
            if (!back.LoadFromStream(again, message) && !partial) __builtin_trap();
        }
    }
    return 0;
}
