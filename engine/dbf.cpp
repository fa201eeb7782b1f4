#include "engine/dbf.h"

#include "engine/DbUtils.h"
#include "engine/DbfIndex.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileNames.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysInfo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>

namespace kvz {

namespace {

struct TDbfBuffer : TRecordBuffer {
    std::string Record;
    uint32_t RecNo = 0;
    // Memo values set since the record was read, by the file's field index; stored on post.
    std::map<size_t, std::string> Memos;
};

// The bookmark: the cursor's key (-1 in physical order) and the physical record number.
TBookmark MakeBookmark(int32_t key, uint32_t recNo) {
    TBookmark b(8, '\0');
    std::memcpy(b.data(), &key, 4);
    std::memcpy(b.data() + 4, &recNo, 4);
    return b;
}
void ReadBookmark(const TBookmark& b, int32_t& key, uint32_t& recNo) {
    key = -1;
    recNo = 0;
    if (b.size() != 8) return;
    std::memcpy(&key, b.data(), 4);
    std::memcpy(&recNo, b.data() + 4, 4);
}

TFieldType FieldTypeOf(TDbfFieldKind kind) {
    switch (kind) {
    case TDbfFieldKind::String: return ftString;
    case TDbfFieldKind::Smallint: return ftSmallint;
    case TDbfFieldKind::Integer: return ftInteger;
    case TDbfFieldKind::Largeint: return ftLargeint;
    case TDbfFieldKind::Float: return ftFloat;
    case TDbfFieldKind::Date: return ftDate;
    case TDbfFieldKind::Boolean: return ftBoolean;
    case TDbfFieldKind::Memo: return ftMemo;
    case TDbfFieldKind::Blob: return ftBlob;
    case TDbfFieldKind::Graphic: return ftGraphic;
    case TDbfFieldKind::AutoInc: return ftAutoInc;
    case TDbfFieldKind::DateTime: return ftDateTime;
    case TDbfFieldKind::Unknown: break;
    }
    return ftUnknown;
}

// A file of that name in the folder, found without regard to case.
std::filesystem::path Existing(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) folder = ".";
    auto found = FindNoCase(folder, file.filename().string());
    return found ? *found : std::filesystem::path();
}

// The name with the extension put in place of its own, unless it already has it in any case.
std::filesystem::path WithExtension(std::filesystem::path name, const std::string& extension) {
    if (Utf8Upper(name.extension().string()) != Utf8Upper(extension)) name.replace_extension(extension);
    return name;
}

} // namespace

TDbfTable::TDbfTable(TComponent* owner) : TDataSet(owner) {}

TDbfTable::~TDbfTable() { Close(); }

std::string TDbfTable::Version() const {
    char text[32];
    std::snprintf(text, sizeof text, "tDbf v%2.3f", 4.01);
    return text;
}

std::string TDbfTable::ComponentInfo() const { return "TDbfTable: a dataset over dBASE files, version 4.010"; }

void TDbfTable::SetTableName(const std::string& name) {
    CheckInactive();
    const std::filesystem::path p(name);
    if (p.has_parent_path()) filePath_ = p.parent_path().string();
    tableName_ = p.filename().string();
}

void TDbfTable::SetFilePath(const std::string& path) {
    CheckInactive();
    filePath_ = path;
}

std::filesystem::path TDbfTable::FullPath() const {
    std::filesystem::path folder(filePath_);
    // A name, and a folder taken below the program's, never reach outside it.
    if (!IsSafeFileNamePart(tableName_) || (!folder.is_absolute() && !IsSafeRelativePath(folder)))
        throw EDbfFileError("Invalid table name \"" + (folder / tableName_).string() + "\"");
    if (!folder.is_absolute()) folder = std::filesystem::path(ProgramFileName()).parent_path() / folder;
    return (folder / tableName_).lexically_normal();
}

void TDbfTable::SetReadOnly(bool readOnly) {
    CheckInactive();
    readOnly_ = readOnly;
}

std::unique_ptr<TDbfFile> TDbfTable::OpenFile() {
    const std::filesystem::path wanted = WithExtension(FullPath(), ".dbf");
    std::filesystem::path found = Existing(wanted);
    if (found.empty()) {
        // A table is made only from field definitions; a reader that gives none (an import)
        // learns that the file is missing instead of getting an empty table.
        if (openMode_ == omNormal || readOnly_ || (FieldDefs().Count() == 0 && Fields().Count() == 0))
            throw EDbfFileError("Open: Table file not found : " + wanted.string());
        if (FieldDefs().Count() == 0) InitFieldDefsFromFields();
        CreateTable(wanted);
        found = wanted;
    }
    return std::make_unique<TDbfFile>(found);
}

