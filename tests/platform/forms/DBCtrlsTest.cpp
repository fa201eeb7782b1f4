// Data-aware controls over an engine table, driven by keys as a person types: the dataset
// edits before the first key changes a control, Escape shows the field again, leaving writes
// the field, and read-only datasets, fields and controls refuse keys.
#include "engine/VolgaTbl.h"
#include "forms/FormsTesting.h"
#include "platform/forms/DBCGrids.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace kvz {
namespace {

class TAddressForm : public TForm {
public:
    explicit TAddressForm(TComponent* owner) : TForm(owner) {
        SetCaption("Address");
        SetClientSize(320, 120);
        for (auto [edit, name, field, top] : {std::tuple{DBEdit1, "DBEdit1", "Firma", 8}, {DBEdit2, "DBEdit2", "Mesto", 36}}) {
            edit->SetName(name);
            edit->SetParent(this);
            edit->SetBounds(8, top, 200, 21);
            edit->SetDataSource(DataSource1);
            edit->SetDataField(field);
        }
        DBCheckBox1->SetName("DBCheckBox1");
        DBCheckBox1->SetParent(this);
        DBCheckBox1->SetBounds(8, 64, 200, 21);
        DBCheckBox1->SetCaption("Active");
        DBCheckBox1->SetDataSource(DataSource1);
        DBCheckBox1->SetDataField("Aktivny");
        DBCheckBox2->SetName("DBCheckBox2");
        DBCheckBox2->SetParent(this);
        DBCheckBox2->SetBounds(8, 90, 200, 21);
        DBCheckBox2->SetCaption("Run");
        DBCheckBox2->SetValueChecked("Áno;A");
        DBCheckBox2->SetValueUnchecked("Nie;N");
        DBCheckBox2->SetDataSource(DataSource1);
        DBCheckBox2->SetDataField("Run");
    }
    TDataSource* DataSource1 = new TDataSource(this);
    TDBEdit* DBEdit1 = new TDBEdit(this);
    TDBEdit* DBEdit2 = new TDBEdit(this);
    TDBCheckBox* DBCheckBox1 = new TDBCheckBox(this);
    TDBCheckBox* DBCheckBox2 = new TDBCheckBox(this);
};

class DBCtrlsTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        table.FieldDefs().Add("Firma", ftString, 12);
        table.FieldDefs().Add("Mesto", ftString, 20);
        table.FieldDefs().Add("Aktivny", ftBoolean);
        table.FieldDefs().Add("Run", ftString, 4);
        table.Open();
        table.AppendRecord({Variant("Alfa"), Variant("Žilina"), Variant(true), Variant("Nie")});
        table.AppendRecord({Variant("Beta"), Variant("Nitra"), Variant(false), Variant("Áno")});
        table.First();
        form = std::make_unique<TAddressForm>(nullptr);
        form->DataSource1->SetDataSet(&table);
        form->Show();
        QApplication::processEvents();
    }
    void Focus(TWinControl* control) {
        control->SetFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), control->Widget());
    }
    void Type(TWinControl* control, const QString& text) {
        for (QChar c : text) testing::Key(control->Widget(), c.toUpper().unicode(), Qt::NoModifier, QString(c));
    }
    std::string Firma() { return table.FieldByName("Firma").AsString(); }

    struct Application {
        Application() { testing::EnsureApplication(); }
    } application;
    TVolgaTable table;
    std::unique_ptr<TAddressForm> form;
    TResponder responder;
};

TEST_F(DBCtrlsTest, TypingEditsTheDatasetFirstAndLeavingWritesTheField) {
    TDBEdit& edit = *form->DBEdit1;
    EXPECT_EQ(edit.Text(), "Alfa");
    EXPECT_EQ(static_cast<QLineEdit*>(edit.Widget())->maxLength(), 12);
    std::vector<TDataSetState> statesAtChange;
    edit.OnChange = [&](TComponent*) { statesAtChange.push_back(table.State()); };
    Focus(&edit);
    testing::Key(edit.Widget(), Qt::Key_End);
    Type(&edit, "x");
    EXPECT_EQ(edit.Text(), "Alfax");
    EXPECT_EQ(statesAtChange, std::vector<TDataSetState>{dsEdit});
    EXPECT_EQ(Firma(), "Alfa"); // written on leaving
    Focus(form->DBEdit2);
    EXPECT_EQ(Firma(), "Alfax");
    table.Post();
    EXPECT_EQ(Firma(), "Alfax");

    // Another record shows in the controls.
    table.Next();
    EXPECT_EQ(edit.Text(), "Beta");
    EXPECT_EQ(form->DBEdit2->Text(), "Nitra");
    EXPECT_TRUE(responder.MessageBoxes.empty());
}

