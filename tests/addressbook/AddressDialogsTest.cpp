#include "addressbook/CategoryForm.h"
#include "addressbook/FilterForm.h"
#include "addressbook/FindText.h"
#include "addressbook/OrderForm.h"
#include "platform/forms/Responder.h"

#include "ExchangeTesting.h"
#include "TempFolder.h"
#include "forms/FormsTesting.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace kvz {
namespace {

using kvz::testing::SaveWindowPicture;

const char* const kLanguageNames[] = {"", "en", "sk", "cs"};

// The module windows and the frame window as the dialogs reach them.
struct FakeWindows : AddressSortServices, LinksSearchServices, ReportsSearchServices, FilterButtonServices {
    std::vector<std::string> calls;
    void ShowSortField(const std::string& field, const std::string& caption) override {
        calls.push_back("sort " + field + " " + caption);
    }
    void LoadUserSplitItems() override { calls.push_back("categories"); }
    void TriedLinks(const std::string& field) override { calls.push_back("links " + field); }
    void PageControlChange() override { calls.push_back("page"); }
    void ShowListField(const std::string& field) override { calls.push_back("lists " + field); }
    void ReleaseFilterButton() override { calls.push_back("release"); }
};

// The active module window as the dialogs ask it: only its search.
class FakeModule : public TForm, public ModuleWindow {
public:
    FakeModule() : TForm(nullptr) {}
    TForm& Form() override { return *this; }
    int Module() const override { return module; }
    RecordBarState State(const ModuleContext&) const override { return {}; }
    void Run(Command) override {}
    void FormShow() override {}
    void UlozDoPola() override {}
    ModuleSearch* Search() override { return search; }
    int module = NoModule;
    ModuleSearch* search = nullptr;
};

class AddressDialogsTest : public kvz::testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        p = std::make_unique<Program>(folder.path(), "Jano");
        module = std::make_unique<FakeModule>();
        address = std::make_unique<AddressSearch>(*p->data, p->frame);
        links = std::make_unique<LinksSearch>(*p->data, p->frame);
        reports = std::make_unique<ReportsSearch>(*p->data, p->frame);
        Activate(AddressModule);
        p->frame.AddressSort = &windows;
        p->frame.LinksSearch = &windows;
        p->frame.ReportsSearch = &windows;
        p->frame.FilterButton = &windows;
        p->settings.NastaveniaText[13] = "Firma";
    }
    void TearDown() override {
        module.reset();
        SetLanguage(2);
    }
    TVolgaTable& Addresses() { return p->Table(TableId::Address); }
    // The module the frame shows, with its search (none: no module window).
    void Activate(int number) {
        p->frame.ActiveModule = number;
        module->module = number;
        ModuleSearch* const searches[] = {nullptr, address.get(), reports.get(), nullptr, links.get()};
        module->search = number >= 0 && number <= LinksModule ? searches[number] : nullptr;
        p->frame.Module = number == NoModule ? nullptr : module.get();
    }
    std::string Current(const char* field) { return Addresses().FieldByName(field).AsString(); }

    TempFolder folder;
    std::unique_ptr<Program> p;
    FakeWindows windows;
    std::unique_ptr<FakeModule> module;
    std::unique_ptr<AddressSearch> address;
    std::unique_ptr<LinksSearch> links;
    std::unique_ptr<ReportsSearch> reports;
};