void TDbfTable::CreateTable(const std::filesystem::path& path) {
    std::vector<TDbfFieldDef> defs;
    const int codePage = DataCodePage();
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        const TFieldDef& fd = FieldDefs()[i];
        char letter = 0;
        int size = fd.Size(), prec = 0;
        switch (fd.DataType()) {
        case ftString: letter = 'C'; size = size > 0 ? std::min(size, 254) : 20; break;
        case ftSmallint: letter = 'N'; size = 4; break;
        case ftWord: letter = 'N'; size = 5; break;
        case ftInteger: letter = 'N'; size = 9; break;
        case ftLargeint: letter = 'N'; size = 18; break;
        case ftFloat:
        case ftCurrency: letter = 'N'; size = 16; prec = 2; break;
        case ftBoolean: letter = 'L'; size = 1; break;
        case ftDate: letter = 'D'; size = 8; break;
        case ftMemo: letter = 'M'; size = 10; break;
        default:
            throw EDbfFileError("Field '" + fd.Name() + "' is of a type that dBASE III tables cannot hold");
        }
        TDbfFieldDef def;
        def.FieldName = Utf8ToCodePage(Utf8Upper(fd.Name()), codePage).substr(0, 10);
        NormaliseDbfField(def, letter, size, prec);
        defs.push_back(def);
    }
    TDbfFile::Create(path, defs, codePage);
}

void TDbfTable::FillFieldDefs(const TDbfFile& file) {
    FieldDefs().Clear();
    fileFieldOf_.clear();
    const auto& fields = file.Fields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const TFieldType type = FieldTypeOf(fields[i].FieldType);
        // A field of a kind nobody here knows is left out rather than refusing the table.
        if (type == ftUnknown) continue;
        TFieldDef& def = FieldDefs().Add(file.ToUtf8(fields[i].FieldName), type, type == ftString ? fields[i].Size : 0, false);
        if (type == ftAutoInc) def.SetReadOnly(true);
        fileFieldOf_.push_back(static_cast<int>(i));
    }
}

void TDbfTable::InternalInitFieldDefs() {
    // Only reads: a missing table is not made here.
    const std::filesystem::path wanted = WithExtension(FullPath(), ".dbf");
    const std::filesystem::path found = Existing(wanted);
    if (found.empty()) throw EDbfFileError("Open: Table file not found : " + wanted.string());
    FillFieldDefs(TDbfFile(found));
}

void TDbfTable::InternalOpen() {
    std::unique_ptr<TDbfFile> file = OpenFile();
    FillFieldDefs(*file);
    file_ = std::move(file);
    try {
        cursor_ = std::make_unique<TDbfCursor>(*file_);
        OpenIndexes();
        ApplyIndexName();
    } catch (...) {
        InternalClose();
        throw;
    }
    // The rows are read all the same, their memos empty; the user learns it once.
    if (!file_->MissingMemoFile().empty())
        InternalHandleException(
            std::make_exception_ptr(EDbfFileError("Memo file not found : " + file_->MissingMemoFile().string())));
    if (file_->Cut())
        InternalHandleException(std::make_exception_ptr(EDbfFileError(
            "The table file was cut off; only its first " + std::to_string(file_->RecordCount()) +
            " whole records are read : " + file_->Path().string())));
}

void TDbfTable::InternalClose() {
    cursor_.reset();
    indexFiles_.clear();
    file_.reset();
}

