// The program started with the report window as its module, for tests that drive the report
// window and the selection windows it embeds.
#pragma once

#include "core/Main.h"
#include "platform/rtl/Files.h"
#include "printing/ZostavyChild.h"

#include "core/FrameTesting.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kvz {

class ReportsProgramTest : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        ReportsState() = ReportsRunState{};
        RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
        RegisteredModules().Reports = [this](TComponent* owner) {
            reports = new TZostavyChildForm(owner, *data, ProgramState());
            return reports;
        };
    }
    void TearDown() override {
        if (frame) frame->CloseActiveModule();
        reports = nullptr;
        ProgramRunTest::TearDown();
    }
    // The settings file of a first start in the language, before the program starts.
    void WriteSettings(int language, const std::string& extra = "") {
        std::filesystem::create_directories(dataFolder);
        WriteFileDurably(dataFolder / "Zirt.ini", "[ZirtSettings]\nNastavenia67=" + std::to_string(language) +
                                                      "\nNastavenia36=1\nNastavenia49=0\n" + extra);
    }
    void OpenReports() {
        frame->SetClientSize(1100, 700);
        frame->OpenModule(ReportsModule);
        QApplication::processEvents();
        ASSERT_NE(reports, nullptr);
    }

    TZostavyChildForm* reports = nullptr;
};

} // namespace kvz
