#include "core/Users.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/ModuleServices.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Menus.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileNames.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFile.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <optional>

namespace kvz {

namespace {

constexpr int kEnterNameMessage = 77;
constexpr int kNameExistsMessage = 78;

std::string UserKey(size_t n) { return "User" + std::to_string(n); }

} // namespace

std::vector<std::string> ReadUserList(const std::filesystem::path& folder) {
    const IniFile ini(ExistingOrCanonical(folder, kUserListFileName));
    std::vector<std::string> names;
    if (!ini.SectionExists(kUserSection)) return names;
    const std::vector<std::string> keys = ini.ReadSection(kUserSection);
    // A list with a gap (a name left empty was never written) still shows the names behind it.
    size_t count = keys.size();
    for (const std::string& key : keys) {
        if (key.size() <= 4 || key.size() > 9 || !SameUserName(key.substr(0, 4), "User")) continue;
        if (key.find_first_not_of("0123456789", 4) != std::string::npos) continue;
        count = std::max(count, static_cast<size_t>(std::stoul(key.substr(4))) + 1);
    }
    for (size_t n = 0; n < count; ++n) names.push_back(ini.ReadString(kUserSection, UserKey(n), ""));
    return names;
}

void WriteUserList(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    IniFile ini(ExistingOrCanonical(folder, kUserListFileName));
    for (size_t n = 0; n < names.size(); ++n)
        if (!names[n].empty()) ini.WriteString(kUserSection, UserKey(n), names[n]);
    if (ini.Modified()) ini.UpdateFile();
}

bool SameUserName(std::string_view a, std::string_view b) {
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive) == 0;
}

std::string TrimUserName(std::string_view name) {
    const size_t first = name.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(name.substr(first, name.find_last_not_of(" \t") - first + 1));
}

std::string NewUserNameFault(const std::string& name, const std::vector<std::string>& list,
                             const std::filesystem::path& folder) {
    if (name.empty()) return GetMessageText(kEnterNameMessage);
    size_t longestSuffix = 0;
    for (TableId table : kAllTables) longestSuffix = std::max(longestSuffix, std::strlen(TableSuffix(table)) + 4);
    std::string inList;
    if (!IsSafeUserName(name, folder, longestSuffix) || !TryUtf8ToCodePage(name, DataCodePage(), inList)) {
        static const char* const kTexts[] = {
            "This name cannot be used: it names the user's files, so it may not start with a dot and may "
            "not hold \"/\", \"\\\", \"..\" or control characters, or be that long.",
            "Toto meno nemožno použiť: pomenúva súbory užívateľa, preto nesmie začínať bodkou, obsahovať "
            "\"/\", \"\\\", \"..\" ani riadiace znaky a nesmie byť také dlhé.",
            "Toto jméno nelze použít: pojmenovává soubory uživatele, proto nesmí začínat tečkou, obsahovat "
            "\"/\", \"\\\", \"..\" ani řídicí znaky a nesmí být tak dlouhé."};
        return InLanguage(kTexts);
    }
    for (const std::string& other : list)
        if (SameUserName(name, other)) return GetMessageText(kNameExistsMessage);
    return {};
}

std::string CutPassword(std::string_view password, int count) {
    return Utf8Left(password, count > 0 ? static_cast<size_t>(count) : 0);
}

void CreateUserTables(TDataModule1& data, const std::filesystem::path& folder, const std::string& prefix,
                      const std::string& password) {
    const auto file = [&](TableId table) { return folder / UserFileName(prefix, TableSuffix(table)); };
    data.NewAddresTable(file(TableId::Address), password);
    data.NewTasksTable(file(TableId::Tasks), password);
    data.NewProjectTable(file(TableId::Projects), password);
    data.NewSubProjectTable(file(TableId::SubProjects), password);
    data.NewOwnersProjectTable(file(TableId::Owners), password);
    data.NewLinksTable(file(TableId::Links), password);
    data.NewLinksTypeTable(file(TableId::LinksType), password);
}

void ChangeTablePasswords(TDataModule1& data, FrameState& frame, const std::string& password) {
    struct Step {
        TVolgaTable* table;
        std::filesystem::path file, lock, fresh, saved;
        std::string oldPassword;
        TFileStamp stamp;
        bool prepared = false, moved = false;
    };
    std::vector<Step> steps;
    for (TableId id : kAllTables) {
        TVolgaTable* table = data.TableOf(id);
        if (!table || !table->Active()) throw std::logic_error("The password is changed on the open tables only");
        const std::filesystem::path file = data.TableFileName(id);
        steps.push_back({table, file, data.LockFileName(id), file.string() + ".newkey~", file.string() + ".oldkey~",
                         table->Password(), {}});
    }
    TTableLocks& locks = *frame.Locks;
    const bool network = frame.NetworkMode;
    const auto underLock = [&](const Step& step, const auto& work) {
        std::optional<ScopedTableLock> lock;
        if (network) lock.emplace(locks, step.lock, kRecordCommandPoll);
        work();
    };
    // The table as it is now in its file, under the new password, beside that file.
    const auto writeFresh = [&](Step& step) {
        if (network) step.table->Refresh();
        step.oldPassword = step.table->Password();
        step.table->SetPassword(password);
        step.prepared = true;
        step.table->SaveToFile(step.fresh);
        step.stamp = StampOf(step.file);
    };
    BusyAnimationScope busy(locks, network);
    try {
        for (Step& step : steps) underLock(step, [&] { writeFresh(step); });
        for (Step& step : steps)
            underLock(step, [&] {
                if (network && !(step.stamp.known && StampOf(step.file) == step.stamp)) {
                    // Read again as the file stands, with nothing of ours pending.
                    step.table->SetPassword(step.oldPassword);
                    step.table->CommitChanges();
                    writeFresh(step);
                }
                CopyFileDurably(step.file, step.saved);
                MoveFileDurably(step.fresh, step.file);
                step.moved = true;
            });
    } catch (...) {
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            std::error_code ignored;
            if (it->moved) {
                // Best effort: the copy of the old file stays when it cannot be put back.
                try {
                    underLock(*it, [&] { MoveFileDurably(it->saved, it->file); });
                } catch (const std::exception&) {
                    continue;
                }
            }
            std::filesystem::remove(it->saved, ignored);
            std::filesystem::remove(it->fresh, ignored);
            if (it->prepared) {
                it->table->SetPassword(it->oldPassword);
                it->table->CommitChanges();
            }
        }
        throw;
    }
    for (Step& step : steps) {
        std::error_code ignored;
        std::filesystem::remove(step.saved, ignored);
        step.table->CommitChanges();
    }
}

std::string StartUserName(const std::filesystem::path& listFolder, bool networkMode, const std::string& networkUser) {
    if (networkMode) return networkUser;
    const std::vector<std::string> names = ReadUserList(listFolder);
    return names.empty() ? std::string() : names.front();
}

void EnableKeyByRole(TComponent& frameWindow, bool networkMode, bool clientMode) {
    const bool enabled = !networkMode || !clientMode;
    if (auto* button = dynamic_cast<TControl*>(FindNamedComponent(frameWindow, "KeyButton"))) button->SetEnabled(enabled);
    if (auto* item = dynamic_cast<TMenuItem*>(FindNamedComponent(frameWindow, "KeyMenu"))) item->SetEnabled(enabled);
}

} // namespace kvz
