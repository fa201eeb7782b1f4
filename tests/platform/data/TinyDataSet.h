// A tiny dataset of the tests' own: rows of values in a vector, a cursor index, bookmarks
// that are row ids, the filter event honoured. Just enough to drive the framework.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/data/DB.h"

namespace kvz::test {

class TTinyDataSet : public TDataSet {
public:
    struct Row {
        int id;
        std::vector<Variant> values;
    };
    explicit TTinyDataSet(TComponent* owner = nullptr) : TDataSet(owner) {}
    ~TTinyDataSet() override { Close(); }

    std::vector<Row> rows; // kept while closed too (a "file")
    bool readOnly = false;
    int deleteFailures = 0; // InternalDelete fails this many times
    int postFailures = 0;

    void AddRow(std::vector<Variant> values) { rows.push_back({nextId_++, std::move(values)}); }
    int RecordCount() const override { return static_cast<int>(rows.size()); }
    int RecNo() const override {
        if (State() == dsInactive || IsEmpty()) return 0;
        int id = IdOf(ActiveBuffer().Bookmark);
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].id == id) return static_cast<int>(i) + 1;
        return 0;
    }
    bool BookmarkValid(const TBookmark& b) const override { return IndexOfId(IdOf(b)) >= 0; }
    int Position() const { return pos_; }

protected:
    struct Buffer : TRecordBuffer {
        std::vector<Variant> values;
    };
    static TBookmark MakeBookmark(int id) { return TBookmark(reinterpret_cast<const char*>(&id), sizeof id); }
    static int IdOf(const TBookmark& b) {
        int id = 0;
        if (b.size() == sizeof id) std::memcpy(&id, b.data(), sizeof id);
        return id;
    }
    int IndexOfId(int id) const {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].id == id) return static_cast<int>(i);
        return -1;
    }
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override { return std::make_unique<Buffer>(); }
    void InternalOpen() override {
        if (FieldDefs().Count() == 0) DatabaseError("No fields defined", this);
        open_ = true;
        pos_ = -1;
    }
    void InternalClose() override { open_ = false; }
    bool IsCursorOpen() const override { return open_; }
    bool Accept(int index) {
        if (!Filtered()) return true;
        Buffer b;
        Fill(b, index);
        return FilterAccepts(b);
    }
    void Fill(Buffer& b, int index) {
        b.values = rows[static_cast<size_t>(index)].values;
        b.values.resize(static_cast<size_t>(FieldDefs().Count()));
        b.Bookmark = MakeBookmark(rows[static_cast<size_t>(index)].id);
        b.BookmarkFlag = bfCurrent;
    }
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) override {
        int n = static_cast<int>(rows.size());
        switch (mode) {
        case gmCurrent:
            if (pos_ < 0 || pos_ >= n || !Accept(pos_)) {
                if (doCheck) DatabaseError("No current record", this);
                return grError;
            }
            break;
        case gmNext:
            do {
                if (pos_ >= n - 1) {
                    pos_ = n;
                    return grEOF;
                }
                ++pos_;
            } while (!Accept(pos_));
            break;
        case gmPrior:
            do {
                if (pos_ <= 0) {
                    pos_ = -1;
                    return grBOF;
                }
                --pos_;
            } while (!Accept(pos_));
            break;
        }
        Fill(static_cast<Buffer&>(buffer), pos_);
        return grOK;
    }
    void InternalFirst() override { pos_ = -1; }
    void InternalLast() override { pos_ = static_cast<int>(rows.size()); }
    void InternalSetToRecord(TRecordBuffer& buffer) override { InternalGotoBookmark(buffer.Bookmark); }
    void InternalGotoBookmark(const TBookmark& b) override {
        int i = IndexOfId(IdOf(b));
        if (i >= 0) pos_ = i;
    }
    void InternalInitRecord(TRecordBuffer& buffer) override {
        static_cast<Buffer&>(buffer).values.assign(static_cast<size_t>(FieldDefs().Count()), Variant());
    }
    bool GetFieldData(const TField& field, const TRecordBuffer& buffer, Variant& value) const override {
        const auto& values = static_cast<const Buffer&>(buffer).values;
        size_t i = static_cast<size_t>(field.FieldNo() - 1);
        if (i >= values.size()) return false;
        value = values[i];
        if (value.Type() == TVarType::String && value.StringRef().empty()) return false;
        return !value.IsNull();
    }
    void SetFieldData(TField& field, TRecordBuffer& buffer, const Variant& value) override {
        auto& values = static_cast<Buffer&>(buffer).values;
        values.at(static_cast<size_t>(field.FieldNo() - 1)) = value;
    }
    void InternalPost() override {
        if (postFailures > 0) {
            --postFailures;
            DatabaseError("Post failed", this);
        }
        auto& b = static_cast<Buffer&>(ActiveBuffer());
        if (State() == dsEdit) {
            rows[static_cast<size_t>(pos_)].values = b.values;
            return;
        }
        int at = pos_ < 0 ? 0 : pos_;
        if (b.BookmarkFlag == bfEOF || pos_ >= static_cast<int>(rows.size())) at = static_cast<int>(rows.size());
        rows.insert(rows.begin() + at, Row{nextId_++, b.values});
        pos_ = at;
    }
    void InternalDelete() override {
        if (deleteFailures > 0) {
            --deleteFailures;
            DatabaseError("Delete failed", this);
        }
        rows.erase(rows.begin() + pos_);
        if (pos_ >= static_cast<int>(rows.size())) pos_ = static_cast<int>(rows.size()) - 1;
    }
    bool GetCanModify() const override { return !readOnly; }
    bool InternalReadRecordAt(int index, TRecordBuffer& buffer) override {
        for (int i = 0; i < static_cast<int>(rows.size()); ++i)
            if (Accept(i) && index-- == 0) {
                Fill(static_cast<Buffer&>(buffer), i);
                return true;
            }
        return false;
    }

private:
    bool open_ = false;
    int pos_ = -1;
    int nextId_ = 1;
};

} // namespace kvz::test
