#include "core/VersionInfo.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <cerrno>

namespace kvz {

namespace {

void PutText(std::string& record, size_t at, const std::string& utf8) {
    std::string bytes = Utf8ToCodePage(utf8, DataCodePage());
    if (bytes.size() > TVersionInfoRec::kTextSize) bytes.resize(TVersionInfoRec::kTextSize);
    record[at] = static_cast<char>(bytes.size());
    record.replace(at + 1, bytes.size(), bytes);
}

std::string TextAt(std::string_view record, size_t at) {
    // A length beyond the field is read as the whole field.
    const size_t length = std::min<size_t>(static_cast<unsigned char>(record[at]), TVersionInfoRec::kTextSize);
    return CodePageToUtf8(record.substr(at + 1, length), DataCodePage());
}

} // namespace

std::string TVersionInfoRec::Encode() const {
    std::string record(kSize, '\0');
    PutText(record, 0, Version);
    PutText(record, 1 + kTextSize, State);
    return record;
}

TVersionInfoRec TVersionInfoRec::Decode(std::string_view record, const std::filesystem::path& file) {
    if (record.size() < kSize) throw FileError("Read beyond end of file \"" + file.string() + "\"", file, EIO);
    return {TextAt(record, 0), TextAt(record, 1 + kTextSize)};
}

DataVersion CheckDataVersion(const std::filesystem::path& folder) {
    const std::filesystem::path file = ExistingOrCanonical(folder, kVersionInfoFileName);
    if (CheckPath(file) == PathState::Absent) {
        WriteDataVersion(folder, kUncopiedState);
        return {kVersionText, true};
    }
    const TVersionInfoRec rec = TVersionInfoRec::Decode(ReadWholeFile(file), file);
    return {rec.Version, rec.State == kUncopiedState};
}

void WriteDataVersion(const std::filesystem::path& folder, const std::string& state) {
    WriteFileDurably(ExistingOrCanonical(folder, kVersionInfoFileName), TVersionInfoRec{kVersionText, state}.Encode());
}

} // namespace kvz
