// Feeds arbitrary bytes to the dBASE reader: the first two bytes give the length of the table
// part, the rest is its memo file (and, read on its own, an index file). Every record and
// every value is read; the table is also read from a file, in blocks, and must give the same.
#include "engine/DbfFile.h"
#include "engine/DbfIndex.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t tableSize = std::min<size_t>(size - 2, static_cast<size_t>(data[0] | data[1] << 8));
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    try {
        kvz::TDbfFile file(std::string(bytes, tableSize), std::string(bytes + tableSize, size - 2 - tableSize));
        for (uint32_t n = 1; n <= file.RecordCount(); ++n) {
            const std::string_view record = file.Record(n);
            for (const kvz::TDbfFieldDef& field : file.Fields()) {
                try {
                    const kvz::TDbfValue v = file.Value(field, record);
                    (void)file.ToUtf8(v.text);
                } catch (const std::runtime_error&) {
                }
            }
        }
    } catch (const std::runtime_error&) {
    }
    // Read from a file, the records come in blocks as they are asked for: the same rows.
    static const std::filesystem::path folder = [] {
        char name[] = "/tmp/fuzz_dbf.XXXXXX";
        return std::filesystem::path(::mkdtemp(name));
    }();
    try {
        for (const char* name : {"T.DBF", "T.DBT"}) {
            FILE* out = std::fopen((folder / name).c_str(), "wb");
            if (!out) __builtin_trap();
            const bool table = std::string_view(name) == "T.DBF";
            std::fwrite(table ? bytes : bytes + tableSize, 1, table ? tableSize : size - 2 - tableSize, out);
            std::fclose(out);
        }
        const kvz::TDbfFile whole(std::string(bytes, tableSize), std::nullopt);
        const kvz::TDbfFile file(folder / "T.DBF");
        if (file.RecordCount() != whole.RecordCount() || file.Cut() != whole.Cut()) __builtin_trap();
        for (uint32_t n = file.RecordCount(); n >= 1; n = n > 64 ? n - 64 : n - 1)
            if (file.Record(n) != whole.Record(n)) __builtin_trap();
    } catch (const std::runtime_error&) {
    }
    try {
        kvz::TIndexFile index(std::string(bytes + tableSize, size - 2 - tableSize));
    } catch (const std::runtime_error&) {
    }
    return 0;
}
