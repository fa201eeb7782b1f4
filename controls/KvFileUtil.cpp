#include "controls/KvFileUtil.h"

#include "controls/KvGraph.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Files.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>

#include <filesystem>

namespace kvz {

namespace fs = std::filesystem;

TBrowseFolderDlg::TBrowseFolderDlg(TComponent* owner) : TComponent(owner) {}

bool TBrowseFolderDlg::Execute() {
    QFileDialog dialog(nullptr, QString::fromStdString(dialogText_));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    if (desktopRoot_ || browseKind_ == TBrowseKind::bfComputers) dialog.setDirectory(QDir::homePath());
    if (IsExistingDirectory(folderName_)) dialog.setDirectory(QString::fromStdString(folderName_));
    if (position_ == TDialogPosition::dpScreenCenter) {
        dialog.adjustSize();
        dialog.move((Screen().Width() - dialog.width()) / 2, (Screen().Height() - dialog.height()) / 2);
    }
    if (helpContext_ != 0)
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            QPushButton* help = buttons->addButton("&Help", QDialogButtonBox::HelpRole);
            QObject::connect(help, &QPushButton::clicked, &dialog,
                             [this] { Guarded([this] { Application().HelpContext({}, helpContext_); }); });
        }
    QObject::connect(&dialog, &QFileDialog::currentChanged, &dialog, [this](const QString& path) {
        Guarded([&] {
            if (OnSelChanged) OnSelChanged(this, path.toStdString());
        });
    });
    if (OnInitialized) OnInitialized(this);
    if (ExecDialog(dialog) != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    folderName_ = WithoutTrailingBackslash(chosen.front().toStdString());
    selectedName_ = fs::path(folderName_).filename().string();
    return true;
}

bool SelectFolderDialog(std::string& folder, std::string_view caption, int helpContext) {
    TBrowseFolderDlg dialog(nullptr);
    dialog.SetDialogText(caption);
    dialog.SetFolderName(folder);
    dialog.SetHelpContext(helpContext);
    if (!dialog.Execute()) return false;
    folder = dialog.FolderName();
    return true;
}

bool IsExistingDirectory(std::string_view path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(fs::path(path), ec);
}

std::string WithoutTrailingBackslash(std::string_view path) {
    std::string p(path);
    const bool driveRoot = p.size() == 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
    if (p.size() > 1 && !driveRoot && (p.back() == '\\' || p.back() == '/')) p.pop_back();
    return p;
}

std::string LongNameOf(std::string_view path) {
    fs::path p(WithoutTrailingBackslash(path));
    if (!p.has_filename()) return {};
    auto found = FindNoCase(p.parent_path().empty() ? fs::path(".") : p.parent_path(), p.filename().string());
    return found ? found->filename().string() : std::string();
}

std::string ShortNameOf(std::string_view path) { return LongNameOf(path); }

std::string LongPathOf(std::string_view path) {
    fs::path p(path);
    fs::path out;
    bool first = true;
    for (const fs::path& part : p) {
        if (first || part == "/" || part.empty()) {
            out /= part;
            first = false;
            continue;
        }
        std::string name = LongNameOf((out / part).string());
        out /= name.empty() ? part : fs::path(name);
    }
    return out.string();
}

std::string ShortPathOf(std::string_view path) { return LongPathOf(path); }

} // namespace kvz
