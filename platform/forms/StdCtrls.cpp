#include "platform/forms/StdCtrls.h"

#include "platform/forms/Forms.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QValidator>

#include <QApplication>

#include <algorithm>
#include <map>
#include <vector>
#include <utility>
#include <stdexcept>

namespace kvz {

namespace {

Qt::Alignment HorizontalOf(TAlignment a) {
    return a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
}

std::string ToStd(const QString& s) { return s.toStdString(); }

void CheckIndex(int index, int count) {
    if (index < 0 || index >= count) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

// A caption's "&" marks shown without a buddy: "&&" is an ampersand, a single one goes.
QString WithoutAccel(const QString& caption) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

// The height a one-line control of this kind has with its font: asked of the widget once per
// kind and font, since a combo box's size hint is dear.
int SingleLineHeight(QWidget* widget) {
    // Few kinds and fonts meet in a run; comparing fonts is cheaper than spelling out their keys.
    struct Known {
        const QMetaObject* kind;
        QFont font;
        int height;
    };
    static std::vector<Known> heights;
    const QMetaObject* kind = widget->metaObject();
    const QFont& font = widget->font();
    for (const Known& k : heights)
        if (k.kind == kind && k.font == font) return k.height;
    heights.push_back({kind, font, widget->sizeHint().height()});
    return heights.back().height;
}

// The text of a push, check or radio button.
std::string ButtonText(QWidget* button) { return ToStd(static_cast<QAbstractButton*>(button)->text()); }
void SetButtonText(QWidget* button, std::string_view text) {
    static_cast<QAbstractButton*>(button)->setText(ToQString(text));
}

} // namespace

// ---- TLabel ----

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner, new TControlWidget<QLabel>(this, HomeWidget(owner))) {
    Label()->setTextFormat(Qt::PlainText);
    SetBounds(0, 0, 65, 17);
}

QLabel* TLabel::Label() const { return static_cast<QLabel*>(Widget()); }

void TLabel::ShowText() {
    QString caption = ToQString(Caption());
    // Qt draws the "&" letter underlined only for a label with a buddy.
    Label()->setText(focusControl_ ? caption : WithoutAccel(caption));
}

void TLabel::FitText() {
    if (!autoSize_ || WordWrap()) return;
    // The text's own extent: the same with the "&" letter underlined or left out.
    QLabel* label = Label();
    QSize text = label->fontMetrics().size(Qt::TextShowMnemonic, ToQString(Caption()));
    QMargins m = label->contentsMargins();
    label->resize(text.width() + m.left() + m.right() + 2 * label->margin(),
                  text.height() + m.top() + m.bottom() + 2 * label->margin());
}

void TLabel::SetFocusControl(TWinControl* control) {
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = control;
    if (control) control->FreeNotification(this);
    Label()->setBuddy(control ? control->Widget() : nullptr);
    ShowText();
}

void TLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == focusControl_) {
        focusControl_ = nullptr;
        if (Widget()) Label()->setBuddy(nullptr);
    }
}

bool TLabel::DialogChar(char32_t key) {
    // Qt's own shortcut does this when the key comes from the window system; a key sent to
    // the form by hand arrives here.
    if (!focusControl_ || !Enabled() || key == 0 || key != AccelCharOf(Caption()) || !focusControl_->CanFocus())
        return false;
    focusControl_->SetFocus();
    return true;
}

TAlignment TLabel::Alignment() const {
    Qt::Alignment a = Label()->alignment();
    return a & Qt::AlignRight ? taRightJustify : a & Qt::AlignHCenter ? taCenter : taLeftJustify;
}

void TLabel::SetAlignment(TAlignment alignment) {
    Label()->setAlignment(HorizontalOf(alignment) | (Label()->alignment() & Qt::AlignVertical_Mask));
}

TTextLayout TLabel::Layout() const {
    Qt::Alignment a = Label()->alignment();
    return a & Qt::AlignBottom ? TTextLayout::tlBottom : a & Qt::AlignVCenter ? TTextLayout::tlCenter : TTextLayout::tlTop;
}

void TLabel::SetLayout(TTextLayout layout) {
    Qt::Alignment v = layout == TTextLayout::tlBottom ? Qt::AlignBottom : layout == TTextLayout::tlCenter ? Qt::AlignVCenter : Qt::AlignTop;
    Label()->setAlignment((Label()->alignment() & Qt::AlignHorizontal_Mask) | v);
}