TEST_F(AddressDialogsTest, FindMovesKeyByKeyOverManyRowsAndSortsByTheChosenField) {
    TVolgaTable& t = Addresses();
    t.DisableControls();
    for (int i = 0; i < 100000; ++i) {
        t.Append();
        t.FieldByName("Firma").SetAsString("Firma " + std::to_string(100000 + i));
        t.FieldByName("Meno").SetAsString(i == 70000 ? "Nováková  Eva" : "Meno");
        t.FieldByName("Meno_Kr").SetAsString(i == 70000 ? "Eva" : "");
        t.Post();
        if (i == 50000) t.AppendRecord({Variant("x"), Variant("NOVAK")});
    }
    t.AppendRecord({Variant("y"), Variant("Novak s.r.o.")});
    t.EnableControls();
    t.SetIndexFieldNames("Firma");
    t.First();

    TFindTextForm find(nullptr, *p->data, p->frame);
    find.Show();
    find.FormActivate(&find);
    ASSERT_EQ(find.IndexComboBox->Items().Count(), 16);
    EXPECT_EQ(find.Caption(), "Searching  Name");
    for (const char* step : {"n", "no", "nov"}) {
        kvz::testing::TypeText(find.FindEdit->Widget(), QString::fromUtf8(step).right(1));
        EXPECT_EQ(Current("Firma"), "NOVAK") << step; // NOVAK sorts before Novak s.r.o.
    }
    kvz::testing::TypeText(find.FindEdit->Widget(), "a");
    kvz::testing::TypeText(find.FindEdit->Widget(), "k ");
    EXPECT_EQ(Current("Firma"), "Novak s.r.o.");
    kvz::testing::TypeText(find.FindEdit->Widget(), "x"); // nothing matches: the record stays
    EXPECT_EQ(Current("Firma"), "Novak s.r.o.");
    EXPECT_EQ(find.SearchText, "novak x");

    // Picking a field stores it by name and sorts the address book by it.
    find.IndexComboBox->SetItemIndex(1);
    find.IndexComboBoxChange(&find);
    EXPECT_EQ(p->settings.Nastavenia[45], 1);
    EXPECT_EQ(p->settings.NastaveniaText[13], "Meno_Kr");
    EXPECT_EQ(windows.calls.back(), "sort Meno_Kr First name");
    find.FindEdit->SetText("EV");
    EXPECT_EQ(Current("Meno_Kr"), "Eva");

    // The report window lists and finds the first name by Meno.
    Activate(ReportsModule);
    find.FormActivate(&find);
    EXPECT_EQ(find.IndexComboBox->Items().Count(), 3);
    EXPECT_EQ(windows.calls.back(), "lists Meno");
    find.FindEdit->SetText("nováková");
    EXPECT_EQ(Current("Meno_Kr"), "Eva");

    // The links keep their own field: the address book's stays as it was.
    Activate(LinksModule);
    find.FormActivate(&find);
    find.IndexComboBox->SetItemIndex(1);
    find.IndexComboBoxChange(&find);
    EXPECT_EQ(windows.calls.back(), "links Path");
    EXPECT_EQ(p->settings.NastaveniaText[13], "Meno_Kr");
    EXPECT_EQ(p->settings.Nastavenia[45], 1);
    EXPECT_EQ(find.ChosenField(), "Path");

    Activate(NoModule); // no module window: nothing moves
    find.FindEdit->SetText("Firma 1");
    EXPECT_EQ(Current("Meno_Kr"), "Eva");
}

TEST_F(AddressDialogsTest, EscapePutsTheFindWindowAway) {
    TFindTextForm find(nullptr, *p->data, p->frame);
    find.Show();
    QApplication::setActiveWindow(find.Widget());
    find.FindEdit->SetFocus();
    QApplication::processEvents();
    kvz::testing::TypeKey(find.FindEdit->Widget(), Qt::Key_Escape);
    EXPECT_FALSE(find.Visible());
    // Shown again, it works as before.
    find.Show();
    EXPECT_TRUE(find.Visible());
}

TEST_F(AddressDialogsTest, TheFilterDialogOpensOnItsFirstFieldAndEnterIsOk) {
    TResponder responder;
    std::vector<std::string> order;
    responder.OnShowModal = [&](TForm& f) {
        auto& d = static_cast<TFilterForm&>(f);
        EXPECT_EQ(d.ActiveControl(), d.ComboBoxes[0]);
        for (TWinControl* c : {static_cast<TWinControl*>(d.Edits[4]), static_cast<TWinControl*>(d.BitBtn1)})
            order.push_back(std::to_string(c->TabOrder()));
        kvz::testing::TypeKey(d.ActiveControl()->Widget(), Qt::Key_Return);
        return mrNone;
    };
    TFilterForm form(nullptr, *p->data, p->frame);
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_TRUE(responder.MessageBoxes.empty()); // no word about help
    EXPECT_EQ(order, (std::vector<std::string>{"9", "10"}));
}

