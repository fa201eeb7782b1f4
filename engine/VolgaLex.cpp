#include "engine/VolgaLex.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/DateTime.h"

#include <algorithm>
#include <cstdio>

namespace kvz {

namespace {

const char* const kReserved[] = {"SELECT", "FROM", "WHERE", "AS",  "AND", "OR",  "NOT",  "NULL",     "JOIN", "LEFT",  "ON",
                                 "LIKE",   "GROUP", "BY",   "SUM", "MAX", "MIN", "AVG", "TRUE", "FALSE", "DISTINCT", "COUNT"};
const std::string kComparisonError = "Error in comparison expression";
constexpr int kMaxWildItems = 30;

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool IsReserved(const std::string& upper) {
    return std::any_of(std::begin(kReserved), std::end(kReserved), [&](const char* r) { return upper == r; });
}

bool IsWordChar(char c) {
    return c == '$' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string Printf(const char* fmt, const std::string& a) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, a.c_str());
    return buf;
}

bool IsAggregate(const std::string& w) { return w == "SUM" || w == "MAX" || w == "MIN" || w == "AVG" || w == "COUNT"; }

enum class Family { Integer, Float, Text, Boolean, Int64, SmallInt, Other };

// Fields of one family store their values alike and compare with each other.
Family FamilyOf(TVolgaFieldKind k) {
    const TVolgaKindInfo& kind = KindInfo(k);
    switch (kind.order) {
    case TKindOrder::Text: return Family::Text;
    case TKindOrder::Boolean: return Family::Boolean;
    case TKindOrder::Float: return Family::Float;
    case TKindOrder::Signed:
        return kind.store == TKindStore::Int16 ? Family::SmallInt : kind.store == TKindStore::Int32 ? Family::Integer : Family::Int64;
    default: return Family::Other;
    }
}

} // namespace

// ---- masks ----

TVolgaMask::TVolgaMask(std::string_view mask, int codePage) : upper_(CodePageTablesFor(codePage).upper.data()) {
    bool wild = false;
    int wildItems = 0;
    auto add = [&](Item item, size_t pos) {
        if (item.wild && ++wildItems > kMaxWildItems) {
            char buf[600];
            std::snprintf(buf, sizeof buf, "'%s' is an invalid mask at (%d)", std::string(mask).c_str(), static_cast<int>(pos));
            throw EVolgaFilterError(buf);
        }
        items_.push_back(item);
    };
    for (size_t i = 0; i < mask.size(); ++i) {
        auto c = static_cast<uint8_t>(mask[i]);
        // A backslash takes the next character as it stands, so that typed text can hold
        // the wildcard characters; a backslash at the end stands for itself.
        if (c == '\\' && i + 1 < mask.size()) {
            c = static_cast<uint8_t>(mask[++i]);
            add({wild, ItemKind::Literal, upper_[c]}, i + 1);
            wild = false;
        } else if (c == '*' || c == '%') {
            wild = true;
        } else if (c == '?' || c == '_') {
            if (!wild) add({false, ItemKind::AnyChar, 0}, i + 1);
        } else {
            add({wild, ItemKind::Literal, upper_[c]}, i + 1);
            wild = false;
        }
    }
    add({wild, ItemKind::End, 0}, mask.size() + 1);
}

bool TVolgaMask::Matches(std::string_view text) const {
    // One retry point is enough: a later run always covers what an earlier one could.
    size_t item = 0, pos = 0;
    size_t retryItem = SIZE_MAX, retryPos = 0;
    const size_t len = text.size();
    while (true) {
        const Item& it = items_[item];
        bool ok;
        if (it.wild) {
            size_t q = pos;
            if (it.kind == ItemKind::End)
                q = len;
            else
                while (q < len && upper_[static_cast<uint8_t>(text[q])] != it.ch) ++q;
            if (q >= len && it.kind != ItemKind::End) return false;
            retryItem = item;
            retryPos = q + 1;
            pos = q;
        }
        switch (it.kind) {
        case ItemKind::End:
            if (pos == len) return true;
            ok = false;
            break;
        case ItemKind::Literal: ok = pos < len && upper_[static_cast<uint8_t>(text[pos])] == it.ch; break;
        default: ok = pos < len; break;
        }
        if (ok) {
            ++pos;
            ++item;
            continue;
        }
        if (retryItem == SIZE_MAX || retryPos > len) return false;
        item = retryItem;
        pos = retryPos;
    }
}

