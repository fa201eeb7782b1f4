#include "printing/ReportSelectionForm.h"

#include "core/Messages.h"
#include "printing/LinkReportForm.h"
#include "printing/TaskReportForm.h"
#include "platform/forms/MakeControl.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>
#include <QVBoxLayout>

namespace kvz {

void RegisterReportSelectionWindows(TDataModule1& data) {
    RegisteredReportSources().Tasks = [&data](TComponent* owner, TWinControl* parent) -> ReportSourceWindow* {
        return new TTasksReportForm(owner, parent, data);
    };
    RegisteredReportSources().Links = [&data](TComponent* owner, TWinControl* parent) -> ReportSourceWindow* {
        return new TLinksReportForm(owner, parent, data);
    };
}

QImage SamplePicture(TSampleKind kind) {
    QImage image(150, 200, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 236));
    QPainter p(&image);
    const QRect page(10, 6, 130, 188);
    p.fillRect(page, Qt::white);
    p.setPen(QColor(150, 150, 150));
    p.drawRect(page);
    p.fillRect(QRect(16, 12, 118, 8), QColor(192, 192, 192)); // the page header
    p.fillRect(QRect(45, 26, 60, 6), QColor(0, 0, 255));       // the title
    const QColor ink(90, 90, 90), light(170, 170, 170);
    int y = 40;
    if (kind == TSampleKind::BriefRows) {
        p.fillRect(QRect(16, y, 118, 4), ink);
        for (y += 10; y < 186; y += 9) {
            p.fillRect(QRect(16, y, 20, 3), ink);
            for (int x : {42, 60, 78}) p.fillRect(QRect(x, y, 14, 3), light);
            p.fillRect(QRect(98, y, 36, 3), light);
        }
        return image;
    }
    const int rows = kind == TSampleKind::FullBlocks ? 6 : 4;
    for (; y + rows * 7 + 4 < 190; y += rows * 7 + 8) {
        for (int r = 0; r < rows; ++r) {
            p.fillRect(QRect(16, y + r * 7, 16, 3), ink);
            p.fillRect(QRect(36, y + r * 7, kind == TSampleKind::FullBlocks ? 30 : 90, 3), light);
        }
        if (kind == TSampleKind::FullBlocks) p.fillRect(QRect(80, y, 54, 26), QColor(225, 225, 225));
        p.setPen(ink);
        p.drawLine(16, y + rows * 7 + 3, 134, y + rows * 7 + 3);
    }
    return image;
}

TReportSelectionForm::TReportSelectionForm(TComponent* owner, TWinControl* parent, int source)
    : TForm(owner), source_(source) {
    SetBorderStyle(TFormBorderStyle::bsNone);
    if (parent) {
        SetParent(parent);
        // A part of the report window, not a window standing over it.
        Widget()->setWindowFlags(Qt::Widget);
    }
    auto* rows = new QVBoxLayout(ClientWidget());

    HeadPanel = MakeControl<TPanel>(this, this, "HeadPanel");
    auto* head = new QHBoxLayout(HeadPanel->Widget());
    KvLabel1 = MakeControl<TLabel>(this, HeadPanel, "KvLabel1");
    KvLabel1->SetFont({"", 14, clNavy, fsBold});
    Label3 = MakeControl<TLabel>(this, HeadPanel, "Label3");
    ComboBox1 = MakeControl<TComboBox>(this, HeadPanel, "ComboBox1");
    ComboBox1->SetStyle(TComboBoxStyle::csDropDownList);
    ComboBox1->OnSelect = [this](TComponent*) { ComboBox1Click(); };
    head->addWidget(KvLabel1->Widget());
    head->addStretch(1);
    head->addWidget(Label3->Widget());
    head->addWidget(ComboBox1->Widget());
    rows->addWidget(HeadPanel->Widget());

    auto* middle = new QHBoxLayout;
    auto* selection = new QVBoxLayout;
    Label4 = MakeControl<TLabel>(this, this, "Label4");
    Label4->SetFont({"", 0, clWindowText, fsBold});
    selection->addWidget(Label4->Widget());
    Choices = new QGridLayout;
    Choices->setColumnMinimumWidth(1, 260);
    Choices->setColumnStretch(2, 1);
    selection->addLayout(Choices);
    Buttons = new QHBoxLayout;
    selection->addLayout(Buttons);
    selection->addStretch(1);
    middle->addLayout(selection, 1);
    PageControl1 = MakeControl<TPageControl>(this, this, "PageControl1");
    PageControl1->Widget()->setMinimumWidth(200);
    middle->addWidget(PageControl1->Widget());
    rows->addLayout(middle);

    Grid = MakeControl<TKvDBGrid>(this, this, "Grid");
    Grid->SetReadOnly(true);
    Grid->SetMultiSelect(true);
    rows->addWidget(Grid->Widget(), 1);
}

TTabSheet* TReportSelectionForm::AddSampleTab(const char* name, TSampleKind kind) {
    auto* sheet = MakeControl<TTabSheet>(this, PageControl1, name);
    sheet->SetPageControl(PageControl1);
    auto* image = MakeControl<TImage>(this, sheet, (std::string(name) + "Image").c_str());
    image->SetPicture(SamplePicture(kind));
    image->SetCenter(true);
    auto* box = new QVBoxLayout(sheet->Widget());
    box->addWidget(image->Widget());
    image->Widget()->setMinimumSize(150, 200);
    return sheet;
}

void TReportSelectionForm::FitTabs() {
    if (auto* tabs = qobject_cast<QTabWidget*>(PageControl1->Widget()))
        tabs->setMinimumWidth(std::max(200, tabs->tabBar()->sizeHint().width() + 16));
}

void TReportSelectionForm::FillSources() {
    ComboBox1->Items().Clear();
    for (int message : {MessageId::AddressDatabase, MessageId::TasksDatabase, MessageId::LinksDatabase})
        ComboBox1->Items().Add(GetMessageText(message));
    ComboBox1->SetItemIndex(source_);
}

void TReportSelectionForm::ComboBox1Click() {
    const int item = ComboBox1->ItemIndex();
    if (item < 0 || item == source_) return;
    if (SourceChosen) SourceChosen(item);
}

} // namespace kvz