bool TLabel::WordWrap() const { return Label()->wordWrap(); }
void TLabel::SetWordWrap(bool on) { Label()->setWordWrap(on); }

void TLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    FitText();
}

bool TLabel::Transparent() const { return !Label()->autoFillBackground(); }
void TLabel::SetTransparent(bool on) { Label()->setAutoFillBackground(!on); }

void TLabel::TextChanged() {
    ShowText();
    FitText();
}

void TLabel::FontChanged() {
    FitText();
    TGraphicControl::FontChanged();
}

// ---- TEdit ----

TEdit::TEdit(TComponent* owner) : TWinControl(owner, new TControlWidget<QLineEdit>(this, HomeWidget(owner))) {
    QLineEdit* edit = Edit();
    QObject::connect(edit, &QLineEdit::textChanged, edit, [this] {
        Guarded([this] {
            if (OnChange) OnChange(this);
        });
    });
    // A validator that changes the case sets the text anew, which Qt counts as unmodified.
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit] { edit->setModified(true); });
    SetBounds(0, 0, 121, SingleLineHeight(edit));
}

QLineEdit* TEdit::Edit() const { return static_cast<QLineEdit*>(Widget()); }

std::string TEdit::WidgetText() const { return ToStd(Edit()->text()); }

void TEdit::SetWidgetText(std::string_view text) {
    Edit()->setText(ToQString(text));
    Edit()->setModified(false);
}

// Qt's default limit of a line edit is 32767 characters; 0 asks for none.
int TEdit::MaxLength() const { return Edit()->maxLength() >= 32767 ? 0 : Edit()->maxLength(); }
void TEdit::SetMaxLength(int length) { Edit()->setMaxLength(length > 0 ? length : 32767); }

bool TEdit::ReadOnly() const { return Edit()->isReadOnly(); }
void TEdit::SetReadOnly(bool on) { Edit()->setReadOnly(on); }

void TEdit::SetPasswordChar(char32_t c) {
    passwordChar_ = c;
    Edit()->setEchoMode(c ? QLineEdit::Password : QLineEdit::Normal);
}

namespace {
// Turns what is typed or pasted into the edit's case before the edit takes it.
class TCaseValidator : public QValidator {
public:
    TCaseValidator(bool upper, QObject* parent) : QValidator(parent), upper_(upper) {}
    State validate(QString& input, int&) const override {
        input = upper_ ? input.toUpper() : input.toLower();
        return Acceptable;
    }

private:
    bool upper_;
};
} // namespace

void TEdit::SetCharCase(TEditCharCase charCase) {
    charCase_ = charCase;
    delete Edit()->validator();
    Edit()->setValidator(charCase == TEditCharCase::ecNormal
                             ? nullptr
                             : new TCaseValidator(charCase == TEditCharCase::ecUpperCase, Edit()));
    if (charCase == TEditCharCase::ecUpperCase) SetText(Edit()->text().toUpper().toStdString());
    if (charCase == TEditCharCase::ecLowerCase) SetText(Edit()->text().toLower().toStdString());
}

bool TEdit::Modified() const { return Edit()->isModified(); }
void TEdit::SetModified(bool on) { Edit()->setModified(on); }

int TEdit::SelStart() const {
    return Edit()->hasSelectedText() ? Edit()->selectionStart() : Edit()->cursorPosition();
}
void TEdit::SetSelStart(int start) { Edit()->setCursorPosition(start); }
int TEdit::SelLength() const { return int(Edit()->selectedText().size()); }
void TEdit::SetSelLength(int length) { Edit()->setSelection(SelStart(), length); }
std::string TEdit::SelText() const { return ToStd(Edit()->selectedText()); }
void TEdit::SelectAll() { Edit()->selectAll(); }

void TEdit::DoEnter() {
    if (autoSelect_) SelectAll();
    TWinControl::DoEnter();
}

// ---- TMemo ----

