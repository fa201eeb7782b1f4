// The help: HTML pages in the three languages in the folder "help" beside the program, a page
// for each module window and each group of dialogs, opened in the desktop's browser at the
// topic of a help context.
#pragma once

#include <filesystem>
#include <string>

namespace kvz {

// The contents page of the language's help (1 English, 2 Slovak, 3 Czech; another language
// has the Slovak one): what the windows name as their help file.
std::filesystem::path HelpFilePath(const std::filesystem::path& programFolder, int language);

// The page that holds a help context's topic ("address.html"); the contents page for a
// context no page holds.
std::string HelpTopicPage(int context);

// Opens the topic of the context in the help beside that help file through the desktop
// (ShellOpenFile); when its page is missing, says that the help is not installed, in the
// program's language, and gives false.
bool OpenHelpTopic(const std::string& helpFile, int context);

// The application's help requests go to OpenHelpTopic.
void InstallHelp();

} // namespace kvz
