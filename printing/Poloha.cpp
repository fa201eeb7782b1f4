#include "printing/Poloha.h"

#include "core/Languages.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace kvz {

// The printer, the envelope and the arrow of the feed, drawn.
class TFeedPicture : public TCustomControl {
public:
    TFeedPicture(TComponent* owner, const TPolohaObalkyForm& form) : TCustomControl(owner), form_(form) {
        SetName("Panel1");
        Widget()->setMinimumSize(150, 110);
    }

protected:
    void Paint(TCanvas& canvas) override {
        QPainter& p = canvas.Painter();
        p.fillRect(0, 0, Width(), Height(), Qt::white);
        const int top = form_.PicturesTop;
        // Image1, the printer: its paper slot on top.
        p.setPen(Qt::black);
        p.setBrush(QColor(0xD0, 0xD0, 0xD0));
        p.drawRect(10, top + 30, 130, 50);
        p.setBrush(Qt::black);
        p.drawRect(20, top + 30, 110, 4);
        // Image2, the envelope, at its place in the slot.
        p.setBrush(Qt::white);
        p.drawRect(form_.EnvelopeLeft, top, 60, 30);
        p.drawLine(form_.EnvelopeLeft, top, form_.EnvelopeLeft + 30, top + 15);
        p.drawLine(form_.EnvelopeLeft + 60, top, form_.EnvelopeLeft + 30, top + 15);
        // Image3 or Image4, the arrow of the feed.
        const int x = form_.EnvelopeLeft + 30, y = form_.ArrowAbove ? top + 90 : top - 4;
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(x, y, x, y + (form_.ArrowAbove ? -8 : 8));
        p.drawLine(x - 4, y + (form_.ArrowAbove ? -4 : 4), x, y + (form_.ArrowAbove ? -8 : 8));
        p.drawLine(x + 4, y + (form_.ArrowAbove ? -4 : 4), x, y + (form_.ArrowAbove ? -8 : 8));
    }

private:
    const TPolohaObalkyForm& form_;
};

TPolohaObalkyForm::TPolohaObalkyForm(TComponent* owner, int position, int feed) : TForm(owner) {
    SetName("PolohaObalkyForm");
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetHelpContext(17);
    EnvelopeLeft = position == 1 ? 47 : position == 2 ? 22 : 34;
    ArrowAbove = feed == 0;
    PicturesTop = feed == 0 ? 6 : 31;
    Label1 = new TLabel(this);
    Label1->SetName("Label1");
    Label1->SetParent(this);
    Panel1 = new TFeedPicture(this, *this);
    Panel1->SetParent(this);
    BitBtn1 = new TButton(this);
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(this);
    BitBtn1->SetDefault(true);
    BitBtn1->SetModalResult(mrOk);
    auto* column = new QVBoxLayout(ClientWidget());
    column->addWidget(Label1->Widget());
    column->addWidget(Panel1->Widget(), 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(BitBtn1->Widget());
    column->addLayout(row);
    ApplyCaptions(*this, "TPolohaObalkyForm", Language());
    // The Czech prompt is wider than the picture; the window keeps it whole.
    SetClientSize(std::max(165, column->sizeHint().width()), 200);
}

} // namespace kvz