namespace {
class TMemoLines : public TStrings {
public:
    explicit TMemoLines(TMemo* memo, QPlainTextEdit* edit) : memo_(memo), edit_(edit) {}
    int Count() const override {
        // An empty memo has no lines; a last line ended by a line break adds none.
        QString text = edit_->toPlainText();
        if (text.isEmpty()) return 0;
        return int(text.count('\n')) + (text.endsWith('\n') ? 0 : 1);
    }
    std::string Get(int index) const override {
        CheckIndex(index, Count());
        return ToStd(edit_->document()->findBlockByNumber(index).text());
    }
    void Put(int index, std::string_view s) override {
        QStringList lines = Lines();
        CheckIndex(index, int(lines.size()));
        lines[index] = ToQString(s);
        SetLines(lines);
    }
    void* GetObject(int) const override { return nullptr; }
    void PutObject(int, void*) override {}
    void Insert(int index, std::string_view s) override {
        QStringList lines = Lines();
        if (index < 0 || index > lines.size()) throw std::out_of_range("List index out of bounds");
        lines.insert(index, ToQString(s));
        SetLines(lines);
    }
    void Delete(int index) override {
        QStringList lines = Lines();
        CheckIndex(index, int(lines.size()));
        lines.removeAt(index);
        SetLines(lines);
    }
    void Clear() override { memo_->SetText(""); }

private:
    QStringList Lines() const {
        QString text = edit_->toPlainText();
        if (text.isEmpty()) return {};
        if (text.endsWith('\n')) text.chop(1);
        return text.split('\n');
    }
    void SetLines(const QStringList& lines) {
        // A line break ends the last line; an empty last line needs one of its own.
        QString text = lines.join('\n');
        if (!lines.isEmpty() && lines.back().isEmpty()) text += '\n';
        memo_->SetText(text.toStdString());
    }
    TMemo* memo_;
    QPlainTextEdit* edit_;
};
} // namespace

namespace {
// How much of a memo's text its limit takes (no limit: all), a line end counting two characters
// when the text is stored with CR LF.
qsizetype AllowedLength(const QString& text, int maxLength, bool lineEndsCountTwo) {
    if (maxLength <= 0) return text.size();
    if (!lineEndsCountTwo) return std::min<qsizetype>(text.size(), maxLength);
    qsizetype counted = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        counted += text[i] == '\n' ? 2 : 1;
        if (counted > maxLength) return i;
    }
    return text.size();
}
} // namespace

TMemo::TMemo(TComponent* owner) : TWinControl(owner, new TControlWidget<QPlainTextEdit>(this, HomeWidget(owner))) {
    QPlainTextEdit* edit = Edit();
    lines_ = std::make_unique<TMemoLines>(this, edit);
    edit->setTabChangesFocus(true);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [this, edit] {
        if (const QString typed = edit->toPlainText(); AllowedLength(typed, maxLength_, lineEndsCountTwo_) < typed.size()) {
            // What goes beyond the limit is not taken: typed or pasted, it is cut off.
            QTextCursor cursor = edit->textCursor();
            QString text = typed.left(AllowedLength(typed, maxLength_, lineEndsCountTwo_));
            QSignalBlocker block(edit);
            edit->setPlainText(text);
            cursor.setPosition(int(std::min<qsizetype>(cursor.position(), text.size())));
            edit->setTextCursor(cursor);
        }
        Guarded([this] {
            if (OnChange) OnChange(this);
        });
    });
    SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() = default;

QPlainTextEdit* TMemo::Edit() const { return static_cast<QPlainTextEdit*>(Widget()); }

std::string TMemo::WidgetText() const { return ToStd(Edit()->toPlainText()); }

void TMemo::SetWidgetText(std::string_view text) {
    QString s = ToQString(text);
    s.remove('\r');
    Edit()->setPlainText(s.left(AllowedLength(s, maxLength_, lineEndsCountTwo_)));
}


bool TMemo::ReadOnly() const { return Edit()->isReadOnly(); }
void TMemo::SetReadOnly(bool on) { Edit()->setReadOnly(on); }

void TMemo::SetMaxLength(int length) { maxLength_ = std::max(0, length); }

bool TMemo::WordWrap() const { return Edit()->lineWrapMode() != QPlainTextEdit::NoWrap; }
void TMemo::SetWordWrap(bool on) {
    Edit()->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle style) {
    scrollBars_ = style;
    auto policy = [](bool on) { return on ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded; };
    Edit()->setHorizontalScrollBarPolicy(policy(style == TScrollStyle::ssHorizontal || style == TScrollStyle::ssBoth));
    Edit()->setVerticalScrollBarPolicy(policy(style == TScrollStyle::ssVertical || style == TScrollStyle::ssBoth));
}

bool TMemo::WantTabs() const { return !Edit()->tabChangesFocus(); }
void TMemo::SetWantTabs(bool on) { Edit()->setTabChangesFocus(!on); }

bool TMemo::Modified() const { return Edit()->document()->isModified(); }
void TMemo::SetModified(bool on) { Edit()->document()->setModified(on); }
void TMemo::SelectAll() { Edit()->selectAll(); }

