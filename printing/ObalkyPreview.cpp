#include "printing/ObalkyPreview.h"

#include "core/Languages.h"
#include "platform/report/ReportOutput.h"
#include "platform/report/ReportRender.h"
#include "printing/ZostavyChild.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPrinter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kvz {

namespace {

constexpr double kPixelsPerMm = 3;

const char* const kGlyphs[4] = {"|<", "<", ">", ">|"};

} // namespace

class TEnvelopePaintBox : public TCustomControl {
public:
    TEnvelopePaintBox(TComponent* owner, TObalkyPreviewForm& preview) : TCustomControl(owner), preview_(preview) {
        SetName("PaintBox1");
    }

protected:
    void Paint(TCanvas& canvas) override { PaintEnvelope(canvas.Painter(), preview_, Width(), Height()); }

private:
    TObalkyPreviewForm& preview_;
};

TObalkyPreviewForm::TObalkyPreviewForm(TComponent* owner, TZostavyChildForm& reports, TPreparedReport pages)
    : TForm(owner), reports_(reports), pages_(std::move(pages)) {
    SetName("ObalkyPreviewForm");
    // The envelope: the band of the layout, where it stands on the paper.
    const TReportLayout& layout = reports.Layouts.Envelopes;
    const TReportBand& band = *layout.FindBand("DetailObalkyBand");
    EnvelopeLeft = ToHundredths(layout.Page().LeftMargin);
    EnvelopeTop = ToHundredths(layout.Page().TopMargin);
    EnvelopeWidth = ToHundredths(band.Width());
    EnvelopeHeight = ToHundredths(band.Height());
    auto* column = new QVBoxLayout(ClientWidget());
    auto* bar = new QHBoxLayout;
    TButton** buttons[8] = {&ToolButton1, &ToolButton2, &ToolButton3, &ToolButton4,
                            &ToolButton5, &ToolButton6, &ToolButton7, &ToolButton8};
    for (int i = 0; i < 8; ++i) {
        TButton* b = new TButton(this);
        b->SetName("ToolButton" + std::to_string(i + 1));
        b->SetParent(this);
        if (i < 4) b->SetCaption(kGlyphs[i]);
        bar->addWidget(b->Widget());
        if (i == 3 || i == 5) bar->addSpacing(12);
        *buttons[i] = b;
    }
    Button1 = new TButton(this);
    Button1->SetName("Button1");
    Button1->SetParent(this);
    Button1->SetCancel(true);
    Button1->SetModalResult(mrCancel);
    bar->addSpacing(12);
    bar->addWidget(Button1->Widget());
    bar->addStretch();
    column->addLayout(bar);
    PaintBox1 = new TEnvelopePaintBox(this, *this);
    PaintBox1->SetParent(this);
    PaintBox1->Widget()->setMinimumSize(int(std::lround(EnvelopeWidth / 100.0 * kPixelsPerMm)) + 20,
                                        int(std::lround(EnvelopeHeight / 100.0 * kPixelsPerMm)) + 20);
    column->addWidget(PaintBox1->Widget(), 1);
    StatusBar1 = new TStatusBar(this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetParent(this);
    StatusBar1->AddPanel(50);
    StatusBar1->AddPanel(50);
    column->addWidget(StatusBar1->Widget());
    ToolButton1->OnClick = [this](TComponent*) { ToolButton1Click(); };
    ToolButton2->OnClick = [this](TComponent*) { ToolButton2Click(); };
    ToolButton3->OnClick = [this](TComponent*) { ToolButton3Click(); };
    ToolButton4->OnClick = [this](TComponent*) { ToolButton4Click(); };
    ToolButton5->OnClick = [this](TComponent*) { ToolButton5Click(); };
    ToolButton6->OnClick = [this](TComponent*) { ToolButton6Click(); };
    ToolButton7->OnClick = [this](TComponent*) { ToolButton7Click(); };
    ToolButton8->OnClick = [this](TComponent*) { ToolButton8Click(); };
    for (TButton* b : {ToolButton1, ToolButton2, ToolButton3, ToolButton4}) b->SetEnabled(Count() > 1);
    ApplyCaptions(*this, "TObalkyPreviewForm", Language());
    SetClientSize(std::max(560, int(std::lround(EnvelopeWidth / 100.0 * kPixelsPerMm)) + 40),
                  int(std::lround(EnvelopeHeight / 100.0 * kPixelsPerMm)) + 120);
    Go(0);
}

TRect TObalkyPreviewForm::Outline() const {
    const int w = int(std::lround(EnvelopeWidth / 100.0 * kPixelsPerMm));
    const int h = int(std::lround(EnvelopeHeight / 100.0 * kPixelsPerMm));
    const int x0 = (PaintBox1->Width() - w) / 2, y0 = (PaintBox1->Height() - h) / 2;
    return {x0, y0, x0 + w, y0 + h};
}

TPoint TObalkyPreviewForm::DrawingOrigin() const {
    const QPoint p = PaintBox1->Widget()->mapTo(Widget(), QPoint(0, 0));
    return {p.x(), p.y()};
}

void PaintEnvelope(QPainter& painter, const TObalkyPreviewForm& preview, int width, int height) {
    painter.fillRect(0, 0, width, height, QColor(0x80, 0x80, 0x80));
    const TRect outline = preview.Outline();
    painter.fillRect(outline.Left, outline.Top, outline.Width(), outline.Height(), Qt::white);
    if (const TPreparedPage* page = preview.Page()) {
        // The page's items, moved so that the envelope's corner on the paper meets the outline's.
        painter.save();
        painter.setClipRect(outline.Left, outline.Top, outline.Width() + 1, outline.Height() + 1);
        ScaleToMillimetres(painter, kPixelsPerMm, outline.Left - preview.EnvelopeLeft / 100.0 * kPixelsPerMm,
                           outline.Top - preview.EnvelopeTop / 100.0 * kPixelsPerMm);
        RenderPage(painter, *page);
        painter.restore();
    }
    // The outline last: the envelope's own white fill would cover its top and left edges.
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(outline.Left, outline.Top, outline.Width(), outline.Height());
}

void TObalkyPreviewForm::Go(int record) {
    record_ = std::clamp(record, 0, std::max(Count() - 1, 0));
    std::string text = GetMessageText(MessageId::PageOfCount);
    text.replace(text.find("%1"), 2, std::to_string(Count() ? record_ + 1 : 0));
    text.replace(text.find("%2"), 2, std::to_string(Count()));
    StatusBar1->Panels(0)->SetText(text);
    PaintBox1->Invalidate();
}

void TObalkyPreviewForm::ToolButton1Click() { Go(0); }
void TObalkyPreviewForm::ToolButton2Click() { Go(record_ - 1); }
void TObalkyPreviewForm::ToolButton3Click() { Go(record_ + 1); }
void TObalkyPreviewForm::ToolButton4Click() { Go(Count() - 1); }

void TObalkyPreviewForm::ToolButton5Click() { RunPageSetupDialog(reports_.Layouts.Envelopes.Page(), Widget()); }
void TObalkyPreviewForm::ToolButton6Click() { reports_.PrintReport(); }
void TObalkyPreviewForm::ToolButton7Click() { reports_.OpenReport(); }

void TObalkyPreviewForm::ToolButton8Click() {
    reports_.SaveReport();
    PaintBox1->Invalidate();
}

} // namespace kvz
