// The names that the dataset framework and the form layer share: notify events, alignment,
// the quiet abort and the screen cursors. Defined once here, below both, so that a window
// that shows data sees one meaning of each.
#pragma once

#include "platform/rtl/Component.h"

#include <exception>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvz {

// An event that only says who raised it.
using TNotifyEvent = std::function<void(TComponent* sender)>;

// Text alignment of fields, labels and cells.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The quiet error: it ends an operation on purpose, and the application's handler shows
// nothing for it.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};
[[noreturn]] inline void Abort() { throw EAbort(); }

// Screen cursors: the platform's numbers; programs register their own above 0.
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
                  crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22;

// A list of strings, each with an object beside it. Lists of controls (a combo box's items, a
// memo's lines) implement it over their widget, so that the text lives in one place.
class TStrings {
public:
    virtual ~TStrings() = default;
    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, std::string_view s) = 0;
    virtual void* GetObject(int index) const = 0;
    virtual void PutObject(int index, void* object) = 0;
    virtual void Insert(int index, std::string_view s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    std::string Strings(int index) const { return Get(index); }
    std::string operator[](int index) const { return Get(index); }
    void* Objects(int index) const { return GetObject(index); }
    int Add(std::string_view s) {
        Insert(Count(), s);
        return Count() - 1;
    }
    int AddObject(std::string_view s, void* object);
    // The first index of the string (without regard to ASCII case, as lists compare), or -1.
    int IndexOf(std::string_view s) const;
    int IndexOfObject(const void* object) const;
    // The lines joined with "\n" after each; setting it splits at "\n" (a "\r" before it goes).
    std::string Text() const;
    void SetText(std::string_view text);
    std::vector<std::string> ToVector() const;
    void Assign(const std::vector<std::string>& lines);
    void Assign(const TStrings& other);
};

// The plain string list.
class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines) {
        for (const auto& l : lines) Add(l);
    }
    int Count() const override { return int(items_.size()); }
    std::string Get(int index) const override { return items_.at(size_t(index)).first; }
    void Put(int index, std::string_view s) override { items_.at(size_t(index)).first = std::string(s); }
    void* GetObject(int index) const override { return items_.at(size_t(index)).second; }
    void PutObject(int index, void* object) override { items_.at(size_t(index)).second = object; }
    void Insert(int index, std::string_view s) override;
    void Delete(int index) override;
    void Clear() override { items_.clear(); }

private:
    std::vector<std::pair<std::string, void*>> items_;
};

} // namespace kvz
