#include "controls/KvLookup.h"

#include "controls/KvAni.h"
#include "platform/forms/DBCGrids.h"
#include "platform/forms/Dialogs.h"

#include <QApplication>
#include <QBuffer>
#include <QIcon>
#include <QImageReader>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionComboBox>

#include <algorithm>
#include <stdexcept>

namespace kvz {

namespace {

const char* const kCircular = "Circular datalinks are not allowed";
const char* const kDefinedByLookupField = "Property already defined by lookup field";
const char* const kInControlGrid = "Operation not allowed in a DBCtrlGrid";

// Whether the control stands on a control grid's panel and shows that grid's records.
bool InControlGrid(const TControl& control, const TDataSource* source) {
    for (const TWinControl* parent = control.Parent(); parent; parent = parent->Parent())
        if (auto* grid = dynamic_cast<const TDBCtrlGrid*>(parent->Parent()); grid && grid->Panel() == parent)
            return source && grid->DataSource() == source;
    return false;
}

// The widget of a lookup control: painted by the control, it takes the focus.
class TLookupWidget : public TControlWidget<QWidget> {
public:
    explicit TLookupWidget(TControl* control) : TControlWidget<QWidget>(control) { setFocusPolicy(Qt::StrongFocus); }
};

// The image of an icon drawn on this screen: from its file image, the entry that fits the
// screen's colours best; the application's icon for a directory of type 0; the icon's own
// picture otherwise.
QImage IconPicture(const TIcon& icon) {
    const std::string data = icon.SaveToStream();
    const TIconDirectory directory = ReadIconDirectory(data);
    QImage image;
    if (directory.Type == 0 && !data.empty()) {
        const int size = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
        QIcon app = QApplication::windowIcon();
        if (app.isNull()) app = QApplication::style()->standardIcon(QStyle::SP_DesktopIcon);
        image = app.pixmap(size, size).toImage();
    } else if (directory.Type == 1) {
        QScreen* screen = QGuiApplication::primaryScreen();
        const int entry = BestIconEntry(directory.Colors, ScreenIconColors(screen ? screen->depth() : 32));
        QByteArray bytes(data.data(), static_cast<qsizetype>(data.size()));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer, "ICO");
        if (entry > 0) reader.jumpToImage(entry);
        image = reader.read();
    } else {
        image = icon.Image();
    }
    if (image.isNull()) throw std::runtime_error("Out of system resources");
    return image;
}

// The fields' columns across a row from its left edge, as the list's rows and the combo show
// them, with a line after each but the last.
void DrawColumns(QPainter& p, const QRect& r, const std::vector<TLookupColumn>& columns, const QColor& line) {
    const QFontMetrics metrics(p.font());
    const auto places = LookupColumnPlaces(columns, r.left(), r.width(), metrics.horizontalAdvance('M'));
    const QPen pen = p.pen();
    for (size_t i = 0; i < places.size(); ++i) {
        const QRect cell(places[i].first, r.top(), places[i].second, r.height());
        const TAlignment align = columns[i].Alignment;
        const Qt::Alignment qt = align == taRightJustify ? Qt::AlignRight : align == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
        p.drawText(cell.adjusted(2, 0, -3, 0), qt | Qt::AlignVCenter | Qt::TextSingleLine,
                   metrics.elidedText(ToQString(columns[i].Text), Qt::ElideRight, cell.width() - 5));
        if (i + 1 < columns.size()) {
            p.setPen(line);
            p.drawLine(cell.right() + 1, cell.top(), cell.right() + 1, cell.bottom());
            p.setPen(pen);
        }
    }
}

} // namespace

void DrawItemImage(TCanvas& canvas, const TRect& rect, const TItemImage& image) {
    if (image.Empty()) return;
    QPainter& p = canvas.Painter();
    const QRect r = ToQRect(rect);
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    if (image.Bitmap) {
        TBitmap bitmap(*image.Bitmap);
        bitmap.SetTransparent(true);
        canvas.Draw(r.left() + (r.width() - bitmap.Width()) / 2, r.top() + (r.height() - bitmap.Height()) / 2, bitmap);
    } else if (image.Icon && !image.Icon->Empty()) {
        const QImage picture = IconPicture(*image.Icon);
        p.drawImage(r.left() + (r.width() - picture.width()) / 2, r.top() + (r.height() - picture.height()) / 2, picture);
    } else if (image.Graphic) {
        const int w = image.Graphic->Width(), h = image.Graphic->Height();
        const int left = r.left() + (r.width() - w) / 2, top = r.top() + (r.height() - h) / 2;
        image.Graphic->Draw(canvas, Rect(left, top, left + w, top + h));
    }
    p.restore();
}

// ---- Links ------------------------------------------------------------------------------

class TKvLookupControl::DataSideLink : public TDataLink {
public:
    explicit DataSideLink(TKvLookupControl& c) : c_(c) {}

protected:
    void ActiveChanged() override { c_.BindDataField(); }
    void LayoutChanged() override { c_.BindDataField(); }
    void RecordChanged(TField* field) override { c_.ReloadKey(field); }

private:
    TKvLookupControl& c_;
};

