#include "addressbook/FilterText.h"

namespace kvz {

namespace {

// Doubles the quote, which the filter parser reads back as one.
void AppendQuoted(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
}

} // namespace

bool FilterRowFilled(std::string_view text) { return !text.empty() && text != " "; }

std::string QuotedFilterName(std::string_view field) {
    std::string out = "\"";
    AppendQuoted(out, field);
    return out + "\"";
}

std::string ContainsPattern(std::string_view typed) {
    std::string escaped;
    for (char c : typed) {
        if (c == '*' || c == '%' || c == '?' || c == '_' || c == '\\') escaped += '\\';
        escaped += c;
    }
    std::string out = "\"*";
    AppendQuoted(out, escaped);
    return out + "*\"";
}

std::string BuildFilterText(const std::vector<FilterRow>& rows) {
    std::string text;
    for (const FilterRow& row : rows)
        if (FilterRowFilled(row.Text)) text += QuotedFilterName(row.Field) + " like" + ContainsPattern(row.Text) + " and  ";
    return text;
}

} // namespace kvz
