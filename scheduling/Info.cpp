#include "scheduling/Info.h"

#include "core/Data1.h"
#include "core/FrameImages.h"
#include "core/Messages.h"
#include "core/ModuleServices.h"
#include "engine/KvMemDS.h"
#include "engine/VolgaTbl.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/FormatSettings.h"
#include "scheduling/TaskCells.h"
#include "scheduling/TaskOperations.h"

#include <QFontMetrics>
#include <QPolygon>
#include <QRegion>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace kvz {

namespace {

std::string FieldText(TDataSet& t, const char* field) { return t.FieldByName(field).AsString(); }

// Scope in which a dataset's controls do not follow it, also when an error ends the scope.
class ControlsDisabled {
public:
    explicit ControlsDisabled(TDataSet& t) : t_(t) { t_.DisableControls(); }
    ~ControlsDisabled() { t_.EnableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    TDataSet& t_;
};

} // namespace

TInfoForm::TInfoForm(TComponent* owner, TDataModule1& data, FrameState& frame, const std::string& clickedKey,
                     int orientation)
    : TForm(owner), data_(data), frame_(frame), clickedKey_(clickedKey), orientation_(orientation) {
    SetName("InfoForm");
    SetCaption("Detail");
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetKeyPreview(true);
    SetColor(clInfoBk);
    BuildControls();
    SetBounds(Left(), Top(), kInfoWidth, kInfoHeight);
    FormCreate();
}

TInfoForm::~TInfoForm() {
    // The data module's copy of the balloon goes with it, and its data source with it.
    if (data_.InfoTable == infoTable_.get()) data_.InfoTable = nullptr;
    if (data_.InfoSource && data_.InfoSource->DataSet() == infoTable_.get()) data_.InfoSource->SetDataSet(nullptr);
}

void TInfoForm::BuildControls() {
    // First, so that every other control stands over it.
    Outline1 = MakeControl<TPaintBox>(this, this, "Outline1");
    Outline1->SetBounds(0, 0, kInfoWidth, kInfoHeight);
    Outline1->OnPaint = [this](TComponent*) { FormPaint(); };
    ScrollBox1 = MakeControl<TScrollBox>(this, this, "ScrollBox1");
    ScrollBox1->SetBounds(10, 51, 411, 126);
    auto* area = static_cast<QScrollArea*>(ScrollBox1->Widget());
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->verticalScrollBar()->setSingleStep(kInfoPanelHeight);
    ScrollBox1->SetColor(clInfoBk);
    Panel1 = MakeControl<TPanel>(this, this, "Panel1");
    Panel1->SetBounds(403, 50, 20, 127);
    Panel1->SetColor(clInfoBk);
    Panel1->SetBevelOuter(TBevelCut::bvNone);
    Bevel1 = MakeControl<TBevel>(this, this, "Bevel1");
    Bevel1->SetBounds(52, 183, 119, 42);
    TImageList images(16, 16);
    FillToolImages(images);
    auto action = [&](const char* name, int left, int image, void (TInfoForm::*handler)()) {
        auto* b = MakeControl<TKvSpeedButton>(this, this, name);
        b->SetBounds(left, 187, 34, 32);
        b->SetGlyph(TBitmap(images.GetImage(image)));
        b->OnClick = [this, handler](TComponent*) { (this->*handler)(); };
        return b;
    };
    SpeedButton2 = action("SpeedButton2", 57, imgEdit, &TInfoForm::SpeedButton2Click);
    SpeedButton1 = action("SpeedButton1", 94, imgDelete, &TInfoForm::SpeedButton1Click);
    SpeedButton3 = action("SpeedButton3", 131, imgPay, &TInfoForm::SpeedButton3Click);
    SpinButton1 = MakeControl<TUpDown>(this, this, "SpinButton1");
    SpinButton1->SetBounds(188, 185, 33, 36);
    SpinButton1->OnClick = [this](TComponent*, TUDBtnType button) {
        // The up arrow shows the panel before, the down arrow the one after.
        if (button == TUDBtnType::btNext) SpinButton1UpClick();
        else SpinButton1DownClick();
    };
    Bevel2 = MakeControl<TBevel>(this, this, "Bevel2");
    Bevel2->SetBounds(229, 191, 25, 24);
    Bevel2->Hide();
    Label1 = MakeControl<TLabel>(this, this, "Label1");
    Label1->SetBounds(236, 193, 12, 20);
    Label1->SetFont({"", 12, clWindowText, fsBold});
    Label1->Hide();
    BitBtn1 = MakeControl<TButton>(this, this, "BitBtn1");
    BitBtn1->SetBounds(297, 197, 75, 25);
    BitBtn1->SetCaption("OK");
    BitBtn1->SetDefault(true);
    BitBtn1->OnClick = [this](TComponent*) { BitBtn1Click(); };
}

void TInfoForm::FormCreate() {
    TVolgaTable& tasks = *data_.TaskTable;
    infoTable_ = std::make_unique<TKvMemoryData>();
    {
        ControlsDisabled off(*infoTable_);
        // The rows the task table shows now: its filter applies.
        infoTable_->LoadShownRecordsFrom(tasks);
        data_.InfoTable = infoTable_.get();
        if (data_.InfoSource) data_.InfoSource->SetDataSet(infoTable_.get());
        infoTable_->Open();
    }
    // The day filter compares with the clicked task; one that is gone leaves the table as it is.
    if (!clickedKey_.empty()) static_cast<void>(tasks.Locate("Number", Variant(clickedKey_), 0));
    infoTable_->SetOnFilterRecord([this](TDataSet& ds, bool& accept) { data_.InfoTableFilterRecord(ds, accept); });
    infoTable_->SetFiltered(true);
    int count = 0;
    for (infoTable_->First(); !infoTable_->Eof(); infoTable_->Next()) ++count;
    outline_ = InfoOutlineOf(orientation_);
    if (count > 1) ScrollBox1->SetBounds(10, 51, 411, 126);
    else ScrollBox1->SetBounds(16, 51, 405, 126);
    QPolygon polygon;
    for (size_t i = 0; i < 11; ++i) polygon << QPoint(outline_[i].X, outline_[i].Y);
    Widget()->setMask(QRegion(polygon, Qt::OddEvenFill));
    CreateView();
    if (infoCount_ <= 1) {
        Panel1->Hide();
        SpinButton1->Hide();
    } else {
        Bevel2->Show();
        Label1->Show();
        Label1->SetCaption(std::to_string(infoCount_));
    }
    ShowButtonsForPanel();
}

void TInfoForm::CreateView() {
    TKvMemoryData& t = *infoTable_;
    infoCount_ = 0;
    {
        ControlsDisabled off(t);
        for (t.First(); !t.Eof(); t.Next()) ++infoCount_;
        t.First();
        for (int n = 1; n <= infoCount_; ++n) {
            BuildPanel(n);
            t.Next();
        }
    }
    infoIndex_ = 1;
    ScrollToIndex();
}

void TInfoForm::BuildPanel(int n) {
    TKvMemoryData& t = *infoTable_;
    const std::string suffix = std::to_string(n);
    auto name = [&](const char* prefix) { return std::string(prefix) + suffix; };
    auto* panel = MakeControl<TPanel>(this, ScrollBox1, name("VPanel").c_str());
    panel->SetBounds(0, kInfoPanelHeight * (n - 1), 395, kInfoPanelHeight);
    panel->SetColor(clInfoBk);
    panel->SetBevelOuter(TBevelCut::bvNone);
    panel->SetCaption("");
    panels_.push_back(panel);
    // The places of the old layout, widened where the desktop's font needs more room than the
    // old one did: the colour panel gives the dates room, and each column's values stand after
    // its widest caption in the language.
    struct BevelPlace { int l, t, w, h; TBevelShape shape; };
    const BevelPlace bevels[9] = {{183, 3, 2, 72, TBevelShape::bsLeftLine},  {300, 3, 2, 42, TBevelShape::bsLeftLine},
                                  {186, 46, 204, 2, TBevelShape::bsTopLine}, {3, 77, 387, 2, TBevelShape::bsTopLine},
                                  {298, 81, 2, 42, TBevelShape::bsLeftLine}, {0, 0, 395, 2, TBevelShape::bsTopLine},
                                  {0, 1, 395, 2, TBevelShape::bsTopLine},    {0, 124, 395, 2, TBevelShape::bsBottomLine},
                                  {0, 125, 395, 2, TBevelShape::bsBottomLine}};
    for (int i = 0; i < 9; ++i) {
        auto* b = MakeControl<TBevel>(this, panel, ("VBevel" + std::to_string(i + 1) + suffix).c_str());
        b->SetBounds(bevels[i].l, bevels[i].t, bevels[i].w, bevels[i].h);
        b->SetShape(bevels[i].shape);
    }
    const TFont caption{"", 8, clWindowText, fsBold};
    const TFont value{"", 8, clWindowText, 0};
    auto label = [&](int number, TWinControl* parent, int l, int top, int w, int h, const TFont& font,
                     const std::string& text) {
        auto* lab = MakeControl<TLabel>(this, parent, ("VLabel" + std::to_string(number) + "_" + suffix).c_str());
        lab->SetAutoSize(false);
        lab->SetFont(font);
        lab->SetCaption(text);
        lab->SetBounds(l, top, w, h);
        return lab;
    };
    const QFontMetrics metrics(caption.ToQFont());
    auto after = [&](int left, std::initializer_list<int> messages) {
        int widest = 0;
        for (int m : messages) widest = std::max(widest, int(metrics.horizontalAdvance(ToQString(GetMessageText(m)))));
        return left + widest + 5;
    };
    namespace M = MessageId;
    const int middle = after(186, {M::TaskDate, M::Start, M::End, M::Repeat, M::Owner});
    const int right = after(303, {M::Priority, M::Recall}), time = after(303, {M::Time});
    const int lower = after(301, {M::RunFile, M::Completed});
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    const TField& date = t.FieldByName("Date");
    const uint32_t color = static_cast<uint32_t>(t.FieldByName("Color").AsInteger());
    const std::string type = FieldText(t, "Task_type");
    label(1, panel, 3, 2, 41, 14, caption, GetMessageText(MessageId::Task));
    label(2, panel, 186, 2, middle - 186, 14, caption, GetMessageText(MessageId::TaskDate));
    auto* cover = MakeControl<TPanel>(this, panel, name("P_Kryt_").c_str());
    cover->SetBounds(44, 4, 136, 69);
    cover->SetColor(TColor(color));
    cover->SetBevelOuter(TBevelCut::bvNone);
    cover->SetCaption("");
    TLabel* taskText = label(3, cover, 4, 2, 130, 65, {"", 8, TColor(ContrastTextColor(color, clBlack)), 0},
                             InfoTaskText(type, FieldText(t, "Uloha"), FieldText(t, "Acount_pay"), FieldText(t, "Var_pay")));
    taskText->SetWordWrap(true);
    // A text longer than the panel shows from its beginning.
    taskText->SetLayout(TTextLayout::tlTop);
    taskText->SetTransparent(true);
    label(4, panel, middle, 3, 299 - middle, 14, value, date.IsNull() ? std::string() : FormatDateTime("ddddd", date.AsDateTime(), fs));
    label(5, panel, 303, 2, time - 303, 14, caption, GetMessageText(MessageId::Time));
    label(6, panel, time, 3, 393 - time, 14, value, FieldText(t, "Time"));
    label(7, panel, 186, 17, middle - 186, 14, caption, GetMessageText(MessageId::Start));
    label(8, panel, middle, 18, 299 - middle, 14, value, FieldText(t, "StartTask"));
    label(9, panel, 186, 32, middle - 186, 14, caption, GetMessageText(MessageId::End));
    label(10, panel, middle, 33, 299 - middle, 14, value, FieldText(t, "EndTask"));
    label(11, panel, 3, 79, 90, 14, caption, GetMessageText(MessageId::Project));
    label(12, panel, 95, 80, 200, 14, value, FieldText(t, "Project"));
    label(13, panel, 3, 94, 90, 14, caption, GetMessageText(MessageId::PartialProject));
    label(14, panel, 95, 95, 200, 14, value, FieldText(t, "SubProject"));
    label(15, panel, 3, 109, 90, 14, caption, GetMessageText(MessageId::File));
    label(16, panel, 95, 110, 200, 14, value, FieldText(t, "Path"));
    label(17, panel, 303, 17, right - 303, 14, caption, GetMessageText(MessageId::Priority));
    label(18, panel, right, 18, 393 - right, 14, value, FieldText(t, "Priority"));
    label(19, panel, 303, 32, right - 303, 14, caption, GetMessageText(MessageId::Recall));
    label(20, panel, right, 33, 393 - right, 14, value, YesNoText(t.FieldByName("Mesage").AsBoolean()));
    label(21, panel, 186, 47, middle - 186, 14, caption, GetMessageText(MessageId::Repeat));
    label(22, panel, middle, 48, 393 - middle, 14, value, RepeatTextOf(t.FieldByName("RepFreq").AsInteger()));
    label(23, panel, 186, 62, middle - 186, 14, caption, GetMessageText(MessageId::Owner));
    label(24, panel, middle, 63, 393 - middle, 14, value, FieldText(t, "Owner"));
    label(25, panel, 301, 109, lower - 301, 14, caption, GetMessageText(MessageId::RunFile));
    label(26, panel, lower, 110, 393 - lower, 14, value, YesNoText(t.FieldByName("Run").AsBoolean()));
    label(27, panel, 301, 79, lower - 301, 14, caption, GetMessageText(MessageId::Completed));
    label(28, panel, lower, 80, 393 - lower, 14, value, YesNoText(t.FieldByName("Completed").AsBoolean()));
    auto* info = MakeControl<TLabel>(this, panel, name("Info").c_str());
    info->SetBounds(350, 48, 56, 13);
    info->SetCaption(FieldText(t, "Number"));
    info->Hide();
}

TLabel* TInfoForm::PanelLabel(int n, const std::string& prefix) const {
    return dynamic_cast<TLabel*>(FindComponent(prefix + std::to_string(n)));
}

std::string TInfoForm::KeyInView() const {
    TLabel* info = PanelLabel(infoIndex_, "Info");
    return info ? info->Caption() : std::string();
}

bool TInfoForm::PanelGone(int n) const { return gone_.count(n) != 0; }

void TInfoForm::ScrollToIndex() {
    auto* area = static_cast<QScrollArea*>(ScrollBox1->Widget());
    area->verticalScrollBar()->setValue(kInfoPanelHeight * (infoIndex_ - 1));
    ShowButtonsForPanel();
}

void TInfoForm::SpinButton1UpClick() {
    if (infoIndex_ > 1) --infoIndex_;
    ScrollToIndex();
}

void TInfoForm::SpinButton1DownClick() {
    if (infoIndex_ < infoCount_) ++infoIndex_;
    ScrollToIndex();
}

void TInfoForm::ShowButtonsForPanel() {
    const bool on = infoCount_ > 0 && !PanelGone(infoIndex_);
    for (TKvSpeedButton* b : {SpeedButton1, SpeedButton2, SpeedButton3}) b->SetEnabled(on);
}

void TInfoForm::MarkGone(int n) {
    gone_.insert(n);
    if (n >= 1 && n <= int(panels_.size())) panels_[size_t(n - 1)]->SetEnabled(false);
    ShowButtonsForPanel();
}

bool TInfoForm::LocateTaskInView() {
    if (infoCount_ == 0 || PanelGone(infoIndex_)) return false;
    const std::string key = KeyInView();
    TVolgaTable& tasks = *data_.TaskTable;
    // By its exact key: a task that is gone is never taken for its neighbour.
    if (!key.empty() && tasks.Locate("Number", Variant(key), 0) && tasks.FieldByName("Number").AsString() == key)
        return true;
    MarkGone(infoIndex_);
    return false;
}

void TInfoForm::SpeedButton2Click() {
    if (!LocateTaskInView()) return;
    if (EditTask) EditTask();
}

void TInfoForm::SpeedButton1Click() {
    if (!LocateTaskInView()) return;
    const std::string key = KeyInView();
    if (ShowMessageBox(GetMessageText(MessageId::DeleteTasks), GetMessageText(MessageId::WarningCaption),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    DeleteTaskByKey(TaskTableTarget(data_, frame_), key);
    // Deleted now or by another meanwhile: the panel stays, disabled.
    MarkGone(infoIndex_);
    if (TasksChanged) TasksChanged();
}

void TInfoForm::SpeedButton3Click() {
    if (!LocateTaskInView()) return;
    TVolgaTable& t = *data_.TaskTable;
    const std::string type = FieldText(t, "Task_type"), path = FieldText(t, "Path");
    if (type.empty() || path.empty() || !t.FieldByName("Run").AsBoolean()) return;
    if (type != "F" && type != "P" && type != "C") return;
    if (Pay) Pay(path, type);
    else if (frame_.Frame) frame_.Frame->PayFacture(path, type);
}

void TInfoForm::BitBtn1Click() { SetModalResult(mrOk); }

void TInfoForm::FormPaint() {
    TCanvas& c = *Outline1->Canvas();
    c.Pen = {clBlack, 2, TPenStyle::psSolid};
    c.MoveTo(outline_[0].X, outline_[0].Y);
    for (size_t i = 1; i < outline_.size(); ++i) c.LineTo(outline_[i].X, outline_[i].Y);
}

} // namespace kvz