class TKvLookupControl::LookupSideLink : public TDataLink {
public:
    explicit LookupSideLink(TKvLookupControl& c) : c_(c) {}

protected:
    void ActiveChanged() override { c_.BindLookupFields(); }
    void LayoutChanged() override { c_.BindLookupFields(); }
    void DataSetChanged() override { c_.LookupRowsChanged(); }
    void DataSetScrolled(int) override { c_.LookupRowsChanged(); }

private:
    TKvLookupControl& c_;
};

// ---- TKvLookupControl -------------------------------------------------------------------

TKvLookupControl::TKvLookupControl(TComponent* owner, QWidget* widget)
    : TWinControl(owner, widget), dataLink_(std::make_unique<DataSideLink>(*this)),
      lookupLink_(std::make_unique<LookupSideLink>(*this)), internalSource_(std::make_unique<TDataSource>()),
      locator_(NewLocateObject(nullptr)) {
    SetCustomPaint(true);
}

TKvLookupControl::~TKvLookupControl() {
    dataLink_->SetDataSource(nullptr);
    lookupLink_->SetDataSource(nullptr);
}

TDataLink& TKvLookupControl::LookupLink() const { return *lookupLink_; }

TDataSet* TKvLookupControl::LookupDataSet() const { return lookupLink_->DataSet(); }

void TKvLookupControl::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == DataSource()) dataLink_->SetDataSource(nullptr);
    if (component == lookupLink_->DataSource() && component != internalSource_.get()) SetLookupSource(nullptr);
}

void TKvLookupControl::SetDataSource(TDataSource* source) {
    if (source) source->FreeNotification(this);
    dataLink_->SetDataSource(source);
    BindDataField();
}

void TKvLookupControl::SetDataField(const std::string& name) {
    if (name == dataField_) return;
    dataField_ = name;
    BindDataField();
}

TDataSource* TKvLookupControl::LookupSource() const { return fieldLookupMode_ ? nullptr : lookupLink_->DataSource(); }

void TKvLookupControl::CheckLookupSettable() const {
    if (!fieldLookupMode_) return;
    auto* self = const_cast<TKvLookupControl*>(this);
    if (InControlGrid(*this, DataSource())) throw EDatabaseError(kInControlGrid, self);
    throw EDatabaseError(kDefinedByLookupField, self);
}

void TKvLookupControl::SetLookupSource(TDataSource* source) {
    CheckLookupSettable();
    if (source) source->FreeNotification(this);
    lookupLink_->SetDataSource(source);
    locator_->SetDataSet(LookupDataSet());
    BindLookupFields();
}

std::string TKvLookupControl::LookupField() const { return fieldLookupMode_ ? std::string() : lookupField_; }

void TKvLookupControl::SetLookupField(const std::string& name) {
    CheckLookupSettable();
    if (name == lookupField_) return;
    lookupField_ = name;
    BindLookupFields();
}

void TKvLookupControl::SetLookupDisplay(const std::string& names) {
    if (names == lookupDisplay_) return;
    lookupDisplay_ = names;
    BindLookupFields();
}

void TKvLookupControl::SetLookupDisplayIndex(int index) {
    lookupDisplayIndex_ = index;
    BindLookupFields();
}

void TKvLookupControl::SetDisplayEmpty(const std::string& caption) {
    if (caption == displayEmpty_) return;
    EmptyTextChanged(caption);
    displayEmpty_ = caption;
    Invalidate();
}

void TKvLookupControl::SetEmptyValue(const std::string& value) {
    if (keyValue_ == emptyValue_) keyValue_ = value;
    emptyValue_ = value;
}

void TKvLookupControl::SetEmptyItemColor(TColor color) {
    emptyItemColor_ = color;
    if (EmptyRowShown()) Invalidate();
}

void TKvLookupControl::SetItemHeight(int height) {
    itemHeight_ = std::max(height, 0);
    Invalidate();
}

void TKvLookupControl::SetFieldsDelimiter(char delimiter) {
    fieldsDelimiter_ = delimiter;
    if (listStyle_ == TLookupListStyle::lsDelimited) Invalidate();
}

void TKvLookupControl::SetListStyle(TLookupListStyle style) {
    listStyle_ = style;
    Invalidate();
}

void TKvLookupControl::CheckCircular() const {
    if (!dataLink_->Active()) return;
    TDataSet* data = dataLink_->DataSet();
    TDataSet* lookup = lookupLink_->DataSet();
    if ((DataSource() && DataSource() == lookupLink_->DataSource()) || (data && data == lookup))
        throw EDatabaseError(kCircular, const_cast<TKvLookupControl*>(this));
}

void TKvLookupControl::BindDataField() {
    boundField_ = targetField_ = nullptr;
    if (dataLink_->Active() && !dataField_.empty()) {
        CheckCircular();
        boundField_ = &dataLink_->DataSet()->FieldByName(dataField_);
        targetField_ = boundField_;
    }
    if (boundField_ && boundField_->Lookup()) {
        // The field names its lookup dataset, key and result: the control follows them.
        fieldLookupMode_ = true;
        targetField_ = dataLink_->DataSet()->FindField(boundField_->KeyFields());
        internalSource_->SetDataSet(boundField_->LookupDataSet());
        lookupField_ = boundField_->LookupKeyFields();
        lookupLink_->SetDataSource(internalSource_.get());
        locator_->SetDataSet(LookupDataSet());
        BindLookupFields();
    } else if (fieldLookupMode_) {
        fieldLookupMode_ = false;
        lookupLink_->SetDataSource(nullptr);
        lookupField_.clear();
        internalSource_->SetDataSet(nullptr);
        BindLookupFields();
    }
    ReloadKey(nullptr);
}

