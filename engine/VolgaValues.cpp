#include "engine/VolgaValues.h"

#include "engine/VolgaUtils.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/DateTime.h"

#include <cstring>

namespace kvz {

const std::string kNotFound = "Not Found";

bool VariantOfValue(const TVolgaField& f, std::string_view v, size_t limit, int codePage, Variant& value) {
    switch (f.Kind) {
    case TVolgaFieldKind::SmallInt: value = Variant(static_cast<int64_t>(FixedOf<int16_t>(v))); return true;
    case TVolgaFieldKind::Integer:
    case TVolgaFieldKind::AutoInc: value = Variant(static_cast<int64_t>(FixedOf<int32_t>(v))); return true;
    case TVolgaFieldKind::Int64: {
        const int64_t x = FixedOf<int64_t>(v);
        if (x == 0) return false;
        value = Variant(x);
        return true;
    }
    case TVolgaFieldKind::Boolean: value = Variant(FixedOf<int16_t>(v) != 0); return true;
    case TVolgaFieldKind::Double:
    case TVolgaFieldKind::Currency: value = Variant(FixedOf<double>(v)); return true;
    case TVolgaFieldKind::Date: {
        const int32_t day = FixedOf<int32_t>(v);
        if (day == 0) return false;
        value = Variant::DateTime(TimeStampToDateTime({0, day}));
        return true;
    }
    case TVolgaFieldKind::Time: value = Variant::DateTime(FixedOf<int32_t>(v) / static_cast<double>(kMSecsPerDay)); return true;
    case TVolgaFieldKind::DateTime: {
        const double ms = FixedOf<double>(v);
        if (ms == 0) return false;
        value = Variant::DateTime(MSecsToDateTime(ms));
        return true;
    }
    case TVolgaFieldKind::SmallStr:
    case TVolgaFieldKind::String: {
        if (v.empty()) return false;
        value = Variant(CodePageToUtf8(v.substr(0, std::min(limit, v.size())), codePage));
        return true;
    }
    case TVolgaFieldKind::Memo:
        if (v.empty()) return false;
        value = Variant(CodePageToUtf8(v, codePage));
        return true;
    case TVolgaFieldKind::FmtMemo:
    case TVolgaFieldKind::BLOB:
    case TVolgaFieldKind::Graphic:
        if (v.empty()) return false;
        value = Variant(std::string(v));
        return true;
    default: return false;
    }
}

bool ValueIsNull(const TVolgaField& f, std::string_view v) {
    switch (f.Kind) {
    case TVolgaFieldKind::SmallInt:
    case TVolgaFieldKind::Integer:
    case TVolgaFieldKind::AutoInc:
    case TVolgaFieldKind::Boolean:
    case TVolgaFieldKind::Double:
    case TVolgaFieldKind::Currency:
    case TVolgaFieldKind::Time: return false;
    case TVolgaFieldKind::Int64: return FixedOf<int64_t>(v) == 0;
    case TVolgaFieldKind::Date: return FixedOf<int32_t>(v) == 0;
    case TVolgaFieldKind::DateTime: return FixedOf<double>(v) == 0;
    case TVolgaFieldKind::SmallStr:
    case TVolgaFieldKind::String:
    case TVolgaFieldKind::Memo:
    case TVolgaFieldKind::FmtMemo:
    case TVolgaFieldKind::BLOB:
    case TVolgaFieldKind::Graphic: return v.empty();
    default: return true;
    }
}

bool StoreVariant(const TVolgaField& f, TVolgaRowBuffer& b, const Variant& value, const FormatSettings& fs, int codePage) {
    if (value.IsNull()) {
        if (IsPointerKind(f.Kind))
            b.Blobs[static_cast<size_t>(f.BlobIndex)].clear();
        else
            std::memset(b.Fixed.data() + f.Position, 0, f.ValueSize);
        return true;
    }
    const bool text = value.Type() == TVarType::String;
    const std::string& s = value.StringRef();
    switch (f.Kind) {
    case TVolgaFieldKind::SmallInt:
    case TVolgaFieldKind::Integer:
    case TVolgaFieldKind::AutoInc:
    case TVolgaFieldKind::Int64: {
        int64_t v = 0;
        if (text) {
            if (!TryStrToInt64(s, v)) return false;
        } else {
            v = value.AsInt64();
        }
        if (f.Kind == TVolgaFieldKind::Int64) SetFixed<int64_t>(b, f, v);
        else if (f.Kind == TVolgaFieldKind::SmallInt) SetFixed<int16_t>(b, f, static_cast<int16_t>(v));
        else SetFixed<int32_t>(b, f, static_cast<int32_t>(v));
        return true;
    }
    case TVolgaFieldKind::Boolean: {
        bool v = value.Type() == TVarType::Boolean ? value.AsBoolean() : false;
        if (text) {
            const std::string u = Utf8Upper(s);
            v = u == "TRUE" || u == "YES" || u == "T" || u == "1";
        } else if (value.Type() != TVarType::Boolean) {
            v = value.AsInt64() != 0;
        }
        SetFixed<int16_t>(b, f, v ? static_cast<int16_t>(-1) : static_cast<int16_t>(0));
        return true;
    }
    case TVolgaFieldKind::Double:
    case TVolgaFieldKind::Currency: {
        double v = 0;
        if (text) {
            if (!TryStrToFloat(s, v, fs)) return false;
        } else {
            v = value.AsFloat();
        }
        SetFixed<double>(b, f, v);
        return true;
    }
    case TVolgaFieldKind::Date:
    case TVolgaFieldKind::Time:
    case TVolgaFieldKind::DateTime: {
        TDateTime v = 0;
        if (text) {
            const bool ok = f.Kind == TVolgaFieldKind::Date   ? TryStrToDate(s, v, fs)
                            : f.Kind == TVolgaFieldKind::Time ? TryStrToTime(s, v, fs)
                                                              : TryStrToDateTime(s, v, fs);
            if (!ok) return false;
        } else {
            v = value.AsDateTime();
        }
        if (f.Kind == TVolgaFieldKind::Date) SetFixed<int32_t>(b, f, v == 0 ? 0 : DateTimeToTimeStamp(v).Date);
        else if (f.Kind == TVolgaFieldKind::Time) SetFixed<int32_t>(b, f, DateTimeToTimeStamp(v).Time);
        else SetFixed<double>(b, f, v == 0 ? 0 : DateTimeToMSecs(v));
        return true;
    }
    case TVolgaFieldKind::SmallStr:
    case TVolgaFieldKind::String:
    case TVolgaFieldKind::Memo: {
        std::string bytes;
        if (!TryUtf8ToCodePage(value.AsString(), codePage, bytes)) return false;
        SetValueBytes(b, f, bytes);
        return true;
    }
    case TVolgaFieldKind::FmtMemo:
    case TVolgaFieldKind::BLOB:
    case TVolgaFieldKind::Graphic: SetValueBytes(b, f, value.AsString()); return true;
    default: return true;
    }
}


std::string TextOfValue(const TVolgaField& field, std::string_view v, const FormatSettings& fs, bool fixedFormat,
                        int codePage) {
    auto local = [&](const std::string& utf8) {
        std::string out;
        return TryUtf8ToCodePage(utf8, codePage, out) ? out : utf8;
    };
    switch (field.Kind) {
    case TVolgaFieldKind::SmallInt: return std::to_string(FixedOf<int16_t>(v));
    case TVolgaFieldKind::Integer:
    case TVolgaFieldKind::AutoInc: return std::to_string(FixedOf<int32_t>(v));
    case TVolgaFieldKind::Int64: return std::to_string(FixedOf<int64_t>(v));
    case TVolgaFieldKind::Boolean: return FixedOf<int16_t>(v) != 0 ? "Yes" : "No";
    case TVolgaFieldKind::Double:
    case TVolgaFieldKind::Currency: return local(FormatFloat("0.######", FixedOf<double>(v), fs));
    case TVolgaFieldKind::Date: {
        const int32_t day = FixedOf<int32_t>(v);
        if (day <= 0) return {};
        const TDateTime dt = TimeStampToDateTime({0, day});
        return local(FormatDateTime(fixedFormat ? "yyyy/mm/dd" : fs.ShortDateFormat, dt, fs));
    }
    case TVolgaFieldKind::Time: {
        const int32_t ms = FixedOf<int32_t>(v);
        if (ms <= 0) return {};
        return local(FormatDateTime(fs.LongTimeFormat, ms / static_cast<double>(kMSecsPerDay), fs));
    }
    case TVolgaFieldKind::DateTime: {
        const TDateTime dt = MSecsToDateTime(FixedOf<double>(v));
        return local(FormatDateTime(fixedFormat ? "yyyy/mm/dd hh:nn:ss" : "c", dt, fs));
    }
    case TVolgaFieldKind::SmallStr:
    case TVolgaFieldKind::String:
    case TVolgaFieldKind::Memo:
    case TVolgaFieldKind::FmtMemo: return std::string(v);
    default: return kNotFound;
    }
}

} // namespace kvz
