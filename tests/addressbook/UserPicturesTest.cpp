#include "addressbook/AddressSave.h"
#include "addressbook/UserFields.h"
#include "platform/forms/Clipbrd.h"

#include "AdresyChildTesting.h"

#include <QFileDialog>
#include <QPainter>

namespace kvz {
namespace {

namespace fs = std::filesystem;

QImage Sample(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QPainter(&image).fillRect(0, 0, width / 2, height / 2, Qt::blue);
    return image;
}

// What a picture field holds reads back as the same picture, also behind the older header.
TEST(UserPictures, AFieldKeepsTheBitmapAndReadsOneBehindTheOlderHeader) {
    const QImage picture = Sample(7, 5, Qt::red);
    const std::string bytes = GraphicFieldBytes(picture);
    ASSERT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(GraphicFieldPicture(bytes).convertToFormat(QImage::Format_RGB32), picture);
    std::string withHeader(8, '\0');
    withHeader[0] = 1;
    withHeader[3] = 1;
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) withHeader[4 + i] = static_cast<char>(size >> (8 * i));
    EXPECT_EQ(GraphicFieldPicture(withHeader + bytes).convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_TRUE(GraphicFieldBytes(QImage()).empty());
    EXPECT_TRUE(GraphicFieldPicture("no picture").isNull());
}

using UserPicturesWindowTest = AdresyWindowTest;

std::string StoredPicture(TVolgaTable& table) {
    const TField& f = table.FieldByName("Photo");
    return f.IsNull() ? std::string() : f.AsString();
}

TEST_F(UserPicturesWindowTest, PasteCopyCutAndLoadGoThroughTheClipboardAndTheFileDialog) {
    Start(1);
    AddRows({"Alfa"});
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    TDBImage* photo = AddPictureField();
    ASSERT_NE(photo, nullptr);
    book->SetSelectedControl(photo);

    // Paste starts the edit itself; the field keeps the picture as a bitmap and the control shows it.
    const QImage picture = Sample(9, 6, Qt::green);
    Clipboard().SetPicture(picture);
    book->PastePicturePopupClick();
    ASSERT_EQ(Addresses().State(), dsEdit);
    EXPECT_EQ(GraphicFieldPicture(StoredPicture(Addresses())).convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(photo->Picture().size(), picture.size());
    frame->PostButtonClick(frame);
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    EXPECT_FALSE(StoredPicture(Addresses()).empty());

    Clipboard().SetAsText("something else");
    book->CopyPicturePopupClick();
    EXPECT_EQ(Clipboard().Picture().convertToFormat(QImage::Format_RGB32), picture);

    Clipboard().SetAsText("something else");
    book->CutPicturePopupClick();
    EXPECT_EQ(Clipboard().Picture().convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_TRUE(StoredPicture(Addresses()).empty());
    EXPECT_TRUE(photo->Picture().isNull());
    frame->PostButtonClick(frame);

    // A file chosen in the dialog is loaded; a file that holds no picture is refused with a message.
    const fs::path file = temp.path() / "face.png";
    const QImage face = Sample(12, 10, Qt::yellow);
    ASSERT_TRUE(face.save(QString::fromStdString(file.string())));
    fs::path chosen = file;
    responder.OnDialog = [&](QDialog& d) {
        static_cast<QFileDialog&>(d).selectFile(QString::fromStdString(chosen.string()));
        return int(QDialog::Accepted);
    };
    book->LoadPicturePopupClick();
    EXPECT_EQ(GraphicFieldPicture(StoredPicture(Addresses())).convertToFormat(QImage::Format_RGB32), face);
    frame->PostButtonClick(frame);
    chosen = temp.path() / "notes.png";
    WriteFileDurably(chosen, "just text");
    responder.MessageBoxAnswers = {IDOK};
    book->LoadPicturePopupClick();
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_NE(responder.MessageBoxes[0].Text.find("notes.png"), std::string::npos);
    EXPECT_EQ(GraphicFieldPicture(StoredPicture(Addresses())).convertToFormat(QImage::Format_RGB32), face);
}

TEST_F(UserPicturesWindowTest, ANetworkEditPastesIntoThePictureCopyAndTheSaveWritesIt) {
    Start(1);
    AddRows({"Alfa"});
    TDBImage* photo = AddPictureField();
    ASSERT_NE(photo, nullptr);
    ProgramState().NetworkMode = true;
    data->CreateLockFile(data->LockFileName(TableId::Address));
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    frame->EditButtonClick(frame);
    auto* copy = dynamic_cast<TImage*>(book->FindComponent("UserShImage1"));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(book->FindComponent("UserShShape1"), nullptr);
    EXPECT_FALSE(photo->Visible());
    // The data image is not written while browsing in network mode; the copy takes the paste.
    testing::Press(*copy, 5, 5, Qt::RightButton);
    EXPECT_EQ(book->SelectedControl(), copy);
    const QImage picture = Sample(8, 8, Qt::magenta);
    Clipboard().SetPicture(picture);
    book->PastePicturePopupClick();
    EXPECT_EQ(copy->Picture().size(), picture.size());
    EXPECT_EQ(Addresses().State(), dsBrowse);
    frame->PostButtonClick(frame);
    EXPECT_EQ(book->FindComponent("UserShImage1"), nullptr);
    EXPECT_EQ(book->SelectedControl(), nullptr);
    EXPECT_TRUE(photo->Visible());
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    EXPECT_EQ(GraphicFieldPicture(StoredPicture(Addresses())).convertToFormat(QImage::Format_RGB32), picture);
    ProgramState().NetworkMode = false;
}

// The Personal page with a user picture in the three languages (KVZ_RENDER_DIR=/tmp/png saves them).
TEST_F(UserPicturesWindowTest, PicturesInThreeLanguages) {
    const char* suffix[] = {"", "e", "s", "c"};
    for (int language = 1; language <= 3; ++language) {
        Start(language);
        AddRows({"Alfa"});
        ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
        book->SetSelectedControl(AddPictureField(420, 215));
        Clipboard().SetPicture(Sample(80, 60, QColor(200, 120, 40)));
        book->PastePicturePopupClick();
        frame->PostButtonClick(frame);
        book->PageControl1->SetActivePageIndex(1);
        QApplication::processEvents();
        testing::SaveWindowPicture(*frame, std::string("adresy_picture_") + suffix[language]);
        Stop();
    }
}

// Two computers on one folder: a picture saved by one stays when the other saves the address
// without touching its copy, and goes when the other cuts it.
TEST(UserPicturesNetwork, AnUntouchedCopyKeepsThePictureAnotherComputerSaved) {
    TempFolder dir;
    Program a{dir.path(), "Jano", true};
    Program b{dir.path(), "Jano", true};
    ASSERT_TRUE(AddUserField(*a.data, a.data->TableFileName(TableId::Address), "Photo", ftGraphic, 0));
    auto save = [](Program& p, AddressSaveRequest request) {
        request.UserPrefix = "Jano";
        return SaveAddressCopies(p.Table(TableId::Address), p.locks, p.data->LockFileName(TableId::Address), true,
                                 request, {}).RecordCode;
    };
    AddressSaveRequest insert;
    insert.Copies = {{"Firma", AddressCopy::ckText, "Alfa", false, true, false}};
    const std::string code = save(a, insert);

    const std::string picture = GraphicFieldBytes(Sample(4, 3, Qt::cyan));
    AddressSaveRequest edit;
    edit.Insert = false;
    edit.RecordCode = code;
    edit.Copies = {{"Photo", AddressCopy::ckPicture, picture, false, true, true}};
    b.Table(TableId::Address).Close(); // b opens the table with the new field
    b.Table(TableId::Address).Open();
    save(b, edit);
    edit.Copies = {{"Firma", AddressCopy::ckText, "Alfa s.r.o.", false, true, false},
                   {"Photo", AddressCopy::ckPicture, "", false, false, true}};
    save(a, edit);
    auto stored = [&] {
        TVolgaTable t;
        t.SetPassword("heslo");
        t.SetTableName(a.data->TableFileName(TableId::Address).string());
        t.Open();
        LocateRecordCode(t, code);
        EXPECT_EQ(t.FieldByName("Firma").AsString(), "Alfa s.r.o.");
        return t.FieldByName("Photo").IsNull() ? std::string() : t.FieldByName("Photo").AsString();
    };
    EXPECT_EQ(stored(), picture);
    edit.Copies = {{"Photo", AddressCopy::ckPicture, "", false, true, true}};
    save(b, edit);
    EXPECT_EQ(stored(), "");
}

} // namespace
} // namespace kvz
