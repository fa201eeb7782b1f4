#include "core/DataModuleParts.h"

#include "core/FrameImages.h"
#include "platform/forms/Dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

namespace kvz {

bool TFontDialog::Execute() {
    QFontDialog dialog(Font.ToQFont());
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (ExecDialog(dialog) != QDialog::Accepted) return false;
    QFont chosen = dialog.currentFont();
    int size = chosen.pointSize();
    if (MaxFontSize > 0 && size > MaxFontSize) size = MaxFontSize;
    if (MinFontSize > 0 && size < MinFontSize) size = MinFontSize;
    chosen.setPointSize(size);
    Font.Name = chosen.family().toStdString();
    Font.Size = size;
    Font.Style = (chosen.bold() ? fsBold : 0u) | (chosen.italic() ? fsItalic : 0u) |
                 (chosen.underline() ? fsUnderline : 0u) | (chosen.strikeOut() ? fsStrikeOut : 0u);
    return true;
}

bool TColorDialog::Execute() {
    QColorDialog dialog(ToQColor(Color));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (ExecDialog(dialog) != QDialog::Accepted) return false;
    Color = FromQColor(dialog.selectedColor());
    return true;
}

std::string FileDialogFilter(const std::string& filter) {
    std::string out;
    size_t at = 0;
    while (at < filter.size()) {
        size_t bar = filter.find('|', at);
        if (bar == std::string::npos) break;
        size_t end = filter.find('|', bar + 1);
        std::string patterns = filter.substr(bar + 1, end == std::string::npos ? std::string::npos : end - bar - 1);
        for (char& c : patterns)
            if (c == ';') c = ' ';
        if (!out.empty()) out += ";;";
        out += filter.substr(at, bar - at) + " (" + patterns + ")";
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return out;
}

bool TOpenDialog::Execute() { return Run(false); }

bool TOpenDialog::Run(bool save) {
    QFileDialog dialog(nullptr, QString::fromStdString(Title), QString(), QString::fromStdString(FileDialogFilter(Filter)));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    std::string ext = DefaultExt;
    if (ext.rfind("*.", 0) == 0) ext.erase(0, 2);
    if (!ext.empty()) dialog.setDefaultSuffix(QString::fromStdString(ext));
    if (!FileName.empty()) dialog.selectFile(QString::fromStdString(FileName));
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    FileName = dialog.selectedFiles().front().toStdString();
    return true;
}

TDataModuleWindowParts::TDataModuleWindowParts() {
    FillToolImages(ImageList1);
    FillModuleImages(ImageList3);
    FillModuleImages(ImageList4);
    FontDialog1.Font.Name = "MS Sans Serif";
    OpenDialog1.Filter = "Zostava KV-Zirt|*.qrp|Všetky súbory|*.*";
    SaveDialog1.Filter = "Quick Report file|*.qrp";
    SaveDialog1.DefaultExt = "*.qrp";
}

TDataModuleWindowParts& DataModuleParts() {
    static TDataModuleWindowParts parts;
    return parts;
}

} // namespace kvz
