#include "platform/data/Variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/rtl/DateTime.h"

namespace kvz {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool ParseInt(std::string_view s, int64_t& out) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ParseFloat(std::string_view s, double& out) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string FloatText(double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}

} // namespace

bool Variant::AsBoolean() const {
    switch (type_) {
    case TVarType::Null: return false;
    case TVarType::Boolean:
    case TVarType::Integer: return i_ != 0;
    case TVarType::Float:
    case TVarType::DateTime: return d_ != 0;
    case TVarType::String: {
        std::string_view t = Trim(s_);
        if (t.size() == 4 && (t[0] == 't' || t[0] == 'T') && (t[1] | 0x20) == 'r' && (t[2] | 0x20) == 'u' &&
            (t[3] | 0x20) == 'e')
            return true;
        if (t.size() == 5 && (t[0] | 0x20) == 'f' && (t[1] | 0x20) == 'a' && (t[2] | 0x20) == 'l' &&
            (t[3] | 0x20) == 's' && (t[4] | 0x20) == 'e')
            return false;
        int64_t n;
        if (ParseInt(t, n)) return n != 0;
        throw EVariantError("Could not convert '" + s_ + "' to a truth value");
    }
    case TVarType::Array: break;
    }
    throw EVariantError("Could not convert an array to a truth value");
}

int64_t Variant::AsInt64() const {
    switch (type_) {
    case TVarType::Null: return 0;
    case TVarType::Boolean:
    case TVarType::Integer: return i_;
    case TVarType::Float:
    case TVarType::DateTime:
        if (!std::isfinite(d_) || d_ >= 9.2e18 || d_ <= -9.2e18)
            throw EVariantError("Could not convert " + FloatText(d_) + " to a whole number");
        return static_cast<int64_t>(std::llround(d_));
    case TVarType::String: {
        int64_t n;
        if (ParseInt(s_, n)) return n;
        double d;
        if (ParseFloat(s_, d) && std::isfinite(d) && d < 9.2e18 && d > -9.2e18) return std::llround(d);
        throw EVariantError("'" + s_ + "' is not a valid whole number");
    }
    case TVarType::Array: break;
    }
    throw EVariantError("Could not convert an array to a whole number");
}

double Variant::AsFloat() const {
    switch (type_) {
    case TVarType::Null: return 0;
    case TVarType::Boolean:
    case TVarType::Integer: return static_cast<double>(i_);
    case TVarType::Float:
    case TVarType::DateTime: return d_;
    case TVarType::String: {
        double d;
        if (ParseFloat(s_, d)) return d;
        throw EVariantError("'" + s_ + "' is not a valid floating point value");
    }
    case TVarType::Array: break;
    }
    throw EVariantError("Could not convert an array to a floating point value");
}

std::string Variant::AsString() const {
    switch (type_) {
    case TVarType::Null: return {};
    case TVarType::Boolean: return i_ ? "True" : "False";
    case TVarType::Integer: return std::to_string(i_);
    case TVarType::Float: return FloatText(d_);
    case TVarType::DateTime: {
        int y, m, d, h, n, s, ms;
        DecodeDate(d_, y, m, d);
        DecodeTime(d_, h, n, s, ms);
        char buf[40];
        if (h == 0 && n == 0 && s == 0)
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
        else
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, h, n, s);
        return buf;
    }
    case TVarType::String: return s_;
    case TVarType::Array: break;
    }
    throw EVariantError("Could not convert an array to text");
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.type_ == TVarType::Null || b.type_ == TVarType::Null) return a.type_ == b.type_;
    if (a.type_ == TVarType::Array || b.type_ == TVarType::Array) {
        if (a.type_ != b.type_ || a.items_.size() != b.items_.size()) return false;
        for (size_t i = 0; i < a.items_.size(); ++i)
            if (!(a.items_[i] == b.items_[i])) return false;
        return true;
    }
    if (a.type_ == TVarType::String && b.type_ == TVarType::String) return a.s_ == b.s_;
    if (a.type_ == TVarType::String || b.type_ == TVarType::String) {
        const Variant& num = a.type_ == TVarType::String ? b : a;
        const Variant& str = a.type_ == TVarType::String ? a : b;
        if (num.type_ == TVarType::Boolean) {
            try {
                return str.AsBoolean() == (num.i_ != 0);
            } catch (const EVariantError&) {
                return false;
            }
        }
        double d;
        if (!ParseFloat(str.s_, d)) return false;
        return d == num.AsFloat();
    }
    if ((a.type_ == TVarType::Integer || a.type_ == TVarType::Boolean) &&
        (b.type_ == TVarType::Integer || b.type_ == TVarType::Boolean))
        return a.i_ == b.i_;
    return a.AsFloat() == b.AsFloat();
}

} // namespace kvz
