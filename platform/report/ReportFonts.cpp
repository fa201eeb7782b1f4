#include "platform/report/ReportFonts.h"

#include <cctype>

namespace kvz {

namespace {

struct Substitute {
    std::string_view family, by;
};

const Substitute table[] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"Courier", "Liberation Mono"},
    {"Courier New", "Liberation Mono"},
    {"Tahoma", "DejaVu Sans"},
    {"MS Sans Serif", "DejaVu Sans"},
    {"Microsoft Sans Serif", "DejaVu Sans"},
};

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

std::string SubstituteFontFamily(std::string_view family) {
    for (const Substitute& s : table)
        if (SameName(s.family, family)) return std::string(s.by);
    return std::string(family);
}

} // namespace kvz
