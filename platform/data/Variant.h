// A value as it crosses the dataset framework: null, a truth value, a whole number, a
// floating-point number, a date-time (days since 30 December 1899), a text (UTF-8, or the raw
// bytes of a BLOB field) or an array of values (the key values of Locate and the results of
// Lookup with several fields). Conversions that cannot be made throw EVariantError.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class EVariantError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TVarType { Null, Boolean, Integer, Float, DateTime, String, Array };

class Variant {
public:
    Variant() = default;
    Variant(bool v) : type_(TVarType::Boolean), i_(v ? 1 : 0) {}
    Variant(int v) : type_(TVarType::Integer), i_(v) {}
    Variant(int64_t v) : type_(TVarType::Integer), i_(v) {}
    Variant(double v) : type_(TVarType::Float), d_(v) {}
    Variant(const char* v) : type_(TVarType::String), s_(v) {}
    Variant(std::string v) : type_(TVarType::String), s_(std::move(v)) {}
    Variant(std::string_view v) : type_(TVarType::String), s_(v) {}
    Variant(std::vector<Variant> items) : type_(TVarType::Array), items_(std::move(items)) {}
    static Variant DateTime(double v) {
        Variant r;
        r.type_ = TVarType::DateTime;
        r.d_ = v;
        return r;
    }

    TVarType Type() const { return type_; }
    bool IsNull() const { return type_ == TVarType::Null; }
    bool IsArray() const { return type_ == TVarType::Array; }
    bool IsNumeric() const { return type_ == TVarType::Integer || type_ == TVarType::Float; }

    // Conversions; null gives false, 0, 0.0 and "". Text is read locale-free ("." decimal
    // separator); a date-time as text is "yyyy-mm-dd hh:nn:ss" (time part only when not midnight).
    bool AsBoolean() const;
    int64_t AsInt64() const;
    double AsFloat() const;
    double AsDateTime() const { return AsFloat(); }
    std::string AsString() const;
    const std::string& StringRef() const { return s_; } // the text when Type() is String
    const std::vector<Variant>& Items() const { return items_; }

    // Exact equality of kind-compatible values: numbers and date-times compare by value,
    // texts by bytes, null equals only null; a number and a text compare by the number read
    // from the text (false when it is no number).
    friend bool operator==(const Variant& a, const Variant& b);

private:
    TVarType type_ = TVarType::Null;
    int64_t i_ = 0;
    double d_ = 0;
    std::string s_;
    std::vector<Variant> items_;
};

} // namespace kvz