// ---- tokens and conditions ----

void TVolgaParser::Tokenize(std::string_view text, const FormatSettings& fs) {
    tokens_.clear();
    while (!text.empty() && static_cast<uint8_t>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<uint8_t>(text.back()) <= ' ') text.remove_suffix(1);
    int depth = 0;
    size_t i = 0;
    const std::string& dec = fs.DecimalSeparator;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c == '\'' || c == '"') {
            std::string value;
            size_t j = i + 1;
            while (true) {
                if (j >= text.size()) throw EVolgaFilterError("Unmatched quote");
                if (text[j] == c) {
                    if (j + 1 < text.size() && text[j + 1] == c) {
                        value.push_back(c);
                        j += 2;
                        continue;
                    }
                    break;
                }
                value.push_back(text[j++]);
            }
            tokens_.push_back({value, TVolgaTokenKind::String});
            i = j + 1;
            continue;
        }
        if (c >= '0' && c <= '9') {
            size_t j = i;
            while (j < text.size()) {
                if ((text[j] >= '0' && text[j] <= '9') || text[j] == '-')
                    ++j;
                else if (!dec.empty() && text.substr(j, dec.size()) == dec)
                    j += dec.size();
                else
                    break;
            }
            tokens_.push_back({std::string(text.substr(i, j - i)), TVolgaTokenKind::Number});
            i = j;
            continue;
        }
        const std::string_view two = text.substr(i, 2);
        if (two == ">=" || two == "<=" || two == "<>" || two == "*=") {
            tokens_.push_back({std::string(two), TVolgaTokenKind::Compare});
            i += 2;
            continue;
        }
        switch (c) {
        case '(':
            ++depth;
            tokens_.push_back({"(", TVolgaTokenKind::LeftParen});
            ++i;
            continue;
        case ')':
            --depth;
            tokens_.push_back({")", TVolgaTokenKind::RightParen});
            ++i;
            continue;
        case '*': tokens_.push_back({"*", TVolgaTokenKind::Star}); ++i; continue;
        case ',': tokens_.push_back({",", TVolgaTokenKind::Comma}); ++i; continue;
        case '.': tokens_.push_back({".", TVolgaTokenKind::Dot}); ++i; continue;
        case '+':
        case '-':
        case '/': tokens_.push_back({std::string(1, c), TVolgaTokenKind::Sign}); ++i; continue;
        case '<':
        case '=':
        case '>': tokens_.push_back({std::string(1, c), TVolgaTokenKind::Compare}); ++i; continue;
        default: break;
        }
        // A word runs to the next separator or token character.
        size_t j = i;
        while (j < text.size() && std::string_view(" \t\r\n'\"()*,.+-/<=>").find(text[j]) == std::string_view::npos) {
            if (!IsWordChar(text[j])) throw EVolgaFilterError("Invalid symbol in parameter/identificator/reserved word");
            ++j;
        }
        const std::string word(text.substr(i, j - i));
        const std::string upper = Upper(word);
        i = j;
        if (IsReserved(upper)) {
            if (upper == "AND" || upper == "OR" || upper == "NOT") {
                tokens_.push_back({upper, TVolgaTokenKind::Logical});
            } else if (upper == "NULL") {
                tokens_.push_back({upper, TVolgaTokenKind::Null});
            } else if (upper == "TRUE") {
                tokens_.push_back({upper, TVolgaTokenKind::True});
            } else if (upper == "FALSE") {
                tokens_.push_back({upper, TVolgaTokenKind::False});
            } else if (i < text.size() && text[i] == '(') {
                if (!IsAggregate(upper)) throw EVolgaFilterError(Printf("Unsupported function %s in query", upper));
                tokens_.push_back({upper, TVolgaTokenKind::Aggregate});
                // Inside its parentheses only an argument, "." and ")" may follow.
                size_t k = i + 1;
                while (k < text.size() && text[k] != ')') {
                    if (!IsWordChar(text[k]) && text[k] != '.' && text[k] != '*' && text[k] != ' ')
                        throw EVolgaFilterError(Printf("Symbol %s is not supported in aggregate function argument",
                                                       std::string(1, text[k])));
                    ++k;
                }
            } else {
                tokens_.push_back({upper, TVolgaTokenKind::Reserved});
            }
            continue;
        }
        if (word.empty() || (word[0] >= '0' && word[0] <= '9'))
            throw EVolgaFilterError(Printf("Parameter %s is not valid identifier", word));
        tokens_.push_back({word, TVolgaTokenKind::Identifier});
    }
    if (depth != 0) throw EVolgaFilterError("Unmatched parentheses");
}