void TKvLookupControl::BindLookupFields() {
    lookupReady_ = false;
    lookupKeyField_ = shownField_ = nullptr;
    shownFields_.clear();
    TDataSet* ds = LookupDataSet();
    if (lookupLink_->Active() && !lookupField_.empty()) {
        CheckCircular();
        lookupKeyField_ = &ds->FieldByName(lookupField_);
        if (!lookupDisplay_.empty()) shownFields_ = ds->GetFieldList(lookupDisplay_);
        if (fieldLookupMode_) {
            shownField_ = &ds->FieldByName(boundField_->LookupResultField());
            if (std::find(shownFields_.begin(), shownFields_.end(), shownField_) == shownFields_.end())
                shownFields_.insert(shownFields_.begin(), shownField_);
        } else {
            if (shownFields_.empty()) shownFields_.push_back(lookupKeyField_);
            const int index = lookupDisplayIndex_;
            shownField_ = index >= 0 && index < static_cast<int>(shownFields_.size()) ? shownFields_[static_cast<size_t>(index)]
                                                                                      : shownFields_.front();
        }
        lookupReady_ = true;
    }
    locator_->SetDataSet(ds);
}

void TKvLookupControl::ReloadKey(TField* changed) {
    if (changed && changed != targetField_) return;
    SetKeyValue(targetField_ ? targetField_->Text() : emptyValue_);
}

void TKvLookupControl::SetKeyValue(const std::string& key) {
    if (key == keyValue_) return;
    keyValue_ = key;
    ApplyValue();
}

void TKvLookupControl::SetValue(const std::string& key) {
    if (key == keyValue_) return;
    keyValue_ = key;
    ApplyValue();
    RefreshShownText();
    Invalidate();
}

bool TKvLookupControl::Locate(TField* field, const std::string& text, bool exact) {
    if (!field || text == emptyValue_ || !lookupReady_) return false;
    bool found = false;
    locator_->SetIndexSwitch(indexSwitch_);
    try {
        found = locator_->FindRecord(field->FieldName(), text, exact, !ignoreCase_);
    } catch (...) {
        found = false; // a failed search, nothing more
    }
    if (!found) return false;
    if (field == shownField_) keyValue_ = lookupKeyField_->Text();
    RefreshShownText();
    return true;
}

bool TKvLookupControl::LocateKey() { return !KeyEmpty() && Locate(lookupKeyField_, keyValue_, true); }

bool TKvLookupControl::LocateShownText() { return Locate(shownField_, shownText_, true); }

void TKvLookupControl::RefreshShownText() {
    shownText_ = KeyEmpty() || !shownField_ ? std::string() : shownField_->DisplayText();
}

bool TKvLookupControl::MayModify() const {
    if (!lookupReady_ || ReadOnly()) return false;
    return !DataSource() || (targetField_ && targetField_->CanModify());
}

void TKvLookupControl::ChooseKey(const std::string& key) {
    if (targetField_) {
        if (!MayModify() || !dataLink_->Edit()) return;
        targetField_->SetText(key); // the link reloads the key from it
    } else {
        SetKeyValue(key);
    }
    RefreshShownText();
    Invalidate();
    Chosen();
}

void TKvLookupControl::ClearValue() {
    if (DataSource() && !MayModify()) return;
    if (targetField_) {
        if (!dataLink_->Edit()) return;
        if (emptyValue_.empty())
            targetField_->Clear();
        else
            targetField_->SetText(emptyValue_);
    }
    keyValue_ = emptyValue_;
    shownText_.clear();
    Invalidate();
    Chosen();
}

TItemImage TKvLookupControl::GetItemImage(bool, bool empty, int& textMargin) {
    TItemImage image;
    textMargin = 0;
    if (OnGetImage) OnGetImage(this, empty, image, textMargin);
    return image;
}

void TKvLookupControl::Chosen() {
    if (OnClick) OnClick(this);
    if (OnChange) OnChange(this);
}

void TKvLookupControl::SearchKey(char32_t key) {
    if (!shownField_) return;
    if (key == 9 || key == 27) {
        search_.Clear();
        return;
    }
    if (!TLookupSearch::SearchKey(key) || !MayModify()) return;
    search_.InPopup = inPopup_;
    search_.Type(
        key,
        [this](const std::string& candidate) -> std::optional<std::string> {
            if (!Locate(shownField_, candidate, false)) return std::nullopt;
            const std::string shown = shownField_->DisplayText();
            ChooseKey(lookupKeyField_->Text());
            return shown;
        },
        [this] {
            LookupDataSet()->First();
            ChooseKey(lookupKeyField_->Text());
        });
}

// ---- TKvDBLookupList --------------------------------------------------------------------

namespace {

constexpr int kListBorder = 2; // the frame round the rows, top and bottom together

} // namespace

