// The whole program over a data folder of its own: the frame window and the data module, with
// the registries and the shared documents folder reset around each test.
#pragma once

#include "core/Data1.h"
#include "core/Main.h"
#include "platform/forms/Responder.h"

#include "TempFolder.h"
#include "forms/FormsTesting.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace kvz {

class ProgramRunTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        setenv("KVZIRT_SHARED_DOCUMENTS", temp.path().c_str(), 1);
        ProgramState() = FrameState{};
        ProgramState().ProgramFolder = temp.path();
        ProgramSettings() = SettingsStore{};
        RegisteredUserSteps() = UserSteps{};
        RegisteredModules() = ModuleRegistry{};
        dataFolder = temp.path() / "KvZirtData" / "Data";
    }
    void TearDown() override {
        if (frame) frame->Free();
        data.reset();
        RegisteredUserSteps() = UserSteps{};
        RegisteredModules() = ModuleRegistry{};
        unsetenv("KVZIRT_SHARED_DOCUMENTS");
    }
    // The program block: the frame window, the data module, then the first show.
    void StartProgram() {
        frame = Application().CreateForm<TMainForm>();
        data = std::make_unique<TDataModule1>(ProgramState());
        data->DataModuleCreate();
        frame->SetDataModule(data.get());
        frame->Show();
    }

    TempFolder temp;
    std::filesystem::path dataFolder;
    TMainForm* frame = nullptr;
    std::unique_ptr<TDataModule1> data;
    TResponder responder;
};

} // namespace kvz