// A dialog closed with Cancel takes back the edit it started on its datasets, also through a
// data source another window owns; an edit that was open before the dialog stays open, and OK
// leaves the edit to the dialog's own handler.
TEST_F(DBCtrlsTest, ADialogClosedWithCancelCancelsTheEditItStarted) {
    struct Case {
        const char* name;
        bool editingBefore;
        bool ownSource; // the dialog's own data source, or one of the window behind it
        TModalResult result;
        TDataSetState stateAfter;
        const char* firmaAfter;
    };
    const Case cases[] = {
        {"cancel", false, true, mrCancel, dsBrowse, "Alfa"},
        {"cancel through another window's source", false, false, mrCancel, dsBrowse, "Alfa"},
        {"ok", false, true, mrOk, dsEdit, "typed"},
        {"cancel keeps an older edit", true, true, mrCancel, dsEdit, "typed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        table.First();
        if (c.editingBefore) table.Edit();
        TAddressForm dialog(nullptr);
        if (c.ownSource)
            dialog.DataSource1->SetDataSet(&table);
        else
            for (TDBEdit* edit : {dialog.DBEdit1, dialog.DBEdit2}) edit->SetDataSource(form->DataSource1);
        responder.OnShowModal = [&](TForm&) {
            if (table.State() == dsBrowse) table.Edit(); // as the first typed key does
            table.FieldByName("Firma").SetAsString("typed");
            return c.result;
        };
        EXPECT_EQ(dialog.ShowModal(), c.result);
        EXPECT_EQ(table.State(), c.stateAfter);
        EXPECT_EQ(Firma(), c.firmaAfter);
        if (table.State() != dsBrowse) table.Cancel();
    }
}

TEST_F(DBCtrlsTest, EscapeShowsTheFieldAgain) {
    TDBEdit& edit = *form->DBEdit1;
    Focus(&edit);
    Type(&edit, "Q");
    EXPECT_EQ(table.State(), dsEdit);
    testing::Key(edit.Widget(), Qt::Key_Escape);
    EXPECT_EQ(edit.Text(), "Alfa");
    Focus(form->DBEdit2); // nothing to write
    table.Post();
    EXPECT_EQ(Firma(), "Alfa");
}

TEST_F(DBCtrlsTest, ReadOnlyDatasetsFieldsAndControlsRefuseKeys) {
    TDBEdit& edit = *form->DBEdit1;
    // A read-only field, and a read-only control, make the edit read-only.
    table.FieldByName("Firma").SetReadOnly(true);
    form->DBEdit1->SetDataField("");
    form->DBEdit1->SetDataField("Firma");
    EXPECT_TRUE(static_cast<QLineEdit*>(edit.Widget())->isReadOnly());
    table.FieldByName("Firma").SetReadOnly(false);
    edit.SetReadOnly(true);
    EXPECT_TRUE(static_cast<QLineEdit*>(edit.Widget())->isReadOnly());
    edit.SetReadOnly(false);
    EXPECT_FALSE(static_cast<QLineEdit*>(edit.Widget())->isReadOnly());

    // The table refuses to edit: the key changes nothing and the user sees why.
    table.SetReadOnly(true);
    responder.MessageBoxAnswers = {IDOK};
    Focus(&edit);
    Type(&edit, "z");
    EXPECT_EQ(edit.Text(), "Alfa");
    EXPECT_EQ(table.State(), dsBrowse);
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_NE(responder.MessageBoxes[0].Text.find("Read-only record cannot be changed"), std::string::npos);
}

TEST_F(DBCtrlsTest, CheckBoxesShowAndStoreTheirValues) {
    TDBCheckBox& active = *form->DBCheckBox1;
    TDBCheckBox& run = *form->DBCheckBox2;
    EXPECT_TRUE(active.Checked());
    EXPECT_FALSE(run.Checked()); // "Nie"
    Focus(&active);
    testing::Key(active.Widget(), Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(table.State(), dsEdit);
    EXPECT_FALSE(active.Checked());
    run.Toggle();
    Focus(form->DBEdit1);
    table.Post();
    EXPECT_FALSE(table.FieldByName("Aktivny").AsBoolean());
    EXPECT_EQ(table.FieldByName("Run").AsString(), "Áno");
    table.Next();
    EXPECT_TRUE(run.Checked());

    // A text that is neither value shows grayed; a read-only table keeps the box as it is.
    table.Edit();
    table.FieldByName("Run").SetAsString("?");
    table.Post();
    EXPECT_EQ(run.State(), TCheckBoxState::cbGrayed);
    table.SetReadOnly(true);
    responder.MessageBoxAnswers = {IDOK};
    active.Toggle();
    EXPECT_FALSE(active.Checked());
    EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(DBCtrlsTest, ComboChoicesEditTheDatasetOrAreUndone) {
    auto* combo = new TDBComboBox(form.get());
    combo->SetParent(form.get());
    combo->SetStyle(TComboBoxStyle::csDropDownList);
    combo->Items().Add("Áno");
    combo->Items().Add("Nie");
    combo->SetDataSource(form->DataSource1);
    combo->SetDataField("Run");
    auto* box = static_cast<QComboBox*>(combo->Widget());
    EXPECT_EQ(combo->ItemIndex(), 1); // "Nie"
    Focus(combo);
    box->setCurrentIndex(0);
    emit box->activated(0); // as a choice from the list
    EXPECT_EQ(table.State(), dsEdit);
    EXPECT_EQ(combo->ItemIndex(), 0);
    Focus(form->DBEdit1);
    EXPECT_EQ(table.FieldByName("Run").AsString(), "Áno");
    table.Post();

    table.SetReadOnly(true);
    responder.MessageBoxAnswers = {IDOK};
    box->setCurrentIndex(1);
    emit box->activated(1);
    EXPECT_EQ(combo->ItemIndex(), 0); // the table refused: the field's value again
    EXPECT_EQ(table.State(), dsBrowse);
}

// No edit of a text field takes more characters than the field holds ("Firma" holds 12), so
// that a value too long for its field cannot be typed.
TEST_F(DBCtrlsTest, NoEditTakesMoreCharactersThanItsFieldHolds) {
    const QString typed = QString::fromUtf8("Ďurica a synovia s.r.o.");
    auto* combo = new TDBComboBox(form.get());
    combo->SetParent(form.get());
    combo->SetBounds(220, 8, 90, 21);
    combo->SetDataSource(form->DataSource1);
    combo->SetDataField("Firma");
    auto* grid = new TDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(8, 120, 300, 80);
    grid->SetDataSource(form->DataSource1);
    form->SetClientSize(320, 210);
    QApplication::processEvents();
    for (TWinControl* edit : std::initializer_list<TWinControl*>{form->DBEdit1, combo}) {
        Focus(edit);
        QLineEdit* line = edit == combo ? static_cast<QComboBox*>(combo->Widget())->lineEdit()
                                        : static_cast<QLineEdit*>(edit->Widget());
        ASSERT_NE(line, nullptr);
        ASSERT_EQ(line->text(), "Alfa");
        line->end(false);
        Type(edit, typed);
        EXPECT_EQ(line->text().toStdString(), "AlfaĎurica a") << edit->Name();
        Focus(form->DBEdit2);
        EXPECT_EQ(Firma(), "AlfaĎurica a") << edit->Name();
        table.Cancel();
    }
    // A memo keeps its line ends as CR LF in the field: each counts two.
    auto* memo = new TDBMemo(form.get());
    memo->SetParent(form.get());
    memo->SetBounds(220, 36, 90, 60);
    memo->SetDataSource(form->DataSource1);
    memo->SetDataField("Firma");
    Focus(memo);
    memo->SelectAll();
    Type(memo, "Ďu");
    testing::Key(memo->Widget(), Qt::Key_Return, Qt::NoModifier, "\r");
    Type(memo, "rica a synovia");
    Focus(form->DBEdit2);
    EXPECT_EQ(Firma(), "Ďu\r\nrica a s");
    table.Cancel();

    QTableView* view = grid->View();
    const QModelIndex cell = grid->Model().index(0, 0);
    view->setCurrentIndex(cell);
    view->edit(cell);
    QApplication::processEvents();
    auto* line = view->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->selectAll();
    for (QChar c : typed) testing::Key(line, c.toUpper().unicode(), Qt::NoModifier, QString(c));
    EXPECT_EQ(line->text().toStdString(), "Ďurica a syn");
    EXPECT_TRUE(responder.MessageBoxes.empty());
    table.Cancel();
}

TEST_F(DBCtrlsTest, ControlGridRepeatsItsPanelForEveryRecord) {
    for (const char* firma : {"Gama", "Delta", "Epsilon"}) table.AppendRecord({Variant(firma), Variant("Trnava"), Variant(true), Variant("A")});
    table.First();
    int scrolls = 0;
    table.AfterScroll = [&](TDataSet&) { ++scrolls; };
    TDBCtrlGrid grid(nullptr);
    grid.SetParent(form.get());
    grid.SetBounds(0, 0, 300, 90);
    auto* edit = new TDBEdit(&grid);
    edit->SetParent(grid.Panel());
    edit->SetBounds(4, 4, 120, 21);
    edit->SetDataSource(form->DataSource1);
    edit->SetDataField("Firma");
    grid.SetDataSource(form->DataSource1);
    EXPECT_EQ(grid.PanelHeight(), 30);
    EXPECT_EQ(grid.Panel()->Top(), 0);

    // The pictures of the other records do not move the dataset, and the live edit keeps its record.
    testing::Render(grid, "dbctrlgrid");
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(edit->Text(), "Alfa");

    // A click on the third panel moves there; the panel follows, and the top row when needed.
    testing::Press(grid, 150, 75);
    EXPECT_EQ(table.FieldByName("Firma").AsString(), "Gama");
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(grid.Panel()->Top(), 60);
    EXPECT_EQ(edit->Text(), "Gama");
    table.Last();
    EXPECT_EQ(grid.TopRow(), 2);
    EXPECT_EQ(grid.Panel()->Top(), 60);
    EXPECT_EQ(edit->Text(), "Epsilon");
}

// A window as the program's windows use these controls: a grid to choose the record, its
// fields below. Saved as a picture in each language when KVZ_RENDER_DIR is set.
class TContactsForm : public TForm {
public:
    TContactsForm(TComponent* owner, int language) : TForm(owner) {
        // Captions by language: English, Slovak, Czech.
        static const char* const captions[][3] = {
            {"Contacts", "Kontakty", "Kontakty"}, {"Company:", "Firma:", "Firma:"}, {"Town:", "Mesto:", "Město:"},
            {"Active", "Aktívny", "Aktivní"},     {"Note:", "Poznámka:", "Poznámka:"}, {"Run:", "Spustiť:", "Spustit:"}};
        auto text = [&](int i) { return captions[i][language]; };
        SetCaption(text(0));
        SetClientSize(460, 330);
        DataSource1->SetName("DataSource1");
        DBGrid1->SetName("DBGrid1");
        DBGrid1->SetParent(this);
        DBGrid1->SetBounds(8, 8, 444, 130);
        DBGrid1->SetDataSource(DataSource1);
        int top = 148;
        for (auto [label, control, caption] : {std::tuple<TLabel*, TControl*, int>{Label1, DBEdit1, 1}, {Label2, DBEdit2, 2}}) {
            label->SetParent(this);
            label->SetCaption(text(caption));
            label->SetBounds(8, top + 4, 80, 17);
            control->SetParent(this);
            control->SetBounds(96, top, 220, 23);
            top += 30;
        }
        DBEdit1->SetDataSource(DataSource1);
        DBEdit1->SetDataField("Firma");
        DBEdit2->SetDataSource(DataSource1);
        DBEdit2->SetDataField("Mesto");
        DBCheckBox1->SetParent(this);
        DBCheckBox1->SetBounds(330, 150, 120, 21);
        DBCheckBox1->SetCaption(text(3));
        DBCheckBox1->SetDataSource(DataSource1);
        DBCheckBox1->SetDataField("Aktivny");
        Label3->SetParent(this);
        Label3->SetCaption(text(5));
        Label3->SetBounds(330, 184, 50, 17);
        DBComboBox1->SetParent(this);
        DBComboBox1->SetBounds(384, 180, 68, 23);
        DBComboBox1->Items().Add("Áno");
        DBComboBox1->Items().Add("Nie");
        DBComboBox1->SetDataSource(DataSource1);
        DBComboBox1->SetDataField("Run");
        Label4->SetParent(this);
        Label4->SetCaption(text(4));
        Label4->SetBounds(8, 212, 80, 17);
        DBMemo1->SetParent(this);
        DBMemo1->SetBounds(96, 210, 356, 80);
        DBMemo1->SetDataSource(DataSource1);
        DBMemo1->SetDataField("Poznamka");
        DBText1->SetParent(this);
        DBText1->SetBounds(96, 300, 356, 20);
        DBText1->SetDataSource(DataSource1);
        DBText1->SetDataField("Firma");
        DBImage1->SetParent(this);
        DBImage1->SetBounds(8, 240, 80, 80);
        DBImage1->SetDataSource(DataSource1);
        DBImage1->SetDataField("Foto");
    }
    TDataSource* DataSource1 = new TDataSource(this);
    TDBGrid* DBGrid1 = new TDBGrid(this);
    TLabel* Label1 = new TLabel(this);
    TLabel* Label2 = new TLabel(this);
    TLabel* Label3 = new TLabel(this);
    TLabel* Label4 = new TLabel(this);
    TDBEdit* DBEdit1 = new TDBEdit(this);
    TDBEdit* DBEdit2 = new TDBEdit(this);
    TDBCheckBox* DBCheckBox1 = new TDBCheckBox(this);
    TDBComboBox* DBComboBox1 = new TDBComboBox(this);
    TDBMemo* DBMemo1 = new TDBMemo(this);
    TDBText* DBText1 = new TDBText(this);
    TDBImage* DBImage1 = new TDBImage(this);
};

TEST_F(DBCtrlsTest, WindowWithGridAndFieldsInThreeLanguages) {
    table.Close();
    table.FieldDefs().Add("Poznamka", ftMemo);
    table.FieldDefs().Add("Foto", ftGraphic);
    table.Open();
    QImage photo(60, 60, QImage::Format_RGB32);
    photo.fill(QColor(70, 130, 180));
    QByteArray png;
    QBuffer out(&png);
    photo.save(&out, "PNG");
    table.AppendRecord({Variant("Šťastný & s."), Variant("Žilina"), Variant(true), Variant("Áno"),
                        Variant("Stretnutie v utorok,\r\npotvrdiť účasť."), Variant(png.toStdString())});
    table.AppendRecord({Variant("Ďurica"), Variant("Nitra"), Variant(false), Variant("Nie")});
    table.AppendRecord({Variant("Kováčová"), Variant("Brno"), Variant(true), Variant("Áno")});
    table.First();
    for (int language : {0, 1, 2}) {
        TContactsForm window(nullptr, language);
        window.DataSource1->SetDataSet(&table);
        window.Show();
        window.DBGrid1->SetFocus();
        QApplication::processEvents();
        EXPECT_EQ(window.DBGrid1->Model().rowCount(), 3);
        EXPECT_EQ(window.DBEdit1->Text(), "Šťastný & s.");
        EXPECT_EQ(window.DBText1->Caption(), "Šťastný && s.");
        EXPECT_EQ(window.DBComboBox1->ItemIndex(), 0);
        EXPECT_EQ(window.DBMemo1->Lines().Count(), 2);
        EXPECT_TRUE(window.DBImage1->HasPicture());
        testing::Render(window, std::string("dbwindow-") + "esc"[language] + "nkz"[language]);
    }
}

} // namespace
} // namespace kvz