void TMemo::KeyDown(uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    // Without WantReturns, Enter belongs to the form (its default button); Ctrl+Enter still
    // starts a line.
    if (key == VK_RETURN && !wantReturns_ && !(shift & ssCtrl)) {
        key = 0;
        if (TForm* form = ParentForm()) form->PressDefaultButton();
    }
}

// ---- buttons ----

TButton::TButton(TComponent* owner) : TWinControl(owner, new TControlWidget<QPushButton>(this, HomeWidget(owner))) {
    SetClickOnRelease(false);
    auto* button = static_cast<QPushButton*>(Widget());
    // Enter presses the Default button alone, as the form says; Qt's dialogs would press the
    // focused or first button otherwise.
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [this] { Guarded([this] { Click(); }); });
    SetBounds(0, 0, 75, 25);
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TForm* form = ParentForm()) form->SetModalResult(modalResult_);
    TWinControl::Click();
}

bool TButton::Default() const { return static_cast<QPushButton*>(Widget())->isDefault(); }
void TButton::SetDefault(bool on) { static_cast<QPushButton*>(Widget())->setDefault(on); }

std::string TButton::WidgetText() const { return ButtonText(Widget()); }
void TButton::SetWidgetText(std::string_view text) { SetButtonText(Widget(), text); }

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner, new TControlWidget<QCheckBox>(this, HomeWidget(owner))) {
    SetClickOnRelease(false);
    auto* box = static_cast<QCheckBox*>(Widget());
    QObject::connect(box, &QCheckBox::stateChanged, box, [this] { Guarded([this] { Click(); }); });
    SetBounds(0, 0, 97, 17);
}

bool TCheckBox::Checked() const { return static_cast<QCheckBox*>(Widget())->checkState() == Qt::Checked; }
void TCheckBox::SetChecked(bool on) { SetState(on ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }

TCheckBoxState TCheckBox::State() const {
    switch (static_cast<QCheckBox*>(Widget())->checkState()) {
    case Qt::Checked: return TCheckBoxState::cbChecked;
    case Qt::PartiallyChecked: return TCheckBoxState::cbGrayed;
    default: return TCheckBoxState::cbUnchecked;
    }
}

void TCheckBox::SetState(TCheckBoxState state) {
    Qt::CheckState qt = state == TCheckBoxState::cbChecked  ? Qt::Checked
                        : state == TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                            : Qt::Unchecked;
    static_cast<QCheckBox*>(Widget())->setCheckState(qt);
}

bool TCheckBox::AllowGrayed() const { return static_cast<QCheckBox*>(Widget())->isTristate(); }
void TCheckBox::SetAllowGrayed(bool on) { static_cast<QCheckBox*>(Widget())->setTristate(on); }

std::string TCheckBox::WidgetText() const { return ButtonText(Widget()); }
void TCheckBox::SetWidgetText(std::string_view text) { SetButtonText(Widget(), text); }

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner, new TControlWidget<QRadioButton>(this, HomeWidget(owner))) {
    SetClickOnRelease(false);
    auto* button = static_cast<QRadioButton*>(Widget());
    QObject::connect(button, &QRadioButton::toggled, button, [this](bool on) {
        if (on) Guarded([this] { Click(); });
    });
    SetBounds(0, 0, 113, 17);
}

bool TRadioButton::Checked() const { return static_cast<QRadioButton*>(Widget())->isChecked(); }
void TRadioButton::SetChecked(bool on) { static_cast<QRadioButton*>(Widget())->setChecked(on); }

std::string TRadioButton::WidgetText() const { return ButtonText(Widget()); }
void TRadioButton::SetWidgetText(std::string_view text) { SetButtonText(Widget(), text); }

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner, new TControlWidget<QGroupBox>(this, HomeWidget(owner))) {
    SetBounds(0, 0, 185, 105);
}

std::string TGroupBox::WidgetText() const { return ToStd(static_cast<QGroupBox*>(Widget())->title()); }
void TGroupBox::SetWidgetText(std::string_view text) { static_cast<QGroupBox*>(Widget())->setTitle(ToQString(text)); }

// ---- TComboBox ----

