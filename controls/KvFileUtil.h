// The folder browser and path routines.
#pragma once

#include "platform/forms/Controls.h"

#include <functional>
#include <string>
#include <string_view>

namespace kvz {

enum class TBrowseKind { bfFolders, bfComputers };
enum class TDialogPosition { dpDefault, dpScreenCenter };

// Lets the user pick a folder. Computers of the network are not browsed here: bfComputers
// picks a folder as bfFolders does.
class TBrowseFolderDlg : public TComponent {
public:
    explicit TBrowseFolderDlg(TComponent* owner);

    TBrowseKind BrowseKind() const { return browseKind_; }
    void SetBrowseKind(TBrowseKind kind) { browseKind_ = kind; }
    bool DesktopRoot() const { return desktopRoot_; }
    void SetDesktopRoot(bool on) { desktopRoot_ = on; }
    const std::string& DialogText() const { return dialogText_; }
    void SetDialogText(std::string_view text) { dialogText_ = std::string(text); }
    // In: the folder to preselect; out: the chosen folder.
    const std::string& FolderName() const { return folderName_; }
    void SetFolderName(std::string_view name) { folderName_ = std::string(name); }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }
    TDialogPosition Position() const { return position_; }
    void SetPosition(TDialogPosition position) { position_ = position; }
    const std::string& SelectedName() const { return selectedName_; }

    TNotifyEvent OnInitialized;
    // The folder under the cursor, as the user moves it.
    std::function<void(TComponent* sender, const std::string& folder)> OnSelChanged;

    // True when the user confirmed a folder; Cancel leaves FolderName.
    bool Execute();

private:
    TBrowseKind browseKind_ = TBrowseKind::bfFolders;
    bool desktopRoot_ = true;
    std::string dialogText_, folderName_, selectedName_;
    int helpContext_ = 0;
    TDialogPosition position_ = TDialogPosition::dpScreenCenter;
};

// Runs the folder browser with the caption as its text; on success the folder becomes the chosen one.
bool SelectFolderDialog(std::string& folder, std::string_view caption, int helpContext);

bool IsExistingDirectory(std::string_view path);
// Removes one trailing separator, except from a root ("/", "D:\") or a one-character path.
std::string WithoutTrailingBackslash(std::string_view path);
// The last element of the path as the file system has it; empty when it does not exist.
// The folders here know no short names, so both names are the same.
std::string LongNameOf(std::string_view path);
std::string ShortNameOf(std::string_view path);
// The whole path with every element after the first as the file system has it.
std::string LongPathOf(std::string_view path);
std::string ShortPathOf(std::string_view path);

} // namespace kvz
