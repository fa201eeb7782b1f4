#include "addressbook/SendTo.h"

#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/rtl/FileNames.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>

namespace kvz {

namespace fs = std::filesystem;

namespace {

std::unique_ptr<TVolgaTable> OpenOwnTable(const fs::path& file, const std::string* password) {
    auto table = std::make_unique<TVolgaTable>();
    if (password) table->SetPassword(*password);
    table->SetTableName(file.string());
    table->Open();
    return table;
}

} // namespace

fs::path CreateExchangeFolder(const fs::path& chosen, const std::string& prefix) {
    const fs::path folder = chosen / UserFileName(prefix, "_Export");
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        throw FileError("Cannot create " + folder.string(), folder, ec.value());
    return folder;
}

bool WriteSendToTable(const fs::path& ownFile, const fs::path& sendToFile, const std::string& prefix,
                      const std::string& password) {
    if (!FileThere(ownFile)) return false;
    std::unique_ptr<TVolgaTable> table = OpenOwnTable(ownFile, &password);
    const bool numbered = table->FieldDefs().Count() > 0 && table->FieldDefs()[0].Name() == "Number";
    TField* user = table->FindField("User");
    table->First();
    while (!table->Eof()) {
        table->Edit();
        if (numbered) table->Fields()[0].SetAsString("");
        if (user && user->AsString() == "WAB") user->SetAsString(prefix);
        table->Post();
        table->Next();
    }
    // The copy is as private as the table it copies.
    GiveModeOf(sendToFile, ownFile);
    table->SaveToFile(sendToFile);
    return true;
}

fs::path WriteSendTo(ExchangeContext& context, const fs::path& chosen, TableGroup group) {
    const std::string& prefix = context.Frame.UserPrefix;
    const fs::path folder = CreateExchangeFolder(chosen, prefix);
    WriteFileDurably(folder / kSendToMarker, prefix + "\r\n");
    for (int kind : SendToKinds(group)) {
        const SendToKind& k = SendToKindOf(kind);
        WriteSendToTable(context.TableFile(k.Table), folder / UserFileName(prefix, k.SendToSuffix), prefix,
                         context.Password);
    }
    return folder;
}

std::optional<std::string> ReadSendToPrefix(const fs::path& folder) {
    const std::optional<fs::path> marker = FindNoCase(folder, kSendToMarker);
    if (!marker) return std::nullopt;
    const std::string content = ReadWholeFile(*marker);
    // The line ends as the older version on its system ended it, with CR LF, or with LF.
    std::string line = content.substr(0, content.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    static const ExchangeTexts kBadMarker{
        {"The file \"%s\" does not name a user: ", "Súbor \"%s\" neobsahuje meno užívateľa: ",
         "Soubor \"%s\" neobsahuje jméno uživatele: "}};
    // The name prefixes the files of the merge: it takes the check of a user name.
    size_t longestSuffix = 0;
    for (int kind = 1; kind <= 7; ++kind) longestSuffix = std::max(longestSuffix, std::strlen(SendToKindOf(kind).SendToSuffix));
    if (!IsSafeUserName(line, folder, longestSuffix)) {
        std::string text = kBadMarker();
        text.replace(text.find("%s"), 2, kSendToMarker);
        throw FileError(text + marker->string(), *marker, 0);
    }
    return line;
}

MergeResult MergeExportedTable(ExchangeContext& context, int kind, const fs::path& sendToFile,
                               const std::string& senderPrefix, const AskAssignment& ask) {
    const SendToKind& k = SendToKindOf(kind);
    if (!FileThere(context.TableFile(k.Table)) || !FileThere(sendToFile)) return MergeResult::Missing;
    TVolgaTable* target = context.Data.TableOf(k.Table);
    if (!target) throw std::logic_error("The table of the merge is not open");
    // Opened with the passwords the engine knows; an unknown one is asked for.
    std::unique_ptr<TVolgaTable> source = OpenOwnTable(sendToFile, nullptr);

    const bool same = SameStructure(*target, *source);
    std::optional<FieldAssignment> assignment;
    if (!same) {
        assignment = ask ? ask(*target, *source) : std::nullopt;
        if (!assignment) return MergeResult::Cancelled;
        if (assignment->empty()) return MergeResult::NothingAssigned;
        CheckAssignment(*assignment, *target, *source);
    }
    const bool ownPrefix = senderPrefix == context.Frame.UserPrefix;
    const bool marked = same && target->FindField("User");
    const bool address = k.Table == TableId::Address;
    // A sent row the target holds already, in every field and with the same origin, is not
    // added a second time; rows that differ only in their User come from different people and
    // are kept. Through an assignment User is not sent and is not compared.
    std::vector<std::string> compared;
    if (same)
        for (int i = 0; i < target->FieldDefs().Count(); ++i)
            if (target->FieldDefs()[i].Name() != "Number") compared.push_back(target->FieldDefs()[i].Name());
    context.Locks().WriteSharedTable(
        *target, context.LockFile(k.Table), context.Frame.NetworkMode, kRecordCommandPoll, [&] {
            if (marked && !ownPrefix)
                VisitAllRows(*target, [&](TDataSet& row) {
                    return row.FieldByName("User").AsString() == senderPrefix;
                });
            AppendImportedRows(context, *target, *source, assignment ? &*assignment : nullptr,
                               [&](TDataSet& row) {
                                   // The sender's reminder tasks have other codes here; a box left
                                   // on without its link would make a second reminder later.
                                   if (address)
                                       for (const char* field : {"PripNarIdent", "PripMenIdent", "PripNar", "PripMen"})
                                           if (TField* f = row.FindField(field)) f->Clear();
                               },
                               compared);
        });
    return MergeResult::Merged;
}

SendToMerge MergeSendTo(ExchangeContext& context, const fs::path& folder, TableGroup group,
                        const AskAssignment& ask) {
    SendToMerge merge;
    const std::optional<std::string> sender = ReadSendToPrefix(folder);
    if (!sender) return merge;
    merge.Marker = true;
    RefreshingAfter(context, [&] {
        for (int kind : SendToKinds(group))
            if (MergeExportedTable(context, kind, folder / UserFileName(*sender, SendToKindOf(kind).SendToSuffix),
                                   *sender, ask) == MergeResult::NothingAssigned)
                merge.NothingAssigned.push_back(SendToKindOf(kind).Table);
    });
    return merge;
}

std::string NothingAssignedText() {
    return ExchangeTexts{{"No field was assigned: nothing was merged into the table.",
                          "Nebola priradená žiadna položka: do tabuľky sa nič nezlúčilo.",
                          "Nebyla přiřazena žádná položka: do tabulky se nic nesloučilo."}}();
}

} // namespace kvz