TKvDBLookupList::TKvDBLookupList(TComponent* owner) : TKvDBLookupList(owner, new TLookupWidget(this)) {}

TKvDBLookupList::TKvDBLookupList(TComponent* owner, QWidget* widget) : TKvLookupControl(owner, widget) { Init(); }

TKvDBLookupList::~TKvDBLookupList() = default;

void TKvDBLookupList::Init() {
    SetColor(clWindow);
    scrollBar_ = new QScrollBar(Qt::Vertical, Widget());
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    scrollBar_->setRange(0, 0);
    QObject::connect(scrollBar_, &QAbstractSlider::actionTriggered, scrollBar_, [this](int action) {
        Guarded([&] { Scroll(action); });
        // The bar shows where the rows stand, not where it was dragged.
        QMetaObject::invokeMethod(scrollBar_, [this] { UpdateScrollBar(); }, Qt::QueuedConnection);
    });
    scrollTimer_ = new TTimer(this);
    scrollTimer_->SetEnabled(false);
    scrollTimer_->OnTimer = [this](TComponent*) { ScrollTick(); };
    SetBounds(Left(), Top(), 121, 97);
    FitHeight();
}

int TKvDBLookupList::RowHeight() const {
    return std::max(QFontMetrics(Font().ToQFont()).height() + 2, ItemHeight());
}

int TKvDBLookupList::BarWidth() const { return Widget()->style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

int TKvDBLookupList::ListWidth() const { return ClientWidth() - BarWidth() - 1; }

void TKvDBLookupList::SetItemHeight(int height) {
    TKvLookupControl::SetItemHeight(height);
    FitHeight();
}

void TKvDBLookupList::SetRowCount(int rows) {
    rows_ = ClampVisibleRows(rows);
    FitHeight();
}

void TKvDBLookupList::FitHeight() {
    if (fitting_) return;
    fitting_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{fitting_};
    SetBounds(Left(), Top(), Width(), kListBorder + rows_ * RowHeight());
    const int bar = BarWidth();
    scrollBar_->setGeometry(ClientWidth() - bar - 1, 1, bar, ClientHeight() - 2);
    LookupLink().SetBufferCount(std::max(rows_ - (EmptyRowShown() ? 1 : 0), 1));
    ReadBuffer();
}

void TKvDBLookupList::Resize() {
    TKvLookupControl::Resize();
    if (fitting_) return;
    rows_ = ClampVisibleRows(RowsInHeight(Height() - kListBorder, RowHeight()));
    FitHeight();
}

void TKvDBLookupList::FontChanged() {
    TKvLookupControl::FontChanged();
    FitHeight();
}

void TKvDBLookupList::EmptyTextChanged(const std::string& caption) {
    LookupLink().SetBufferCount(std::max(rows_ - (caption.empty() ? 0 : 1), 1));
}

void TKvDBLookupList::ReadBuffer() {
    TDataSet* ds = LookupDataSet();
    if (LookupReady() && ds) {
        bufferIndex_ = LookupLink().ActiveRecord();
        bufferRecords_ = LookupLink().RecordCount();
        keyShown_ = !KeyEmpty() || !ds->Bof();
    } else {
        bufferIndex_ = bufferRecords_ = 0;
        keyShown_ = false;
    }
    UpdateScrollBar();
    Invalidate();
}

void TKvDBLookupList::UpdateScrollBar() {
    TDataSet* ds = LookupDataSet();
    const bool full = LookupLink().Active() && bufferRecords_ == rows_ - (EmptyRowShown() ? 1 : 0);
    const int max = full ? 4 : 0;
    const int position = !full ? 0 : ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
    if (scrollBar_->maximum() != max) scrollBar_->setRange(0, max);
    if (scrollBar_->value() != position) scrollBar_->setValue(position);
}

void TKvDBLookupList::LookupRowsChanged() { ReadBuffer(); }

void TKvDBLookupList::ApplyValue() {
    if (LookupReady() && !holdPosition_ && !LocateKey()) LookupDataSet()->First();
    ReadBuffer();
}

void TKvDBLookupList::BindLookupFields() {
    TKvLookupControl::BindLookupFields();
    if (!LookupReady() || holdPosition_) {
        ReadBuffer();
        return;
    }
    ReloadKey(nullptr);
    ApplyValue();
    RefreshShownText();
}

int TKvDBLookupList::CurrentIndex() const {
    if (KeyEmpty() || !LookupKeyField()) return -1;
    TDataLink& link = LookupLink();
    const int active = link.ActiveRecord();
    int found = -1;
    for (int i = 0; i < bufferRecords_ && found < 0; ++i) {
        link.SetActiveRecord(i);
        if (LookupKeyField()->Text() == Value()) found = i;
    }
    link.SetActiveRecord(active);
    return found;
}

void TKvDBLookupList::PickCurrent() {
    if (holdPosition_) {
        if (pickEmpty_)
            ClearValue();
        else
            ChooseKey(LookupKeyField()->Text());
    }
    pickEmpty_ = holdPosition_ = false;
}

void TKvDBLookupList::KeyDown(uint16_t& key, TShiftState shift) {
    TKvLookupControl::KeyDown(key, shift);
    if (!key || !MayModify()) return;
    TDataSet* ds = LookupDataSet();
    const bool empty = EmptyRowShown();
    const std::optional<int> step = LookupKeyStep(key, rows_, empty);
    if (!step && key != VK_HOME && key != VK_END) return;
    pickEmpty_ = false;
    Search().Clear();
    if (key == VK_HOME) {
        ds->First();
    } else if (key == VK_END) {
        ds->Last();
    } else {
        if (KeyEmpty() && empty && *step < 0) pickEmpty_ = true;
        const int current = CurrentIndex();
        if (current >= 0) {
            ds->MoveBy(current - bufferIndex_);
            ds->MoveBy(*step);
            if (*step < 0 && ds->Bof() && empty) pickEmpty_ = true;
        } else {
            ApplyValue();
        }
    }
    holdPosition_ = true;
    PickCurrent();
    key = 0;
}

void TKvDBLookupList::KeyPress(char32_t& key) {
    TKvLookupControl::KeyPress(key);
    if (!key) return;
    SearchKey(key);
    key = 0;
}

void TKvDBLookupList::SelectRowAt(int y) {
    if (!LookupReady()) return;
    const int e = EmptyRowShown() ? 1 : 0;
    const int row = LookupRowAt(y, ClientHeight(), RowHeight());
    if (row == 0 && e)
        pickEmpty_ = true;
    else
        LookupDataSet()->MoveBy(row - bufferIndex_ - e);
    holdPosition_ = true;
    PickCurrent();
}

void TKvDBLookupList::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TKvLookupControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    Search().Clear();
    if (!inPopup_) {
        if (CanFocus()) SetFocus();
        if (!Focused()) return;
    }
    if (!MayModify() || x >= ListWidth()) return;
    tracking_ = true;
    SelectRowAt(y);
}