TEST_F(AddressDialogsTest, FindWindowInThreeLanguages) {
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TFindTextForm find(nullptr, *p->data, p->frame);
        find.Show();
        SaveWindowPicture(find, std::string("findtext-") + kLanguageNames[language]);
    }
}

TEST_F(AddressDialogsTest, FilterTakesTypedTextLiterallyAndCancelRemovesIt) {
    p->Add(TableId::Address, {{"Firma", "Alfa \"1\""}, {"Mesto", "Nitra"}});
    p->Add(TableId::Address, {{"Firma", "Alfa 100%"}, {"Mesto", "Žilina"}});
    p->Add(TableId::Address, {{"Firma", "Beta"}, {"Mesto", "Nitra"}});
    TVolgaTable& t = Addresses();
    const TFilterRecordEvent recordFilter = t.OnFilterRecord();
    ASSERT_TRUE(recordFilter);
    p->settings.NastaveniaText[13] = "Mesto";
    p->settings.Nastavenia[45] = 0;
    p->settings.Nastavenia[96] = 77; // out of the list: the first

    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TFilterForm form(nullptr, *p->data, p->frame);
        form.Show();
        SaveWindowPicture(form, std::string("filter-") + kLanguageNames[language]);
    }
    SetLanguage(1);

    TResponder responder;
    responder.MessageBoxAnswers = {IDOK};
    responder.OnShowModal = [&](TForm& f) {
        auto& d = static_cast<TFilterForm&>(f);
        EXPECT_EQ(d.ComboBoxes[0]->Text(), "City"); // the stored field, by its name
        EXPECT_EQ(d.ComboBoxes[1]->ItemIndex(), 0);
        EXPECT_FALSE(d.CheckBox1->Visible());
        d.Edits[0]->SetText("a");
        d.ComboBoxes[1]->SetItemIndex(0);
        d.Edits[1]->SetText("\"1");
        d.Edits[2]->SetText("Ωmega"); // no table can hold it: refused, the dialog stays
        d.BitBtn1->Click();
        EXPECT_EQ(responder.MessageBoxes.size(), 1u);
        EXPECT_FALSE(t.Filtered());
        d.Edits[2]->SetText("");
        d.BitBtn1->Click();
        return mrNone;
    };
    {
        TFilterForm form(nullptr, *p->data, p->frame);
        EXPECT_EQ(form.ShowModal(), mrOk);
    }
    EXPECT_TRUE(t.Filtered());
    EXPECT_EQ(t.Filter(), "\"Mesto\" like\"*a*\" and  \"Firma\" like\"*\"\"1*\" and  ");
    EXPECT_EQ(Column(t, "Firma").size(), 4u); // Column looks past the filter
    std::vector<std::string> shown;
    for (t.First(); !t.Eof(); t.Next()) shown.push_back(t.FieldByName("Firma").AsString());
    EXPECT_EQ(shown, (std::vector<std::string>{"Alfa \"1\""}));
    EXPECT_EQ(p->frame.FilterFieldName, "Mesto");
    EXPECT_TRUE(t.OnFilterRecord()); // the record filter is back

    // Escape: the filter button comes up.
    responder.OnShowModal = [](TForm&) { return mrCancel; };
    {
        TFilterForm form(nullptr, *p->data, p->frame);
        EXPECT_FALSE(t.OnFilterRecord()); // only the filter text applies while it is open
        EXPECT_EQ(form.ShowModal(), mrCancel);
    }
    EXPECT_EQ(windows.calls.back(), "release");
    EXPECT_TRUE(t.OnFilterRecord());

    // In the links module the first list leaves the address book's sort field alone.
    Activate(LinksModule);
    windows.calls.clear();
    responder.OnShowModal = [&](TForm& f) {
        auto& d = static_cast<TFilterForm&>(f);
        EXPECT_EQ(d.ComboBoxes[0]->Items().Count(), 4);
        d.ComboBoxes[0]->SetItemIndex(2);
        d.ComboBox1Change(&d);
        d.Edits[0]->SetText("nothing of that type");
        d.BitBtn1->Click();
        EXPECT_EQ(windows.calls, (std::vector<std::string>{"page"}));
        return mrNone;
    };
    {
        TFilterForm form(nullptr, *p->data, p->frame);
        EXPECT_EQ(form.ShowModal(), mrOk);
    }
    EXPECT_EQ(p->settings.NastaveniaText[13], "Mesto");
    EXPECT_EQ(p->data->LinksTable->Filter(), "\"Type\" like\"*nothing of that type*\" and  ");
    EXPECT_FALSE(p->frame.Filters.LinksFilterActive);
}

