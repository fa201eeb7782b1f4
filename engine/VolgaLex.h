// Filter expressions: comparisons joined by AND in an SQL-like notation, each comparing a field
// with a constant or another field, or matching a field's text against a LIKE mask.
#pragma once

#include "engine/VolgaCursor.h"
#include "platform/rtl/FormatSettings.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

// An error of a filter text, a mask or a condition; the dataset raises it as its own error.
class EVolgaFilterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TVolgaTokenKind {
    Identifier,
    String,
    Comma,
    Dot,
    Reserved,
    Number,
    Star,
    Sign,
    Logical,
    Compare,
    LeftParen,
    RightParen,
    Null,
    Aggregate,
    True,
    False,
};

struct TVolgaToken {
    std::string Text;
    TVolgaTokenKind Kind;
};

enum class TVolgaOperator { Equal, Greater, Less, GreaterEqual, LessEqual, NotEqual, Like, StarEqual };

// A LIKE mask: "*" and "%" match any run, "?" and "_" one character, "\\" before a character
// matches that character itself; letters match without regard to case.
class TVolgaMask {
public:
    // The mask in the data code page's bytes; throws EVolgaFilterError for more than 30 runs.
    TVolgaMask(std::string_view mask, int codePage);
    bool Matches(std::string_view text) const;

private:
    enum class ItemKind : uint8_t { Literal, AnyChar, End };
    struct Item {
        bool wild;
        ItemKind kind;
        uint8_t ch;
    };
    std::vector<Item> items_;
    const uint8_t* upper_;
};

struct TVolgaCField {
    std::string LeftQualifier, LeftName, RightQualifier, RightText;
    TVolgaTokenKind LeftKind = TVolgaTokenKind::Identifier, RightKind = TVolgaTokenKind::Identifier;
    TVolgaOperator Operator = TVolgaOperator::Equal;
    std::string Constant;
    std::unique_ptr<TVolgaMask> Mask;
    // Resolved against a table:
    const TVolgaField* Left = nullptr;
    const TVolgaField* Right = nullptr;
    TVolgaRowBuffer ConstantRow; // the constant converted, in the left field's slot
};

class TVolgaParser {
public:
    // The text in the data code page's bytes. Throws EVolgaFilterError.
    void Tokenize(std::string_view text, const FormatSettings& fs);
    // Appends one condition per comparison from the token at first; returns the index after
    // GROUP BY, 0 otherwise. Throws EVolgaFilterError.
    size_t BuildConditions(std::vector<TVolgaCField>& list, size_t first);
    const std::vector<TVolgaToken>& Tokens() const { return tokens_; }

private:
    std::vector<TVolgaToken> tokens_;
};

// The compiled conditions of a dataset's filter text.
class TVolgaFilter {
public:
    // Compiles the UTF-8 text; on an error the filter stays as it was.
    void Compile(std::string_view text, const FormatSettings& fs, int codePage);
    bool Empty() const { return conditions_.empty(); }
    void Clear() { conditions_.clear(); }
    // Binds the conditions to the cursor's fields and converts the constants; throws
    // EVolgaFilterError ("Field %s is not found", a constant that does not convert, a bad mask).
    void Resolve(const TVolgaCursor& cursor);
    // All conditions hold for the row; texts compare without regard to case when asked.
    bool Accepts(const TVolgaCursor& cursor, const TVolgaRow& row, bool caseInsensitive) const;

private:
    std::vector<TVolgaCField> conditions_;
    FormatSettings fs_;
    int codePage_ = 1250;
};

} // namespace kvz
