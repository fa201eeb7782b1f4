#include "core/AnimForm.h"

#include <algorithm>

namespace kvz {

namespace {
constexpr unsigned kFrameInterval = 100; // ms
}

TAnimate::TAnimate(TComponent* owner) : TGraphicControl(owner), timer_(new TTimer(this)) {
    SetBounds(0, 0, 64, 32);
    timer_->SetEnabled(false);
    timer_->SetInterval(kFrameInterval);
    timer_->OnTimer = [this](TComponent*) {
        frame_ = frame_ >= stopFrame_ ? 0 : frame_ + 1;
        Invalidate();
    };
}

void TAnimate::SetActive(bool on) {
    if (on) frame_ = 0;
    timer_->SetEnabled(on);
    Invalidate();
}

void TAnimate::SetStopFrame(int frame) {
    stopFrame_ = std::max(0, frame);
    frame_ = std::min(frame_, stopFrame_);
    Invalidate();
}

void TAnimate::Paint(TCanvas& canvas) { DrawBusyFrame(canvas, Rect(0, 0, Width(), Height()), frame_, stopFrame_ + 1); }

void DrawBusyFrame(TCanvas& canvas, const TRect& r, int frame, int frames) {
    QPainter& p = canvas.Painter();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(60, 60, 60), screen(70, 130, 200), lit(120, 200, 120);
    int h = r.Height();
    // The computer: a screen on a foot.
    QRectF monitor(r.Left + 2, r.Top + h * 0.15, h * 0.75, h * 0.55);
    p.setPen(QPen(ink, 1.2));
    p.setBrush(screen);
    p.drawRoundedRect(monitor, 2, 2);
    p.drawLine(QPointF(monitor.center().x(), monitor.bottom()), QPointF(monitor.center().x(), r.Top + h * 0.85));
    p.drawLine(QPointF(monitor.left() + 3, r.Top + h * 0.85), QPointF(monitor.right() - 3, r.Top + h * 0.85));
    // The server: a tower with two drive lights.
    QRectF tower(r.Right - 2 - h * 0.45, r.Top + h * 0.08, h * 0.45, h * 0.84);
    p.setBrush(QColor(210, 210, 210));
    p.drawRoundedRect(tower, 2, 2);
    p.setBrush(frame % 2 ? lit : QColor(90, 90, 90));
    p.drawEllipse(QPointF(tower.center().x(), tower.top() + 5), 1.6, 1.6);
    p.setBrush(frame % 2 ? QColor(90, 90, 90) : lit);
    p.drawEllipse(QPointF(tower.center().x(), tower.top() + 10), 1.6, 1.6);
    // The line between them and the packet on its way.
    double left = monitor.right() + 3, right = tower.left() - 3, y = r.Top + h * 0.45;
    p.setPen(QPen(ink, 1, Qt::DotLine));
    p.drawLine(QPointF(left, y), QPointF(right, y));
    double t = frames > 1 ? double(frame) / (frames - 1) : 0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 160, 30));
    p.drawRect(QRectF(left + (right - left - 6) * t, y - 3, 6, 6));
    p.restore();
}

TAnimForm::TAnimForm(TComponent* owner)
    : TForm(owner), Panel1(new TPanel(this)), Label1(new TLabel(this)), Animate1(new TAnimate(this)) {
    SetName("AnimForm");
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetPosition(TPosition::poScreenCenter);
    SetClientSize(157, 92);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(TAlign::alClient);
    Panel1->SetBevelOuter(TBevelCut::bvRaised);
    Label1->SetName("Label1");
    Label1->SetParent(Panel1);
    Label1->SetAutoSize(false);
    Label1->SetAlignment(taCenter);
    Label1->SetBounds(4, 14, 149, 20);
    Label1->SetCaption("Send to server .....");
    Animate1->SetName("Animate1");
    Animate1->SetParent(Panel1);
    Animate1->SetBounds((157 - 64) / 2, 44, 64, 32);
    Animate1->SetFileName("conect.AVI");
    Animate1->SetStopFrame(10);
}

} // namespace kvz