void TKvDBLookupList::MouseMove(TShiftState shift, int x, int y) {
    TKvLookupControl::MouseMove(shift, x, y);
    if (!tracking_) return;
    SelectRowAt(y);
    mouseY_ = y;
    ScrollTick();
}

void TKvDBLookupList::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TKvLookupControl::MouseUp(button, shift, x, y);
    if (!tracking_) return;
    StopTracking();
    SelectRowAt(y);
    Released(x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight());
}

void TKvDBLookupList::StopTracking() {
    tracking_ = false;
    scrollTimer_->SetEnabled(false);
}

void TKvDBLookupList::ScrollTick() {
    const TLookupScrollTick tick = LookupScrollTick(mouseY_, ClientHeight());
    if (!tick.Step || !tracking_) {
        scrollTimer_->SetEnabled(false);
        return;
    }
    LookupDataSet()->MoveBy(tick.Step);
    holdPosition_ = true;
    PickCurrent();
    scrollTimer_->SetInterval(static_cast<unsigned>(tick.IntervalMs));
    scrollTimer_->SetEnabled(true);
}

void TKvDBLookupList::Scroll(int action) {
    TDataSet* ds = LookupDataSet();
    if (!LookupReady() || !ds) return;
    Search().Clear();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: ds->MoveBy(-bufferIndex_ - 1); break;
    case QAbstractSlider::SliderSingleStepAdd: ds->MoveBy(bufferRecords_ - bufferIndex_); break;
    case QAbstractSlider::SliderPageStepSub: ds->MoveBy(1 - bufferIndex_ - bufferRecords_); break;
    case QAbstractSlider::SliderPageStepAdd: ds->MoveBy(2 * bufferRecords_ - bufferIndex_ - 2); break;
    case QAbstractSlider::SliderToMinimum: ds->First(); break;
    case QAbstractSlider::SliderToMaximum: ds->Last(); break;
    case QAbstractSlider::SliderMove: {
        const int position = scrollBar_->sliderPosition();
        if (position == 0) ds->First();
        else if (position == 1) ds->MoveBy(1 - bufferIndex_ - bufferRecords_);
        else if (position == 3) ds->MoveBy(2 * bufferRecords_ - bufferIndex_ - 2);
        else if (position == 4) ds->Last();
        break;
    }
    }
}

void TKvDBLookupList::DoEnter() {
    TKvLookupControl::DoEnter();
    Invalidate();
}

void TKvDBLookupList::DoExit() {
    TKvLookupControl::DoExit();
    Search().Clear();
    Invalidate();
}