size_t TVolgaParser::BuildConditions(std::vector<TVolgaCField>& list, size_t first) {
    size_t i = first;
    const size_t n = tokens_.size();
    auto at = [&](size_t k) -> const TVolgaToken* { return k < n ? &tokens_[k] : nullptr; };
    while (i < n) {
        TVolgaCField cond;
        // Left operand, with an optional qualifier.
        const TVolgaToken* t = at(i);
        if (t->Kind == TVolgaTokenKind::Identifier && at(i + 1) && at(i + 1)->Kind == TVolgaTokenKind::Dot) {
            cond.LeftQualifier = t->Text;
            i += 2;
            t = at(i);
            if (!t) throw EVolgaFilterError(kComparisonError);
        }
        if (t->Kind != TVolgaTokenKind::Identifier && t->Kind != TVolgaTokenKind::String)
            throw EVolgaFilterError(kComparisonError);
        cond.LeftName = t->Text;
        cond.LeftKind = t->Kind;
        ++i;
        // Operator. A comparison that ends here is unfinished, which is an error.
        t = at(i);
        if (!t) throw EVolgaFilterError(kComparisonError);
        if (t->Kind == TVolgaTokenKind::Compare) {
            const std::string& op = t->Text;
            cond.Operator = op == "=" ? TVolgaOperator::Equal
                            : op == ">" ? TVolgaOperator::Greater
                            : op == "<" ? TVolgaOperator::Less
                            : op == ">=" ? TVolgaOperator::GreaterEqual
                            : op == "<=" ? TVolgaOperator::LessEqual
                            : op == "<>" ? TVolgaOperator::NotEqual
                                         : TVolgaOperator::StarEqual;
        } else if (t->Kind == TVolgaTokenKind::Reserved && t->Text == "LIKE") {
            cond.Operator = TVolgaOperator::Like;
        } else {
            throw EVolgaFilterError(kComparisonError);
        }
        ++i;
        // Right operand.
        t = at(i);
        if (!t) throw EVolgaFilterError(kComparisonError);
        bool negative = false;
        if (t->Kind == TVolgaTokenKind::Sign && t->Text == "-" && at(i + 1) && at(i + 1)->Kind == TVolgaTokenKind::Number) {
            negative = true;
            t = at(++i);
        }
        if (t->Kind == TVolgaTokenKind::Identifier && at(i + 1) && at(i + 1)->Kind == TVolgaTokenKind::Dot) {
            cond.RightQualifier = t->Text;
            i += 2;
            t = at(i);
            if (!t || t->Kind != TVolgaTokenKind::Identifier) throw EVolgaFilterError(kComparisonError);
        }
        switch (t->Kind) {
        case TVolgaTokenKind::Identifier:
        case TVolgaTokenKind::String:
        case TVolgaTokenKind::Number:
        case TVolgaTokenKind::Null:
        case TVolgaTokenKind::True:
        case TVolgaTokenKind::False: break;
        default: throw EVolgaFilterError(kComparisonError);
        }
        cond.RightKind = t->Kind;
        cond.RightText = (negative ? "-" : "") + t->Text;
        ++i;
        list.push_back(std::move(cond));
        // After a condition: AND, GROUP BY or the end.
        t = at(i);
        if (!t) return 0;
        if (t->Kind == TVolgaTokenKind::Logical && t->Text == "AND") {
            ++i;
            continue;
        }
        if (t->Kind == TVolgaTokenKind::Reserved && t->Text == "GROUP" && at(i + 1) && at(i + 1)->Text == "BY")
            return i + 2;
        throw EVolgaFilterError(kComparisonError);
    }
    return 0;
}

