// The order in which a dBASE table's records are visited: physical order here, an index's
// key order in DbfIndex.h. Both the table and its index files move through this interface.
#pragma once

#include "engine/DbfFile.h"

#include <cstdint>

namespace kvz {

// A position in a table in some order: moves between the records, 0 standing before the
// first and RecordCount() + 1 after the last.
class TVirtualCursor {
public:
    virtual ~TVirtualCursor() = default;
    // false at either end, where the cursor then stays.
    virtual bool Next() = 0;
    virtual bool Prior() = 0;
    virtual void First() = 0;
    virtual void Last() = 0;
    // The physical record number (1-based) of the position; 0 when before or after all.
    virtual uint32_t RecNo() const = 0;
    // The position of the record of that number.
    virtual void SetRecNo(uint32_t recNo) = 0;
    // The cursor's part of a bookmark: -1 in physical order, the key's rank in index order.
    virtual int32_t SequenceNo() const = 0;
};

// Physical order.
class TDbfCursor : public TVirtualCursor {
public:
    explicit TDbfCursor(const TDbfFile& file) : file_(file) {}
    bool Next() override {
        if (pos_ <= file_.RecordCount()) ++pos_;
        return pos_ <= file_.RecordCount();
    }
    bool Prior() override {
        if (pos_ > 0) --pos_;
        return pos_ > 0;
    }
    void First() override { pos_ = 0; }
    void Last() override { pos_ = file_.RecordCount() + 1; }
    uint32_t RecNo() const override { return pos_ >= 1 && pos_ <= file_.RecordCount() ? pos_ : 0; }
    void SetRecNo(uint32_t recNo) override { pos_ = recNo > file_.RecordCount() ? file_.RecordCount() + 1 : recNo; }
    int32_t SequenceNo() const override { return -1; }

private:
    const TDbfFile& file_;
    uint32_t pos_ = 0;
};

} // namespace kvz