void TKvDBLookupList::Paint(TCanvas& canvas) {
    QPainter& p = canvas.Painter();
    const QPalette& pal = Widget()->palette();
    p.fillRect(QRect(0, 0, ClientWidth(), ClientHeight()), ToQColor(Color()));
    const int e = EmptyRowShown() ? 1 : 0;
    const int height = RowHeight();
    const int width = ListWidth() - 1;
    TDataLink& link = LookupLink();
    const int active = link.ActiveRecord();
    const bool focus = Focused() || inPopup_;
    for (int i = 0; i < rows_; ++i) {
        const int j = i - e;
        const TRect rect = Rect(1, 1 + i * height, width, 1 + (i + 1) * height);
        bool selected = i == 0 && !keyShown_ && !e && LookupReady() && bufferRecords_ > 0;
        TColor background = Color();
        if (!LookupReady() || j >= bufferRecords_) {
            p.fillRect(ToQRect(rect), ToQColor(background));
            continue;
        }
        if (j < 0) {
            selected = KeyEmpty();
            background = EmptyItemColor();
        } else {
            link.SetActiveRecord(j);
            selected = selected || (!KeyEmpty() && LookupKeyField()->Text() == Value());
        }
        p.fillRect(ToQRect(rect), selected ? pal.color(QPalette::Highlight) : ToQColor(background));
        p.setPen(selected ? pal.color(QPalette::HighlightedText) : ToQColor(Font().Color));
        int margin = 0;
        const TItemImage image = GetItemImage(false, j < 0, margin);
        TRect textRect = rect;
        if (margin >= 1) {
            DrawItemImage(canvas, Rect(rect.Left, rect.Top, rect.Left + margin, rect.Bottom), image);
            textRect.Left += margin;
        }
        DrawRowText(canvas, textRect, selected, j < 0);
        if (selected && focus) {
            QStyleOptionFocusRect option;
            option.initFrom(Widget());
            option.rect = ToQRect(rect);
            option.backgroundColor = pal.color(QPalette::Highlight);
            Widget()->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, Widget());
        }
    }
    if (LookupReady()) link.SetActiveRecord(active);
    p.setPen(pal.color(QPalette::Mid));
    p.drawRect(0, 0, ClientWidth() - 1, ClientHeight() - 1);
}

void TKvDBLookupList::DrawRowText(TCanvas& canvas, const TRect& rect, bool, bool empty) {
    QPainter& p = canvas.Painter();
    const QFont font = Font().ToQFont();
    p.setFont(font);
    const QFontMetrics metrics(font);
    const QRect r = ToQRect(rect);
    // The empty row's caption has the row to itself: its other columns would be blank.
    if (ListStyle() == TLookupListStyle::lsDelimited || empty) {
        std::string text = empty ? DisplayEmpty() : std::string();
        if (!empty)
            for (TField* field : ShownFields()) {
                if (!text.empty()) text += std::string(1, FieldsDelimiter()) + " ";
                text += field->DisplayText();
            }
        p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, ToQString(text));
        return;
    }
    std::vector<TLookupColumn> columns;
    for (TField* field : ShownFields()) columns.push_back({field->DisplayText(), field->DisplayWidth(), field->Alignment()});
    DrawColumns(p, r, columns, ToQColor(clBtnFace));
}

// ---- TKvPopupDataList -------------------------------------------------------------------

namespace {

// The drop-down's window: on top, without a frame of the window system, never active. Keys
// reach the combo, which hands those of the list back; a press outside closes it.
class TPopupListWidget : public TControlWidget<QWidget> {
public:
    TPopupListWidget(TControl* list, TKvDBLookupCombo* combo) : TControlWidget<QWidget>(list), combo_(combo) {
        setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (rect().contains(e->position().toPoint())) return TControlWidget<QWidget>::mousePressEvent(e);
        Guarded([this] { combo_->CloseUp(false); });
    }
    void keyPressEvent(QKeyEvent* e) override { QApplication::sendEvent(combo_->Widget(), e); }
    void hideEvent(QHideEvent* e) override {
        TControlWidget<QWidget>::hideEvent(e);
        Guarded([this] {
            if (combo_->ListVisible()) combo_->CloseUp(false);
        });
    }

private:
    TKvDBLookupCombo* combo_;
};

} // namespace

TKvPopupDataList::TKvPopupDataList(TKvDBLookupCombo* combo)
    : TKvDBLookupList(combo, new TPopupListWidget(this, combo)), combo_(combo) {
    inPopup_ = true;
    Widget()->hide();
}

void TKvPopupDataList::Released(bool inside) { combo_->CloseUp(inside); }

// The combo shows what the list points at; its own key changes when the list closes.
void TKvPopupDataList::Chosen() { combo_->Invalidate(); }

// ---- TKvDBLookupCombo -------------------------------------------------------------------

TKvDBLookupCombo::TKvDBLookupCombo(TComponent* owner)
    : TKvLookupControl(owner, new TLookupWidget(this)), list_(new TKvPopupDataList(this)) {
    SetColor(clWindow);
    SetIgnoreCase(true);
    const int height = std::max(QFontMetrics(Font().ToQFont()).height() + 8, 21);
    SetBounds(Left(), Top(), 145, height);
}

TKvDBLookupCombo::~TKvDBLookupCombo() = default;

int TKvDBLookupCombo::ButtonWidth() const { return Widget()->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2; }

void TKvDBLookupCombo::Resize() {
    TKvLookupControl::Resize();
    const int minimum = QFontMetrics(Font().ToQFont()).height() + 5;
    if (Height() < minimum) SetBounds(Left(), Top(), Width(), minimum);
}

void TKvDBLookupCombo::SetDisplayAllFields(bool on) {
    displayAllFields_ = on && !FieldLookupMode();
    ApplyValue();
}

void TKvDBLookupCombo::SetListStyle(TLookupListStyle style) {
    TKvLookupControl::SetListStyle(style);
    if (displayAllFields_) ApplyValue();
}

void TKvDBLookupCombo::SetFieldsDelimiter(char delimiter) {
    TKvLookupControl::SetFieldsDelimiter(delimiter);
    if (displayAllFields_ && ListStyle() == TLookupListStyle::lsDelimited) ApplyValue();
}