void TDbfTable::OpenIndexes() {
    const std::filesystem::path folder = FullPath().parent_path();
    for (TDbfIndexDef& def : indexes_) {
        if (def.IndexFile.empty()) def.IndexFile = def.SortField;
        // The name is kept upper-cased; the folders of a path stay as given, since only a
        // name is found without regard to case. A relative path stays below the table's folder.
        const std::filesystem::path given(def.IndexFile);
        if (!IsSafeFileNamePart(given.filename().string()) || (given.is_relative() && !IsSafeRelativePath(given)))
            throw EDbfFileError("Invalid index name \"" + def.IndexFile + "\"");
        def.IndexFile = (given.parent_path() / Utf8Upper(given.filename().string())).string();
        const std::filesystem::path wanted = WithExtension(folder / def.IndexFile, ".NDX");
        const std::filesystem::path found = Existing(wanted);
        // A missing index is not made beside the user's table.
        if (found.empty()) throw EDbfFileError("Cannot open index : \"" + wanted.string() + "\"");
        auto index = std::make_unique<TIndexFile>(found);
        const int field = file_->FieldIndex(index->KeyExpression());
        if (field < 0) throw EDbfFileError("Index based on unknown field \"" + index->KeyExpression() + "\"");
        index->Bind(file_->Fields()[static_cast<size_t>(field)], file_->CodePage());
        indexFiles_.push_back(std::move(index));
    }
}

void TDbfTable::ApplyIndexName() {
    const uint32_t current = cursor_ ? cursor_->RecNo() : 0;
    const TIndexFile* chosen = nullptr;
    if (!indexName_.empty()) {
        const std::string wanted = Utf8Upper(WithExtension(FullPath().parent_path() / indexName_, ".NDX").string());
        for (const auto& index : indexFiles_)
            if (Utf8Upper(index->Path().string()) == wanted) chosen = index.get();
    }
    if (chosen)
        cursor_ = std::make_unique<TIndexCursor>(*chosen);
    else
        cursor_ = std::make_unique<TDbfCursor>(*file_);
    if (current > 0)
        cursor_->SetRecNo(current);
    else
        cursor_->First();
}

void TDbfTable::SetIndexName(const std::string& name) {
    if (!Active()) {
        indexName_ = name;
        return;
    }
    CheckBrowseMode();
    indexName_ = name;
    UpdateCursorPos();
    const bool hadRecord = !IsEmpty();
    ApplyIndexName();
    if (hadRecord && cursor_->RecNo() > 0)
        Resync(0);
    else
        First();
}

namespace {

bool KeyMatches(const TField& field, const Variant& key, TLocateOptions options, bool last) {
    if (field.DataType() != ftString && field.DataType() != ftMemo) {
        const Variant value = field.Value();
        if (key.IsNull() || value.IsNull()) return key.IsNull() == value.IsNull();
        return value == key;
    }
    const bool caseInsensitive = (options & loCaseInsensitive) != 0;
    auto same = [caseInsensitive](const std::string& a, const std::string& b) {
        return caseInsensitive ? CompareTextUtf8(a, b) == 0 : a == b;
    };
    const std::string text = field.AsString(), keyText = key.AsString();
    if (same(text, keyText)) return true;
    if (!last || !(options & loPartialKey)) return false;
    return keyText.empty() || same(Utf8Left(text, Utf8Length(keyText)), keyText);
}

} // namespace

bool TDbfTable::Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    const std::vector<Variant> values = keyValues.IsArray() ? keyValues.Items() : std::vector<Variant>{keyValues};
    if (values.size() != fields.size() || IsEmpty()) return false;
    auto matches = [&] {
        for (size_t i = 0; i < fields.size(); ++i)
            if (!KeyMatches(*fields[i], values[i], options, i + 1 == fields.size())) return false;
        return true;
    };
    const TBookmark saved = GetBookmark();
    DisableControls();
    bool found = false;
    try {
        for (First(); !Eof(); Next())
            if (matches()) {
                found = true;
                break;
            }
        if (!found) TryGotoBookmark(*this, saved);
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    return found;
}

std::unique_ptr<TRecordBuffer> TDbfTable::AllocRecordBuffer() { return std::make_unique<TDbfBuffer>(); }

bool TDbfTable::Accept(TRecordBuffer& buffer) {
    auto& b = static_cast<TDbfBuffer&>(buffer);
    if (!showDeleted_ && TDbfFile::IsDeleted(b.Record)) return false;
    return !Filtered() || FilterAccepts(buffer);
}

TGetResult TDbfTable::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) {
    auto& b = static_cast<TDbfBuffer&>(buffer);
    for (;;) {
        if (mode == gmNext && !cursor_->Next()) return grEOF;
        if (mode == gmPrior && !cursor_->Prior()) return grBOF;
        const uint32_t recNo = cursor_->RecNo();
        if (recNo > 0) {
            b.Record = std::string(file_->Record(recNo));
            b.RecNo = recNo;
            b.Memos.clear();
            b.Bookmark = MakeBookmark(cursor_->SequenceNo(), recNo);
            b.BookmarkFlag = bfCurrent;
            if (Accept(buffer)) return grOK;
        }
        if (mode == gmCurrent) {
            b.Bookmark = MakeBookmark(-1, 0);
            if (doCheck) DatabaseError("No current record", this);
            return grError;
        }
    }
}