TEST_F(AddressDialogsTest, SortOrderIsStoredOnOkOnly) {
    std::vector<SchemaField> userFields;
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) names.push_back("Polozka" + std::to_string(i));
    for (const std::string& name : names) userFields.push_back({name.c_str(), ftString, 20});
    userFields.push_back({"Zivotopis", ftMemo});
    ASSERT_TRUE(p->data->AddMissingFields(TableId::Address, p->data->TableFileName(TableId::Address), userFields));
    p->settings.Nastavenia[45] = 15;
    p->settings.NastaveniaText[13] = "Pager";
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TOrderForm form(nullptr, *p->data, p->frame);
        form.Show();
        EXPECT_EQ(form.ListBox1->Items().Count(), 28); // no memo; the list scrolls
        EXPECT_EQ(form.ListBox1->ItemIndex(), 15);
        SaveWindowPicture(form, std::string("order-") + kLanguageNames[language]);
    }
    SetLanguage(1);
    TResponder responder;
    responder.OnShowModal = [](TForm& f) {
        static_cast<TOrderForm&>(f).ListBox1->SetItemIndex(3);
        return mrCancel;
    };
    {
        TOrderForm form(nullptr, *p->data, p->frame);
        EXPECT_EQ(form.ShowModal(), mrCancel);
    }
    EXPECT_EQ(p->settings.Nastavenia[45], 15);
    EXPECT_EQ(p->settings.NastaveniaText[13], "Pager");
    EXPECT_TRUE(windows.calls.empty());
    responder.OnShowModal = [](TForm& f) {
        auto& d = static_cast<TOrderForm&>(f);
        d.ListBox1->SetItemIndex(20);
        d.BitBtn1->Click();
        return mrNone;
    };
    {
        TOrderForm form(nullptr, *p->data, p->frame);
        EXPECT_EQ(form.ShowModal(), mrOk);
    }
    EXPECT_EQ(p->settings.Nastavenia[45], 20);
    EXPECT_EQ(p->settings.NastaveniaText[13], "Polozka4");
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"sort Polozka4 Polozka4"}));
}

TEST_F(AddressDialogsTest, CategoryNamesAreCheckedBeforeTheyAreStored) {
    p->settings.NastaveniaText[21] = "Rodina";
    for (int language : {1, 2, 3}) {
        SetLanguage(language);
        TAddForm form(nullptr, p->frame);
        form.Show();
        EXPECT_FALSE(form.Edits[2]->Enabled());
        SaveWindowPicture(form, std::string("categories-") + kLanguageNames[language]);
    }
    SetLanguage(1);
    TResponder responder;
    responder.MessageBoxAnswers = {IDOK};
    responder.OnShowModal = [&](TForm& f) {
        auto& d = static_cast<TAddForm&>(f);
        EXPECT_EQ(d.Edits[0]->Text(), "All");
        EXPECT_EQ(d.Edits[4]->Text(), "Rodina");
        d.Edits[3]->SetText("rodina");
        d.BitBtn1->Click(); // a repeated name: refused, the dialog stays
        EXPECT_EQ(responder.MessageBoxes.size(), 1u);
        EXPECT_EQ(p->settings.NastaveniaText[20], "");
        d.Edits[3]->SetText("Škola");
        d.Edits[4]->SetText("");
        d.BitBtn1->Click();
        return mrNone;
    };
    TAddForm form(nullptr, p->frame);
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(p->settings.NastaveniaText[20], "Škola");
    EXPECT_EQ(p->settings.NastaveniaText[21], "");
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"categories"}));
}

} // namespace
} // namespace kvz
