#include "core/Help.h"

#include "core/Messages.h"
#include "core/SmallRoutines.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"

#include <QString>
#include <QUrl>

#include <utility>

namespace kvz {

namespace {

struct TopicPage {
    const char* Page;
    std::initializer_list<int> Contexts;
};

// The help contexts the windows name, grouped as the pages explain them.
const TopicPage kTopicPages[] = {
    {"start.html", {53, 55, 56}},
    {"address.html", {1, 6, 7, 8, 29}},
    {"exchange.html", {10, 31, 32, 33, 34, 45, 54}},
    {"tasks.html", {25, 30, 43, 46, 68, 69, 70}},
    {"links.html", {47, 50}},
    {"reports.html", {15, 16, 17, 20, 39, 40, 67}},
    {"setup.html", {23, 61, 62, 63, 65}},
};

constexpr const char* kContentsPage = "kvzirt.html";

} // namespace

std::filesystem::path HelpFilePath(const std::filesystem::path& programFolder, int language) {
    const char* folder = language == 1 ? "en" : language == 3 ? "cs" : "sk";
    return programFolder / "help" / folder / kContentsPage;
}

std::string HelpTopicPage(int context) {
    for (const TopicPage& page : kTopicPages)
        for (int c : page.Contexts)
            if (c == context) return page.Page;
    return kContentsPage;
}

bool OpenHelpTopic(const std::string& helpFile, int context) {
    std::error_code ec;
    const std::filesystem::path page =
        helpFile.empty() ? std::filesystem::path() : std::filesystem::path(helpFile).parent_path() / HelpTopicPage(context);
    if (page.empty() || !std::filesystem::is_regular_file(page, ec)) {
        ShowMessage(InLanguage({"Help is not installed: the help pages are missing from the folder \"help\" beside "
                                "the program.",
                                "Pomocník nie je nainštalovaný: v priečinku \"help\" vedľa programu chýbajú jeho "
                                "stránky.",
                                "Nápověda není nainstalována: ve složce \"help\" vedle programu chybí její stránky."}));
        return false;
    }
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(page.string()));
    if (context > 0 && HelpTopicPage(context) != kContentsPage) url.setFragment("c" + QString::number(context));
    return ShellOpenFile(url.toString().toStdString(), "", "", 1) > 32;
}

void InstallHelp() {
    Application().OnHelp = [](const std::string& helpFile, int context) { return OpenHelpTopic(helpFile, context); };
}

} // namespace kvz