void TDbfTable::InternalFirst() { cursor_->First(); }

void TDbfTable::InternalLast() { cursor_->Last(); }

void TDbfTable::InternalSetToRecord(TRecordBuffer& buffer) {
    if (buffer.BookmarkFlag != bfInserted) InternalGotoBookmark(buffer.Bookmark);
}

void TDbfTable::InternalGotoBookmark(const TBookmark& bookmark) {
    int32_t key = 0;
    uint32_t recNo = 0;
    ReadBookmark(bookmark, key, recNo);
    if (auto* index = dynamic_cast<TIndexCursor*>(cursor_.get()))
        index->SetSequenceNo(key, recNo);
    else
        cursor_->SetRecNo(recNo);
}

void TDbfTable::InternalInitRecord(TRecordBuffer& buffer) {
    auto& b = static_cast<TDbfBuffer&>(buffer);
    b.Record.assign(static_cast<size_t>(file_->RecordLength()), file_->VersionInfo().VersionClass > 4 ? '\0' : ' ');
    b.Record[0] = ' ';
    b.RecNo = 0;
    b.Memos.clear();
}

const TDbfFieldDef& TDbfTable::FileField(const TField& field) {
    const size_t no = static_cast<size_t>(field.FieldNo());
    if (!file_ || no < 1 || no > fileFieldOf_.size()) DatabaseError("Field '" + field.FieldName() + "' is not in the table", this);
    return file_->Fields()[static_cast<size_t>(fileFieldOf_[no - 1])];
}

bool TDbfTable::GetFieldData(const TField& field, const TRecordBuffer& buffer, Variant& value) const {
    const auto& b = static_cast<const TDbfBuffer&>(buffer);
    const size_t no = static_cast<size_t>(field.FieldNo());
    if (!file_ || no < 1 || no > fileFieldOf_.size() || b.Record.size() != static_cast<size_t>(file_->RecordLength())) return false;
    const size_t index = static_cast<size_t>(fileFieldOf_[no - 1]);
    const TDbfFieldDef& def = file_->Fields()[index];
    if (auto memo = b.Memos.find(index); memo != b.Memos.end()) {
        if (memo->second.empty()) return false;
        value = Variant(memo->second);
        return true;
    }
    const TDbfValue v = file_->Value(def, b.Record);
    switch (v.kind) {
    case TDbfValue::Null: return false;
    case TDbfValue::Text: value = Variant(file_->ToUtf8(v.text)); break;
    case TDbfValue::Memo: value = Variant(def.FieldType == TDbfFieldKind::Memo ? file_->ToUtf8(v.text) : v.text); break;
    case TDbfValue::Integer: value = Variant(v.integer); break;
    case TDbfValue::Float: value = Variant(v.number); break;
    case TDbfValue::Boolean: value = Variant(v.boolean); break;
    case TDbfValue::DateTime: value = Variant::DateTime(v.number); break;
    }
    return true;
}

void TDbfTable::SetFieldData(TField& field, TRecordBuffer& buffer, const Variant& value) {
    auto& b = static_cast<TDbfBuffer&>(buffer);
    const TDbfFieldDef& def = FileField(field);
    if (def.IsMemo()) {
        b.Memos[static_cast<size_t>(&def - file_->Fields().data())] = value.IsNull() ? std::string() : value.AsString();
        return;
    }
    TDbfValue v;
    try {
        if (!value.IsNull()) {
            switch (def.FieldType) {
            case TDbfFieldKind::String: v.kind = TDbfValue::Text; v.text = file_->FromUtf8(value.AsString()); break;
            case TDbfFieldKind::Smallint:
            case TDbfFieldKind::Integer:
            case TDbfFieldKind::Largeint:
            case TDbfFieldKind::AutoInc: v.kind = TDbfValue::Integer; v.integer = value.AsInt64(); break;
            case TDbfFieldKind::Float: v.kind = TDbfValue::Float; v.number = value.AsFloat(); break;
            case TDbfFieldKind::Boolean: v.kind = TDbfValue::Boolean; v.boolean = value.AsBoolean(); break;
            case TDbfFieldKind::Date:
            case TDbfFieldKind::DateTime: v.kind = TDbfValue::DateTime; v.number = value.AsDateTime(); break;
            default: break;
            }
        }
        file_->EncodeValue(def, b.Record, v);
    } catch (const std::runtime_error& e) {
        DatabaseError(e.what(), this);
    }
}

