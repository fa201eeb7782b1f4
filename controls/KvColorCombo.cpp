#include "controls/KVDBCtrl.h"
#include "platform/forms/Forms.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace kvz {

namespace {

QComboBox* ComboOf(const TControl& control) { return static_cast<QComboBox*>(control.Widget()); }

// A swatch inside an item's rectangle: a border that stands out (black round a light colour,
// white round a dark one that is selected), filled with the colour.
void DrawSwatch(QPainter& painter, const QRect& swatch, TColor color, bool selected, const QPalette& palette) {
    const QColor fill = color == clNone || color == clDefault ? palette.color(QPalette::Base) : ToQColor(color);
    const QColor border = IsLightColor(color) ? QColor(Qt::black) : selected ? QColor(Qt::white) : fill;
    painter.fillRect(swatch, border);
    painter.fillRect(swatch.adjusted(1, 1, -1, -1), fill);
    if (color == clNone) { // no colour: crossed out
        painter.setPen(palette.color(QPalette::Text));
        painter.drawLine(swatch.topLeft() + QPoint(1, 1), swatch.bottomRight() - QPoint(1, 1));
    }
}

QIcon SwatchIcon(TColor color, QSize size, const QPalette& palette) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    DrawSwatch(painter, QRect(QPoint(0, 0), size), color, false, palette);
    return QIcon(pixmap);
}

} // namespace

// The items of the open list: swatch, then the name 28 pixels in.
class TColorComboBox::Delegate : public QStyledItemDelegate {
public:
    Delegate(TColorComboBox& combo) : QStyledItemDelegate(combo.Widget()), combo_(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        const QRect r = option.rect;
        painter->fillRect(r, pal.color(selected ? QPalette::Highlight : QPalette::Base));
        const TColor color = combo_.ItemColor(index.row());
        QRect swatch(QPoint(r.left() + 2, r.top() + 2),
                     QPoint(combo_.displayNames_ ? r.left() + 23 : r.right() - 3, r.bottom() - 2));
        DrawSwatch(*painter, swatch, color, selected, pal);
        if (!combo_.displayNames_) return;
        painter->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(r.adjusted(28, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(QFontMetrics(option.font).height() + 5, 13));
        return size;
    }

private:
    TColorComboBox& combo_;
};

TColorComboBox::TColorComboBox(TComponent* owner) : TComboBox(owner) {
    QComboBox* combo = ComboOf(*this);
    TComboBox::SetStyle(TComboBoxStyle::csDropDownList);
    combo->setItemDelegate(new Delegate(*this));
    // A choice writes its colour, then the click follows.
    QObject::connect(combo, &QComboBox::activated, combo, [this](int index) {
        Guarded([&] {
            SetColorValue(ItemColor(index));
            Click();
        });
    });
    FillColorList();
}

TColor TColorComboBox::ItemColor(int index) {
    return index >= 0 && index < Items().Count() ? static_cast<TColor>(reinterpret_cast<uintptr_t>(Items().Objects(index)))
                                                 : value_;
}

void TColorComboBox::FillColorList() {
    QComboBox* combo = ComboOf(*this);
    QSignalBlocker block(combo);
    Items().Clear();
    const QSize iconSize(displayNames_ ? 20 : std::max(Width() - 32, 20), std::max(combo->fontMetrics().height() - 3, 8));
    combo->setIconSize(iconSize);
    const auto& table = ColorTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (i == kColorTableNone && !(options_ & coIncludeNone)) continue;
        if (i == kColorTableDefault && !(options_ & coIncludeDefault)) continue;
        std::string name = i < colorNames_.size() && !colorNames_[i].empty() ? colorNames_[i] : Application().UserText(table[i].Name);
        const int index = Items().AddObject(displayNames_ ? name : std::string(),
                                            reinterpret_cast<void*>(static_cast<uintptr_t>(table[i].Color)));
        combo->setItemIcon(index, SwatchIcon(table[i].Color, iconSize, combo->palette()));
        combo->setItemData(index, QString::fromStdString(name), Qt::ToolTipRole);
    }
    ShowValue();
}

void TColorComboBox::ShowValue() {
    QComboBox* combo = ComboOf(*this);
    QSignalBlocker block(combo);
    int index = -1;
    for (int i = 0; i < Items().Count() && index < 0; ++i)
        if (ItemColor(i) == value_) index = i;
    if (index >= 0) {
        if (combo->currentIndex() != index) combo->setCurrentIndex(index);
        if (combo->lineEdit()) combo->setEditText(combo->itemText(index));
        return;
    }
    combo->setCurrentIndex(-1);
    combo->setPlaceholderText(QString::fromStdString(ColorHexText(value_)));
    if (combo->lineEdit()) combo->setEditText(QString::fromStdString(ColorHexText(value_)));
}

TColor TColorComboBox::ColorValue() const {
    QComboBox* combo = ComboOf(*this);
    if (Style() == TComboBoxStyle::csDropDownList || ItemIndex() >= 0) return value_;
    const std::string text = Text();
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i).toStdString() == text)
            return static_cast<TColor>(combo->itemData(i).value<quintptr>());
    return ParseColorText(text).value_or(value_);
}

void TColorComboBox::SetColorValue(TColor value) {
    if (ItemIndex() >= 0 && value == value_) return;
    value_ = value;
    ShowValue();
    Changed();
}

void TColorComboBox::Changed() {
    if (!Loading() && OnChange) OnChange(this);
}

void TColorComboBox::TextEdited() {
    const TColor now = ColorValue();
    if (now == value_) return;
    value_ = now;
    Changed();
}

void TColorComboBox::SetDisplayNames(bool on) {
    if (on == displayNames_) return;
    displayNames_ = on;
    FillColorList();
}

void TColorComboBox::SetColorNames(std::vector<std::string> names) {
    colorNames_ = std::move(names);
    FillColorList(); // keeps ColorValue
}

void TColorComboBox::SetOptions(TColorComboOptions options) {
    options_ = options;
    FillColorList();
}

void TColorComboBox::SetStyle(TComboBoxStyle style) {
    TComboBox::SetStyle(style);
    QComboBox* combo = ComboOf(*this);
    if (QLineEdit* edit = combo->lineEdit())
        QObject::connect(edit, &QLineEdit::textEdited, combo, [this] { Guarded([this] { TextEdited(); }); });
    ShowValue();
}

} // namespace kvz
