// The program: the frame window, then the data module, then the message loop.
#include "controls/KvGIF.h"
#include "core/Data1.h"
#include "core/Main.h"
#include "core/ProgramHooks.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kvz::InstallProgramHooks();
    kvz::RegisterGIFImage();
    // The module windows and the user steps register here as they come.
    auto* frame = kvz::Application().CreateForm<kvz::TMainForm>();
    auto dataModule = std::make_unique<kvz::TDataModule1>(kvz::ProgramState());
    try {
        dataModule->DataModuleCreate();
    } catch (const std::exception& error) {
        kvz::Application().ShowException(error);
    }
    frame->SetDataModule(dataModule.get());
    kvz::Application().Run();
    try {
        dataModule->DataModuleDestroy();
    } catch (const std::exception& error) {
        kvz::Application().ShowException(error);
    }
    dataModule.reset();
    kvz::UnregisterGIFImage();
    return 0;
}
