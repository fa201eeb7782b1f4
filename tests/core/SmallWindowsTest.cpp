#include "core/AnimForm.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/SourceDatForm.h"
#include "core/SplitForm.h"

#include "engine/KvMemDS.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Responder.h"

#include <QApplication>

using namespace kvz;
using kvz::testing::Render;

namespace {

const char* const kLanguageNames[] = {"", "en", "sk", "cs"};

class SmallWindowsTest : public kvz::testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        frame.Settings = &settings;
        addresses.FieldDefs().Add("Firma", ftString, 30);
        addresses.FieldDefs().Add("Split_field", ftString, 30);
        addresses.Open();
        for (const char* firm : {"Acme", "", "Acme", "Bolt"}) addresses.AppendRecord({Variant(firm), Variant("")});
    }
    void TearDown() override { SetLanguage(2); }

    SettingsStore settings;
    FrameState frame;
    TKvMemoryData addresses;
};

TEST_F(SmallWindowsTest, CategoryWindowGrowsWithTheCategoriesAndSetsTheFilter) {
    TSplitForm plain(nullptr, frame, &addresses);
    plain.Show();
    int baseHeight = plain.Height();
    plain.Close();

    settings.NastaveniaText[20] = "Family";
    settings.NastaveniaText[22] = "Club";
    int updates = 0;
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TSplitForm form(nullptr, frame, &addresses);
        form.UpdateStatusBar = [&] { ++updates; };
        form.Show();
        ASSERT_EQ(form.RadioGroup1->Items().Count(), 5);
        EXPECT_EQ(form.Height(), baseHeight + 40);
        EXPECT_EQ(form.RadioGroup1->Items()[0], GetMessageText(MessageId::AllAddresses));
        EXPECT_EQ(form.RadioGroup1->Items()[4], "Club");
        EXPECT_EQ(form.RadioGroup1->Caption(), " " + GetMessageText(MessageId::Display) + " : ");
        EXPECT_EQ(form.RadioGroup1->ItemIndex(), 0);
        form.RadioGroup1->SetItemIndex(4);
        Render(form, std::string("splitform-") + kLanguageNames[language]);
        form.Close();
    }

    TSplitForm form(nullptr, frame, &addresses);
    form.UpdateStatusBar = [&] { ++updates; };
    struct Choice {
        int index;
        std::string category;
        bool filtered;
    };
    // "All" after a category leaves no category behind.
    for (const Choice& c : {Choice{3, "Family", true}, Choice{1, "work_zirt", true}, Choice{2, "private_zirt", true},
                            Choice{4, "Club", true}, Choice{0, "", false}}) {
        form.Show();
        form.RadioGroup1->SetItemIndex(c.index);
        form.OkButton->Click();
        EXPECT_EQ(frame.Filters.AddressCategoryFilter, c.category);
        EXPECT_EQ(addresses.Filtered(), c.filtered);
        EXPECT_FALSE(form.Widget()->isVisible());
    }
    EXPECT_EQ(updates, 5);
    // The last choice is offered again.
    form.RadioGroup1->SetItemIndex(2);
    form.OkButton->Click();
    form.Show();
    EXPECT_EQ(form.RadioGroup1->ItemIndex(), 2);
}

TEST_F(SmallWindowsTest, ValueDialogTakesATypedOrLookedUpText) {
    addresses.First();
    TResponder responder;
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        std::string picture = std::string("sourcedatform-") + kLanguageNames[language];
        responder.OnShowModal = [&](TForm& f) {
            auto& d = static_cast<TSourceDatForm&>(f);
            EXPECT_EQ(d.Edit1->Text(), "Web");
            EXPECT_EQ(d.HelpButton->Caption(), GetMessageText(MessageId::Help));
            d.EditTypeButton->Click();
            EXPECT_TRUE(d.KvDBLookupCombo1->Visible());
            Render(d, picture);
            // Escape clears the choice and keeps the text; Enter in the open list takes the row.
            QApplication::processEvents();
            d.KvDBLookupCombo1->SetValue("Acme");
            kvz::testing::Key(d.KvDBLookupCombo1->Widget(), Qt::Key_Escape, Qt::NoModifier, "\x1b");
            EXPECT_EQ(d.Edit1->Text(), "Web");
            d.EditTypeButton->Click();
            QApplication::processEvents();
            d.KvDBLookupCombo1->DropDown();
            EXPECT_TRUE(d.KvDBLookupCombo1->ListVisible());
            kvz::testing::Key(d.KvDBLookupCombo1->Widget(), Qt::Key_B, Qt::NoModifier, "b");
            kvz::testing::Key(d.KvDBLookupCombo1->Widget(), Qt::Key_Return, Qt::NoModifier, "\r");
            EXPECT_EQ(d.Edit1->Text(), "Bolt");
            EXPECT_FALSE(d.KvDBLookupCombo1->Visible());
            d.OkButton->Click();
            return mrNone;
        };
        TSourceDatForm dialog(nullptr, &addresses, "Firma");
        dialog.LinkTypeText = "Web";
        EXPECT_EQ(dialog.ShowModal(), mrOk);
        EXPECT_EQ(dialog.LinkTypeText, "Bolt");
    }

    // Cancel keeps the old text; a new type starts empty. Help opens the dialog's topic.
    std::vector<int> topics;
    Application().OnHelp = [&](const std::string&, int context) {
        topics.push_back(context);
        return true;
    };
    responder.OnShowModal = [](TForm& f) {
        auto& d = static_cast<TSourceDatForm&>(f);
        EXPECT_EQ(d.Edit1->Text(), "");
        d.HelpButton->Click();
        d.Edit1->SetText("Mail");
        d.CancelButton->Click();
        return mrNone;
    };
    TSourceDatForm dialog(nullptr, &addresses, "Firma");
    dialog.LinkTypeNoPrefill = true;
    dialog.LinkTypeText = "Web";
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(dialog.LinkTypeText, "Web");
    EXPECT_EQ(topics, std::vector<int>{47});
    Application().OnHelp = nullptr;
}

TEST_F(SmallWindowsTest, BusyAnimationRunsOnTheTimer) {
    TManualTimers clock;
    TAnimForm form(nullptr);
    EXPECT_EQ(form.Width(), 157);
    EXPECT_EQ(form.Height(), 92);
    EXPECT_EQ(form.Animate1->Width(), 64);
    EXPECT_EQ(form.Animate1->Height(), 32);
    form.Animate1->SetActive(true);
    clock.Advance(500);
    EXPECT_EQ(form.Animate1->Frame(), 5);
    Render(form, "animform");
    // Frames 0 to 10, then again from 0.
    clock.Advance(600);
    EXPECT_EQ(form.Animate1->Frame(), 0);
    form.Animate1->SetActive(false);
    clock.Advance(1000);
    EXPECT_EQ(form.Animate1->Frame(), 0);
}

} // namespace