class TComboItems : public TStrings {
public:
    explicit TComboItems(TComboBox* owner) : owner_(owner) {}
    int Count() const override { return Combo()->count(); }
    std::string Get(int index) const override {
        CheckIndex(index, Count());
        return ToStd(Combo()->itemText(index));
    }
    void Put(int index, std::string_view s) override {
        CheckIndex(index, Count());
        Combo()->setItemText(index, ToQString(s));
    }
    void* GetObject(int index) const override {
        CheckIndex(index, Count());
        return reinterpret_cast<void*>(Combo()->itemData(index).value<quintptr>());
    }
    void PutObject(int index, void* object) override {
        CheckIndex(index, Count());
        Combo()->setItemData(index, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
    }
    void Insert(int index, std::string_view s) override {
        if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
        QSignalBlocker block(Combo());
        QString text = ToQString(s);
        if (owner_->sorted_) {
            index = 0;
            while (index < Count() && QString::localeAwareCompare(Combo()->itemText(index), text) <= 0) ++index;
        }
        // An editable combo box keeps what the user typed while its list changes.
        QString typed = Combo()->currentText();
        Combo()->insertItem(index, text);
        if (Combo()->isEditable()) Combo()->setEditText(typed);
        if (Combo()->count() == 1 && !Combo()->isEditable()) Combo()->setCurrentIndex(-1);
    }
    void Delete(int index) override {
        CheckIndex(index, Count());
        QSignalBlocker block(Combo());
        Combo()->removeItem(index);
    }
    void Clear() override {
        QSignalBlocker block(Combo());
        QString typed = Combo()->currentText();
        Combo()->clear();
        if (Combo()->isEditable()) Combo()->setEditText(typed);
    }

private:
    QComboBox* Combo() const { return owner_->Combo(); }
    TComboBox* owner_;
};

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner, new TControlWidget<QComboBox>(this, HomeWidget(owner))) {
    items_ = std::make_unique<TComboItems>(this);
    QComboBox* combo = Combo();
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(8);
    // What the user does raises the events; what the program sets does not.
    QObject::connect(combo, &QComboBox::activated, combo, [this] {
        Guarded([this] {
            if (OnSelect) OnSelect(this);
            if (OnChange) OnChange(this);
        });
    });
    QObject::connect(combo, &QComboBox::editTextChanged, combo, [this, combo] {
        if (combo->lineEdit() && combo->lineEdit()->isModified()) Guarded([this] {
                if (OnChange) OnChange(this);
            });
    });
    SetBounds(0, 0, 145, SingleLineHeight(combo));
}

TComboBox::~TComboBox() = default;

QComboBox* TComboBox::Combo() const { return static_cast<QComboBox*>(Widget()); }

TComboBoxStyle TComboBox::Style() const { return Combo()->isEditable() ? TComboBoxStyle::csDropDown : TComboBoxStyle::csDropDownList; }

void TComboBox::SetStyle(TComboBoxStyle style) {
    QSignalBlocker block(Combo());
    Combo()->setEditable(style != TComboBoxStyle::csDropDownList);
    if (Combo()->lineEdit()) {
        Combo()->setInsertPolicy(QComboBox::NoInsert);
        Combo()->lineEdit()->setModified(false);
    }
}

int TComboBox::ItemIndex() const {
    // An edited text that no longer matches its item chooses nothing.
    int index = Combo()->currentIndex();
    if (index >= 0 && Combo()->isEditable() && Combo()->currentText() != Combo()->itemText(index)) return -1;
    return index;
}

void TComboBox::SetItemIndex(int index) {
    QSignalBlocker block(Combo());
    Combo()->setCurrentIndex(index >= 0 && index < Combo()->count() ? index : -1);
    if (index < 0 && Combo()->isEditable()) Combo()->setEditText("");
}

std::string TComboBox::WidgetText() const { return ToStd(Combo()->currentText()); }

void TComboBox::SetWidgetText(std::string_view text) {
    QSignalBlocker block(Combo());
    QString s = ToQString(text);
    if (Combo()->isEditable()) {
        int index = Combo()->findText(s, Qt::MatchFixedString);
        Combo()->setCurrentIndex(index);
        Combo()->setEditText(s);
        Combo()->lineEdit()->setModified(false);
    } else {
        Combo()->setCurrentIndex(Combo()->findText(s, Qt::MatchFixedString));
    }
}

int TComboBox::DropDownCount() const { return Combo()->maxVisibleItems(); }
void TComboBox::SetDropDownCount(int count) { Combo()->setMaxVisibleItems(count); }

int TComboBox::MaxLength() const {
    return Combo()->lineEdit() && Combo()->lineEdit()->maxLength() < 32767 ? Combo()->lineEdit()->maxLength() : 0;
}
void TComboBox::SetMaxLength(int length) {
    if (Combo()->lineEdit()) Combo()->lineEdit()->setMaxLength(length > 0 ? length : 32767);
}