void TKvDBLookupCombo::ShowRecord() {
    text_.clear();
    columns_.clear();
    if (displayAllFields_ && !FieldLookupMode()) {
        for (TField* field : ShownFields()) {
            const std::string shown = field->DisplayText();
            if (!text_.empty()) text_ += std::string(1, FieldsDelimiter()) + " ";
            text_ += shown;
            if (ListStyle() == TLookupListStyle::lsFixed) columns_.push_back({shown, field->DisplayWidth(), field->Alignment()});
        }
    }
    if (text_.empty() && ShownField()) text_ = ShownField()->DisplayText();
    textAlignment_ = ShownField() ? ShownField()->Alignment() : taLeftJustify;
}

void TKvDBLookupCombo::ApplyValue() {
    if (LookupReady() && LocateKey()) {
        ShowRecord();
    } else if (LookupReady()) {
        ForgetKey();
        text_ = DisplayEmpty();
        columns_.clear();
        textAlignment_ = taLeftJustify;
    } else {
        text_.clear();
        columns_.clear();
    }
    RefreshShownText();
    RefreshPicture();
    Invalidate();
}

// The chosen record's picture, while the lookup dataset stands on it.
void TKvDBLookupCombo::RefreshPicture() { picture_ = TKvLookupControl::GetItemImage(false, KeyEmpty(), pictureMargin_); }

TItemImage TKvDBLookupCombo::GetItemImage(bool current, bool empty, int& textMargin) {
    if (!current) return TKvLookupControl::GetItemImage(current, empty, textMargin);
    textMargin = pictureMargin_;
    return picture_;
}

void TKvDBLookupCombo::BindLookupFields() {
    TKvLookupControl::BindLookupFields();
    ApplyValue();
}

void TKvDBLookupCombo::LookupRowsChanged() {
    // Only a data set that follows the lookup source as its detail sees another key.
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (ds && LookupSource() && ds->IsLinkedTo(LookupSource())) ReloadKey(nullptr);
}

void TKvDBLookupCombo::EmptyTextChanged(const std::string& caption) {
    if (text_ == DisplayEmpty()) text_ = caption;
}

void TKvDBLookupCombo::ClearValue() {
    if (popupShown_) CloseUp(false);
    text_ = DisplayEmpty();
    columns_.clear();
    TKvLookupControl::ClearValue();
    RefreshPicture();
}

void TKvDBLookupCombo::Chosen() { TKvLookupControl::Chosen(); }

void TKvDBLookupCombo::DropDown() {
    if (popupShown_ || !MayModify()) return;
    if (OnDropDown) OnDropDown(this);
    TKvPopupDataList& list = *list_;
    list.SetColor(Color());
    list.SetFont(Font());
    list.SetItemHeight(ItemHeight());
    list.SetEmptyValue(EmptyValue());
    list.SetDisplayEmpty(DisplayEmpty());
    list.SetEmptyItemColor(EmptyItemColor());
    list.SetListStyle(ListStyle());
    list.SetFieldsDelimiter(FieldsDelimiter());
    list.SetIgnoreCase(IgnoreCase());
    list.SetIndexSwitch(IndexSwitch());
    list.OnGetImage = OnGetImage;
    std::string names;
    int shownIndex = 0;
    for (size_t i = 0; i < ShownFields().size(); ++i) {
        names += ShownFields()[i]->FieldName() + ";";
        if (ShownFields()[i] == ShownField()) shownIndex = static_cast<int>(i);
    }
    list.SetLookupDisplay(names);
    list.SetLookupDisplayIndex(shownIndex);
    list.SetLookupField(LookupKeyField() ? LookupKeyField()->FieldName() : std::string());
    list.SetLookupSource(LookupSource() ? LookupSource() : LookupLink().DataSource());
    list.SetValue(Value());
    list.SetRowCount(dropDownCount_);

    int width = Width();
    if (dropDownWidth_ > 0) {
        width = dropDownWidth_;
    } else if (dropDownWidth_ < 0) {
        const int m = QFontMetrics(Font().ToQFont()).horizontalAdvance('M');
        int sum = 0;
        for (TField* field : ShownFields()) sum += field->DisplayWidth() * m + 4;
        width = std::max(Width(), sum + Widget()->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    }
    const QPoint origin = Widget()->mapToGlobal(QPoint(0, 0));
    QScreen* screen = Widget()->screen() ? Widget()->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    width = std::min(width, available.width());
    const TPoint at = DropDownPosition(Bounds(origin.x(), origin.y(), Width(), Height()), width, list.Height(),
                                       dropDownAlign_, FromQRect(available));
    list.Widget()->setGeometry(at.X, at.Y, width, list.Height());
    list.Widget()->show();
    list.Widget()->raise();
    popupShown_ = true;
    Invalidate();
}

void TKvDBLookupCombo::CloseUp(bool accept) {
    if (!popupShown_) return;
    const std::string key = list_->Value();
    popupShown_ = false; // before hiding: the hidden window would close it again
    list_->Widget()->hide();
    list_->SetLookupSource(nullptr);
    list_->ClearSearch();
    Search().Clear();
    Invalidate();
    if (accept && MayModify() && key != Value()) {
        if (key == EmptyValue())
            ClearValue();
        else
            ChooseKey(key);
    }
    if (CanFocus()) SetFocus();
    if (OnCloseUp) OnCloseUp(this);
}

void TKvDBLookupCombo::KeyDown(uint16_t& key, TShiftState shift) {
    TKvLookupControl::KeyDown(key, shift);
    if (!key) return;
    if (LookupReady() && (key == VK_UP || key == VK_DOWN)) {
        if (shift & ssAlt) {
            if (popupShown_)
                CloseUp(true);
            else
                DropDown();
            key = 0;
            return;
        }
        if (!popupShown_) {
            if (!ReadOnly() && MayModify()) {
                TDataSet* ds = LookupDataSet();
                if (!LocateKey())
                    ds->First();
                else
                    ds->MoveBy(key == VK_UP ? -1 : 1);
                ChooseKey(LookupKeyField()->Text());
            }
            key = 0;
            return;
        }
    }
    if (popupShown_ && key != VK_RETURN && key != VK_ESCAPE) {
        list_->ListKeyDown(key, shift);
        Invalidate();
    }
}

void TKvDBLookupCombo::KeyPress(char32_t& key) {
    TKvLookupControl::KeyPress(key);
    if (!key) return;
    if (popupShown_) {
        if (key == '\r' || key == 27) {
            CloseUp(key == '\r');
        } else {
            list_->ListKeyPress(key);
            Invalidate();
        }
        key = 0;
        return;
    }
    if (key >= 32 && key != 127) {
        DropDown();
        if (popupShown_) list_->ListKeyPress(key);
        key = 0;
    } else if (key == 27 && escapeClear_ && !KeyEmpty() && MayModify()) {
        ClearValue();
        key = 0;
    }
}

void TKvDBLookupCombo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TKvLookupControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    if (CanFocus()) SetFocus();
    if (!Focused()) return;
    if (popupShown_)
        CloseUp(false);
    else if (MayModify())
        DropDown();
}