void TDbfTable::WriteRecord(std::string record, uint32_t recNo) {
    std::string old;
    if (recNo > 0) {
        old = std::string(file_->Record(recNo));
        file_->SetRecord(recNo, record);
    } else {
        recNo = file_->AppendRecord(record);
    }
    for (const auto& index : indexFiles_) {
        const std::string key = index->KeyOf(record);
        if (!old.empty()) {
            const std::string oldKey = index->KeyOf(old);
            if (oldKey == key) continue;
            index->Remove(recNo, oldKey);
        }
        index->Insert(recNo, key);
    }
    file_->Save();
    for (const auto& index : indexFiles_) index->Save();
    cursor_->SetRecNo(recNo);
}

void TDbfTable::InternalPost() {
    auto& b = static_cast<TDbfBuffer&>(ActiveBuffer());
    std::string record = b.Record;
    record[0] = ' ';
    try {
        for (const auto& [index, text] : b.Memos) {
            const TDbfFieldDef& def = file_->Fields()[index];
            TDBTFile* memo = file_->Memo();
            if (!memo) DatabaseError("The table has no memo file", this);
            const std::string bytes = def.FieldType == TDbfFieldKind::Memo ? file_->FromUtf8(text) : text;
            const uint32_t block = memo->WriteMemo(file_->MemoBlock(def, record), bytes);
            TDbfValue number;
            if (block > 0) {
                number.kind = TDbfValue::Integer;
                number.integer = block;
            }
            TDbfFieldDef asNumber = def;
            asNumber.NativeFieldType = 'N';
            file_->EncodeValue(asNumber, record, number);
        }
        if (State() == dsInsert)
            for (size_t i = 0; i < file_->Fields().size(); ++i)
                if (file_->Fields()[i].NativeFieldType == '+') {
                    TDbfValue v;
                    v.kind = TDbfValue::Integer;
                    v.integer = file_->NextAutoInc(i);
                    file_->EncodeValue(file_->Fields()[i], record, v);
                }
        WriteRecord(record, State() == dsEdit ? b.RecNo : 0);
    } catch (const EDbfFileError& e) {
        DatabaseError(e.what(), this);
    } catch (const CodePageError& e) {
        DatabaseError(e.what(), this);
    }
    b.Memos.clear();
}

void TDbfTable::InternalDelete() {
    const uint32_t recNo = cursor_->RecNo();
    if (recNo == 0) DatabaseError("No current record", this);
    std::string record(file_->Record(recNo));
    record[0] = '*';
    file_->SetRecord(recNo, record);
    file_->Save();
}

int TDbfTable::RecordCount() const { return file_ ? static_cast<int>(std::min<uint32_t>(file_->RecordCount(), INT32_MAX)) : 0; }

int TDbfTable::RecNo() const {
    if (!Active() || IsEmpty()) return 0;
    return static_cast<int>(static_cast<const TDbfBuffer&>(ActiveBuffer()).RecNo);
}

void TDbfTable::SetRecNo(int recNo) {
    CheckBrowseMode();
    if (recNo < 1 || static_cast<uint32_t>(recNo) > file_->RecordCount()) return;
    cursor_->SetRecNo(static_cast<uint32_t>(recNo));
    Resync(0);
}

bool TDbfTable::BookmarkValid(const TBookmark& bookmark) const {
    int32_t key = 0;
    uint32_t recNo = 0;
    ReadBookmark(bookmark, key, recNo);
    return file_ && recNo >= 1 && recNo <= file_->RecordCount();
}

int TDbfTable::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    // A missing bookmark sorts after a present one.
    if (a.empty() || b.empty()) return a.empty() ? (b.empty() ? 0 : 1) : -1;
    int32_t ka = 0, kb = 0;
    uint32_t ra = 0, rb = 0;
    ReadBookmark(a, ka, ra);
    ReadBookmark(b, kb, rb);
    if (ka != kb) return ka < kb ? -1 : 1;
    return ra < rb ? -1 : ra > rb ? 1 : 0;
}

} // namespace kvz
