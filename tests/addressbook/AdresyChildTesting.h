// The program with the address book window over a data folder of its own, for the window's tests.
#pragma once

#include "addressbook/AdresyChild.h"
#include "core/Main.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Responder.h"
#include "platform/rtl/Files.h"

#include "ExchangeTesting.h"
#include "core/FrameTesting.h"
#include "TempFolder.h"
#include "forms/FormsTesting.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

namespace kvz {

// The program with the address book registered, over a data folder of its own.
class AdresyWindowTest : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        RegisteredUserSteps().ScanUser = [](TMainForm&) { ProgramState().UserPrefix = "Jano"; };
        RegisteredModules().AddressBook = [this](TComponent* owner) {
            book = new TAdresyChildForm(owner, *data);
            return book;
        };
    }
    void Start(int language, const std::string& extra = "") {
        std::filesystem::create_directories(dataFolder);
        WriteFileDurably(dataFolder / "Zirt.ini", "[ZirtSettings]\nNastavenia67=" + std::to_string(language) +
                                                      "\nNastavenia36=1\nNastavenia49=0\n" + extra);
        StartProgram();
        frame->SetClientSize(1000, 660);
        QApplication::processEvents();
    }
    // The program ends and its data folder goes, so that the next Start begins afresh.
    void Stop() {
        frame->CloseActiveModule();
        frame->Free();
        frame = nullptr;
        book = nullptr;
        data.reset();
        std::filesystem::remove_all(temp.path() / "KvZirtData");
    }
    TVolgaTable& Addresses() { return *data->AddressTable; }
    void AddRows(const std::vector<std::string>& firms) {
        TVolgaTable& t = Addresses();
        ProgramLocks().WriteSharedTable(t, data->LockFileName(TableId::Address), false, kRecordCommandPoll, [&] {
            for (const std::string& f : firms) {
                t.Append();
                t.FieldByName("Firma").SetAsString(f);
                t.Post();
            }
        });
    }

    // A picture field "Photo" added on the Personal page, and its control.
    TDBImage* AddPictureField(int x = 300, int y = 230) {
        book->PageControl1->SetActivePageIndex(1);
        book->NewFieldPopupClick();
        book->ComboBox1->SetItemIndex(4);
        book->ComboBox1Change();
        book->Edit9->SetText("Photo");
        book->Edit5->SetText(std::to_string(x));
        book->Edit6->SetText(std::to_string(y));
        book->Edit7->SetText(std::to_string(x - 54));
        book->Edit8->SetText(std::to_string(y + 4));
        book->BitBtn1Click();
        return dynamic_cast<TDBImage*>(book->FindComponent("UserDBImage1"));
    }

    TAdresyChildForm* book = nullptr;
};

} // namespace kvz