// ---- the filter ----

void TVolgaFilter::Compile(std::string_view text, const FormatSettings& fs, int codePage) {
    std::string bytes;
    if (!TryUtf8ToCodePage(text, codePage, bytes))
        throw EVolgaFilterError("The filter holds a character that the table cannot store");
    TVolgaParser parser;
    parser.Tokenize(bytes, fs);
    std::vector<TVolgaCField> list;
    parser.BuildConditions(list, 0);
    conditions_ = std::move(list);
    fs_ = fs;
    codePage_ = codePage;
}

void TVolgaFilter::Resolve(const TVolgaCursor& cursor) {
    for (TVolgaCField& c : conditions_) {
        c.Left = cursor.FindField(c.LeftName);
        if (!c.Left) throw EVolgaFilterError(Printf("Field %s is not found", CodePageToUtf8(c.LeftName, codePage_)));
        c.Right = nullptr;
        c.Mask.reset();
        c.Constant.clear();
        if (c.RightKind == TVolgaTokenKind::Identifier) {
            c.Right = cursor.FindField(c.RightText);
            if (!c.Right) throw EVolgaFilterError(Printf("Field %s is not found", CodePageToUtf8(c.RightText, codePage_)));
        } else if (c.RightKind == TVolgaTokenKind::String && c.Operator != TVolgaOperator::Like) {
            c.Right = cursor.FindField(c.RightText);
        }
        if (c.Right) {
            const Family l = FamilyOf(c.Left->Kind), r = FamilyOf(c.Right->Kind);
            if (l != r || l == Family::Other) throw EVolgaFilterError("Types of compared fields are not equal");
            continue;
        }
        if (c.RightKind != TVolgaTokenKind::Null) c.Constant = c.RightText;
        if (c.Operator == TVolgaOperator::Like) {
            c.Mask = std::make_unique<TVolgaMask>(c.Constant, codePage_);
            continue;
        }
        // The constant as the left field stores it; one that does not convert is an error, so
        // that a mistyped value never selects every empty row.
        c.ConstantRow = cursor.NewBuffer();
        const TVolgaField& f = *c.Left;
        const std::string& k = c.Constant;
        const std::string shown = CodePageToUtf8(k, codePage_);
        auto fail = [&](const char* what) { throw EVolgaFilterError("'" + shown + "' is not a valid " + what); };
        if (k.empty()) continue;
        switch (f.Kind) {
        case TVolgaFieldKind::SmallInt:
        case TVolgaFieldKind::Integer:
        case TVolgaFieldKind::AutoInc:
        case TVolgaFieldKind::Int64: {
            int64_t v;
            if (!TryStrToInt64(k, v)) fail("integer value");
            if (f.Kind == TVolgaFieldKind::Int64) SetFixed<int64_t>(c.ConstantRow, f, v);
            else if (f.Kind == TVolgaFieldKind::SmallInt) SetFixed<int16_t>(c.ConstantRow, f, static_cast<int16_t>(v));
            else SetFixed<int32_t>(c.ConstantRow, f, static_cast<int32_t>(v));
            break;
        }
        case TVolgaFieldKind::Boolean: {
            const std::string u = Upper(k);
            const bool truth = u == "TRUE" || u == "YES" || u == "T" || u == "1" || u == "\xC4\xC0";
            SetFixed<int16_t>(c.ConstantRow, f, truth ? 1 : 0);
            break;
        }
        case TVolgaFieldKind::Double:
        case TVolgaFieldKind::Currency: {
            double v;
            if (!TryStrToFloat(k, v, fs_)) fail("floating point value");
            SetFixed<double>(c.ConstantRow, f, v);
            break;
        }
        case TVolgaFieldKind::Date: {
            TDateTime d;
            if (!TryStrToDate(shown, d, fs_)) fail("date");
            SetFixed<int32_t>(c.ConstantRow, f, DateTimeToTimeStamp(d).Date);
            break;
        }
        case TVolgaFieldKind::Time: {
            TDateTime t;
            if (!TryStrToTime(shown, t, fs_)) fail("time");
            SetFixed<int32_t>(c.ConstantRow, f, DateTimeToTimeStamp(t).Time);
            break;
        }
        case TVolgaFieldKind::DateTime: {
            TDateTime dt;
            if (!TryStrToDateTime(shown, dt, fs_)) fail("date and time");
            SetFixed<double>(c.ConstantRow, f, DateTimeToMSecs(dt));
            break;
        }
        default: SetValueBytes(c.ConstantRow, f, k); break;
        }
    }
}

