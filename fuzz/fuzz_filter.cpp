// Feeds arbitrary text to the table engine's filter: the first byte chooses the filter options,
// the rest up to a zero byte is the filter text, what follows is a LIKE mask matched against
// the rows' texts. Every row of a small table of each field kind is tested.
#include "engine/VolgaLex.h"
#include "engine/VolgaTbl.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

kvz::TVolgaTable& Table() {
    static kvz::TVolgaTable* table = [] {
        auto* t = new kvz::TVolgaTable;
        t->FieldDefs().Add("Number", kvz::ftString, 8);
        t->FieldDefs().Add("Name", kvz::ftString, 30);
        t->FieldDefs().Add("Count", kvz::ftInteger);
        t->FieldDefs().Add("Sum", kvz::ftFloat);
        t->FieldDefs().Add("Day", kvz::ftDate);
        t->FieldDefs().Add("Done", kvz::ftBoolean);
        t->Open();
        const char* names[] = {"Šťastný", "novák", "O\"Brien", "", "*?%_\\"};
        for (int i = 0; i < 5; ++i) {
            t->Append();
            t->FieldByName("Number").SetAsString(std::to_string(i));
            t->FieldByName("Name").SetAsString(names[i]);
            t->FieldByName("Count").SetAsInteger(i * 7 - 10);
            t->FieldByName("Sum").SetAsFloat(i * 1.25);
            t->FieldByName("Day").SetAsDateTime(45000 + i);
            t->FieldByName("Done").SetAsBoolean(i % 2 == 0);
            t->Post();
        }
        return t;
    }();
    return *table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = rest.find('\0');
    const std::string filter = rest.substr(0, split);
    const std::string mask = split == std::string::npos ? std::string() : rest.substr(split + 1);
    kvz::TVolgaTable& t = Table();
    try {
        t.SetFiltered(false);
        t.SetFilterOptions(data[0] & 3);
        t.SetFilterText(filter);
        t.SetFiltered(true);
        for (t.First(); !t.Eof(); t.Next()) (void)t.FieldByName("Name").AsString();
    } catch (const std::exception&) {
    }
    try {
        const kvz::TVolgaMask like(mask, 1250);
        static const std::string texts[] = {"Šťastný", "novák", "", "abc*def", std::string(300, 'a')};
        for (const std::string& text : texts) (void)like.Matches(text);
    } catch (const std::exception&) {
    }
    return 0;
}
