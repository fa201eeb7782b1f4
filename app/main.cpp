// The program. Until the frame window exists it connects the engine's hooks and says so.
#include "core/ProgramHooks.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kvz::InstallProgramHooks();
    QMessageBox::information(nullptr, "KV-Zirt", "KV-Zirt: the frame window is not built yet.");
    return 0;
}