bool TVolgaFilter::Accepts(const TVolgaCursor& cursor, const TVolgaRow& row, bool caseInsensitive) const {
    // Values are read where the row holds them; only numbers and dates matched by a mask are
    // turned into text.
    std::string shown, shownRight;
    auto textOf = [&](const TVolgaField& f, std::string& scratch) -> std::string_view {
        if (IsTextKind(f.Kind)) return cursor.FieldBytes(row, f);
        scratch = cursor.FieldText(f, row, false, false);
        return scratch;
    };
    for (const TVolgaCField& c : conditions_) {
        if (c.Operator == TVolgaOperator::StarEqual) continue;
        if (c.Operator == TVolgaOperator::Like) {
            const std::string_view text = textOf(*c.Left, shown);
            if (c.Mask) {
                if (!c.Mask->Matches(text)) return false;
            } else if (!TVolgaMask(textOf(*c.Right, shownRight), codePage_).Matches(text)) {
                return false;
            }
            continue;
        }
        std::string_view rhs;
        if (c.Right) {
            // Fields of one family store their values alike; a text compares as far as the
            // left field could hold it.
            rhs = cursor.FieldBytes(row, *c.Right);
            if (c.Left->Kind == TVolgaFieldKind::SmallStr) rhs = rhs.substr(0, std::min<size_t>(rhs.size(), c.Left->Size));
        } else {
            rhs = ValueBytes(c.ConstantRow, *c.Left);
        }
        const int d = CompareValues(*c.Left, cursor.FieldBytes(row, *c.Left), rhs, caseInsensitive, codePage_);
        bool holds;
        switch (c.Operator) {
        case TVolgaOperator::Equal: holds = d == 0; break;
        case TVolgaOperator::Greater: holds = d > 0; break;
        case TVolgaOperator::Less: holds = d < 0; break;
        case TVolgaOperator::GreaterEqual: holds = d >= 0; break;
        case TVolgaOperator::LessEqual: holds = d <= 0; break;
        case TVolgaOperator::NotEqual: holds = d != 0; break;
        default: holds = true; break;
        }
        if (!holds) return false;
    }
    return true;
}

} // namespace kvz