void TKvDBLookupCombo::DoExit() {
    // The drop-down takes no focus: only a real leaving closes it.
    if (!list_->Widget()->isVisible() || !list_->Widget()->underMouse()) CloseUp(false);
    TKvLookupControl::DoExit();
}

void TKvDBLookupCombo::Paint(TCanvas& canvas) {
    QPainter& p = canvas.Painter();
    QWidget* w = Widget();
    QStyleOptionComboBox option;
    option.initFrom(w);
    option.editable = false;
    option.frame = true;
    option.subControls = QStyle::SC_All;
    if (popupShown_) option.state |= QStyle::State_On;
    if (!LookupReady() || ReadOnly()) option.state &= ~QStyle::State_Enabled;
    option.palette.setColor(QPalette::Base, ToQColor(Color()));
    option.palette.setColor(QPalette::Button, ToQColor(Color()));
    w->style()->drawComplexControl(QStyle::CC_ComboBox, &option, &p, w);
    const QRect area = w->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, w);

    std::string text = text_;
    TItemImage image = picture_;
    int margin = pictureMargin_;
    if (popupShown_) {
        const bool listEmpty = list_->Value() == list_->EmptyValue();
        if (!list_->TypedPrefix().empty())
            text = list_->TypedPrefix();
        else if (listEmpty)
            text = DisplayEmpty();
        else
            text = list_->DisplayValue();
        // The lookup dataset stands on the list's record.
        image = TKvLookupControl::GetItemImage(false, listEmpty, margin);
    }
    const bool selected = Focused() && !popupShown_;
    const QPalette& pal = w->palette();
    if (selected) p.fillRect(area, pal.color(QPalette::Highlight));
    p.setFont(Font().ToQFont());
    p.setPen(!Enabled() ? pal.color(QPalette::Disabled, QPalette::Text)
             : selected ? pal.color(QPalette::HighlightedText)
                        : ToQColor(Font().Color));
    QRect textArea = area;
    if (margin > 0) {
        ++margin;
        DrawItemImage(canvas, FromQRect(QRect(area.left(), area.top(), margin + 2, area.height())), image);
        textArea.setLeft(area.left() + margin);
    }
    if (!popupShown_ && displayAllFields_ && ListStyle() == TLookupListStyle::lsFixed && !columns_.empty() && !KeyEmpty()) {
        DrawColumns(p, textArea, columns_, selected ? pal.color(QPalette::HighlightedText) : ToQColor(clBtnShadow));
    } else {
        const Qt::Alignment align = textAlignment_ == taRightJustify ? Qt::AlignRight
                                    : textAlignment_ == taCenter     ? Qt::AlignHCenter
                                                                     : Qt::AlignLeft;
        p.drawText(textArea.adjusted(2, 0, -2, 0), align | Qt::AlignVCenter | Qt::TextSingleLine,
                   QFontMetrics(p.font()).elidedText(ToQString(text), Qt::ElideRight, textArea.width() - 4));
    }
    if (selected) {
        QStyleOptionFocusRect focus;
        focus.initFrom(w);
        focus.rect = area;
        focus.backgroundColor = pal.color(QPalette::Highlight);
        w->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, w);
    }
}

} // namespace kvz
