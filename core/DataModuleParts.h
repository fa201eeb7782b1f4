// The window parts of the data module: its image lists and the font, colour, open and save
// dialogs that the module windows and the settings dialog share.
#pragma once

#include "platform/forms/Graphics.h"

#include <string>

namespace kvz {

// The font dialog: Execute shows it with Font and, when the user chooses, keeps the choice.
class TFontDialog {
public:
    TFont Font;
    int MinFontSize = 0, MaxFontSize = 16; // 0: no limit
    bool Execute();
};

class TColorDialog {
public:
    TColor Color = clBlack;
    bool Execute();
};

// "Zostava KV-Zirt|*.qrp|Všetky súbory|*.*": pairs of a name and its patterns.
class TOpenDialog {
public:
    std::string Filter, DefaultExt, FileName, Title;
    bool Execute();

protected:
    bool Run(bool save);
};

class TSaveDialog : public TOpenDialog {
public:
    bool Execute() { return Run(true); }
};

struct TDataModuleWindowParts {
    TDataModuleWindowParts();
    TImageList ImageList1{16, 16}; // the frame window's menus and tool bars
    TImageList ImageList2{24, 20};
    TImageList ImageList3{16, 16}; // the module buttons, small
    TImageList ImageList4{32, 32}; // the module buttons, large
    TFontDialog FontDialog1;
    TColorDialog ColorDialog1;
    TOpenDialog OpenDialog1;
    TSaveDialog SaveDialog1;
};

// The parts of the run's data module (made on first use; needs the application).
TDataModuleWindowParts& DataModuleParts();

// The filter as the file dialogs want it: "Name (*.a *.b);;Other (*.*)".
std::string FileDialogFilter(const std::string& filter);

} // namespace kvz