void TComboBox::SetSorted(bool on) {
    sorted_ = on;
    if (!on) return;
    std::vector<std::pair<QString, QVariant>> all;
    for (int i = 0; i < Combo()->count(); ++i) all.emplace_back(Combo()->itemText(i), Combo()->itemData(i));
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return QString::localeAwareCompare(a.first, b.first) < 0; });
    QSignalBlocker block(Combo());
    QString text = Combo()->currentText();
    Combo()->clear();
    for (auto& [s, data] : all) Combo()->addItem(s, data);
    SetWidgetText(text.toStdString());
}

// ---- TListBox ----

class TListItems : public TStrings {
public:
    explicit TListItems(TListBox* owner) : owner_(owner) {}
    int Count() const override { return List()->count(); }
    std::string Get(int index) const override {
        CheckIndex(index, Count());
        return ToStd(List()->item(index)->text());
    }
    void Put(int index, std::string_view s) override {
        CheckIndex(index, Count());
        List()->item(index)->setText(ToQString(s));
    }
    void* GetObject(int index) const override {
        CheckIndex(index, Count());
        return reinterpret_cast<void*>(List()->item(index)->data(Qt::UserRole).value<quintptr>());
    }
    void PutObject(int index, void* object) override {
        CheckIndex(index, Count());
        List()->item(index)->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
    }
    void Insert(int index, std::string_view s) override {
        if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
        QString text = ToQString(s);
        if (owner_->sorted_) {
            index = 0;
            while (index < Count() && QString::localeAwareCompare(List()->item(index)->text(), text) <= 0) ++index;
        }
        QSignalBlocker block(List());
        auto* item = new QListWidgetItem(text);
        if (dynamic_cast<TCheckListBox*>(owner_)) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        List()->insertItem(index, item);
    }
    void Delete(int index) override {
        CheckIndex(index, Count());
        QSignalBlocker block(List());
        delete List()->takeItem(index);
    }
    void Clear() override {
        QSignalBlocker block(List());
        List()->clear();
    }

private:
    QListWidget* List() const { return owner_->List(); }
    TListBox* owner_;
};

TListBox::TListBox(TComponent* owner) : TWinControl(owner, new TControlWidget<QListWidget>(this, HomeWidget(owner))) {
    items_ = std::make_unique<TListItems>(this);
    SetClickOnRelease(false);
    QListWidget* list = List();
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    QObject::connect(list, &QListWidget::itemClicked, list, [this] { Guarded([this] { Click(); }); });
    QObject::connect(list, &QListWidget::currentRowChanged, list, [this, list] {
        // A choice made with the keys is a click too.
        if (list->hasFocus() && QApplication::mouseButtons() == Qt::NoButton) Guarded([this] { Click(); });
    });
    SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox() = default;

QListWidget* TListBox::List() const { return static_cast<QListWidget*>(Widget()); }

int TListBox::ItemIndex() const { return List()->currentRow(); }

void TListBox::SetItemIndex(int index) {
    QSignalBlocker block(List());
    List()->setCurrentRow(index >= 0 && index < List()->count() ? index : -1);
    if (index < 0) List()->clearSelection();
}

bool TListBox::MultiSelect() const { return List()->selectionMode() == QAbstractItemView::ExtendedSelection; }
void TListBox::SetMultiSelect(bool on) {
    List()->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TListBox::Selected(int index) const {
    CheckIndex(index, List()->count());
    return List()->item(index)->isSelected();
}

void TListBox::SetSelected(int index, bool on) {
    CheckIndex(index, List()->count());
    List()->item(index)->setSelected(on);
}

int TListBox::SelCount() const { return int(List()->selectedItems().size()); }

void TListBox::SetSorted(bool on) {
    sorted_ = on;
    if (on) List()->sortItems();
}

TCheckListBox::TCheckListBox(TComponent* owner) : TListBox(owner) {
    QObject::connect(List(), &QListWidget::itemChanged, List(), [this] {
        Guarded([this] {
            if (OnClickCheck) OnClickCheck(this);
        });
    });
}

bool TCheckListBox::Checked(int index) const {
    CheckIndex(index, List()->count());
    return List()->item(index)->checkState() == Qt::Checked;
}

void TCheckListBox::SetChecked(int index, bool on) {
    CheckIndex(index, List()->count());
    QSignalBlocker block(List());
    List()->item(index)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

} // namespace kvz
