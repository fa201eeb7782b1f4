#include "platform/report/ReportPreview.h"

#include "platform/forms/Dialogs.h"
#include "platform/report/QrpFile.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportOutput.h"
#include "platform/report/ReportRender.h"
#include "platform/rtl/ScopeGuard.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cmath>

namespace kvz {

namespace {

// Screen pixels between the pages and around them.
constexpr int Gap = 12;
constexpr double MinScale = 0.5, MaxScale = 40;

QString Tr(TReportMessage id, std::initializer_list<std::string_view> args = {}) {
    return QString::fromStdString(ReportMessage(id, args));
}

// Errors of a toolbar command are shown as every handler's are; they never reach Qt.
template <class F> void Guarded(F&& f) {
    try {
        f();
    } catch (...) {
        Application().HandleException(std::current_exception());
    }
}

} // namespace

// ---- The page view ----------------------------------------------------------------------

TReportPageView::TReportPageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void TReportPageView::SetReport(const TPreparedReport* report) {
    report_ = report;
    UpdateScale();
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    viewport()->update();
    if (OnViewChanged) OnViewChanged();
}

void TReportPageView::PagesAdded() {
    UpdateScrollBars();
    viewport()->update();
    if (OnViewChanged) OnViewChanged();
}

int TReportPageView::PageCount() const { return report_ ? static_cast<int>(report_->Pages.size()) : 0; }

QSize TReportPageView::PagePixels() const {
    if (!report_) return {};
    return QSize(std::max(1, int(std::lround(report_->PageWidth / 100.0 * scale_))),
                 std::max(1, int(std::lround(report_->PageHeight / 100.0 * scale_))));
}

void TReportPageView::UpdateScale() {
    if (!report_ || mode_ == TZoomMode::Fixed) return;
    const double w = report_->PageWidth / 100.0, h = report_->PageHeight / 100.0;
    const QSize room = viewport()->size() - QSize(2 * Gap, 2 * Gap);
    double s = (room.width() - verticalScrollBar()->sizeHint().width()) / w;
    if (mode_ == TZoomMode::WholePage) s = std::min(room.width() / w, room.height() / h);
    scale_ = std::clamp(s, MinScale, MaxScale);
}

void TReportPageView::UpdateScrollBars() {
    const QSize page = PagePixels();
    const int n = PageCount();
    const int height = n * (page.height() + Gap) + Gap, width = page.width() + 2 * Gap;
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 20));
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(20);
}

int TReportPageView::CurrentPage() const {
    const int n = PageCount();
    if (n == 0) return 0;
    const int step = PagePixels().height() + Gap;
    const int probe = verticalScrollBar()->value() + std::min(viewport()->height(), step) / 3;
    return std::clamp(probe / step, 0, n - 1);
}

void TReportPageView::GoToPage(int index) {
    const int n = PageCount();
    if (n == 0) return;
    index = std::clamp(index, 0, n - 1);
    verticalScrollBar()->setValue(index * (PagePixels().height() + Gap));
    if (OnViewChanged) OnViewChanged();
}

void TReportPageView::SetZoom(double pixelsPerMm) {
    const int page = CurrentPage();
    mode_ = TZoomMode::Fixed;
    scale_ = std::clamp(pixelsPerMm, MinScale, MaxScale);
    UpdateScrollBars();
    GoToPage(page);
    viewport()->update();
}

void TReportPageView::SetZoomMode(TZoomMode mode) {
    const int page = CurrentPage();
    mode_ = mode;
    UpdateScale();
    UpdateScrollBars();
    GoToPage(page);
    viewport()->update();
}

void TReportPageView::ZoomBy(double factor) { SetZoom(scale_ * factor); }

void TReportPageView::paintEvent(QPaintEvent* event) {
    pagesPainted_ = 0;
    const int n = PageCount();
    if (n == 0) return;
    QPainter painter(viewport());
    const QSize page = PagePixels();
    const int step = page.height() + Gap;
    const int top = verticalScrollBar()->value();
    const int x = std::max(Gap, (viewport()->width() - page.width()) / 2) - horizontalScrollBar()->value();
    const QRect dirty = event->rect();
    const int first = std::max(0, (top + dirty.top() - Gap) / step);
    for (int i = first; i < n; ++i) {
        const QRect r(x, Gap + i * step - top, page.width(), page.height());
        if (r.top() > dirty.bottom()) break;
        if (!r.intersects(dirty)) continue;
        painter.fillRect(r.translated(3, 3), QColor(0, 0, 0, 60));
        painter.fillRect(r, Qt::white);
        painter.save();
        painter.setClipRect(r & dirty);
        ScaleToMillimetres(painter, scale_, r.left(), r.top());
        RenderPage(painter, report_->Pages[static_cast<size_t>(i)]);
        painter.restore();
        ++pagesPainted_;
    }
}

void TReportPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const int page = CurrentPage();
    UpdateScale();
    UpdateScrollBars();
    if (mode_ != TZoomMode::Fixed) GoToPage(page);
}

void TReportPageView::scrollContentsBy(int, int) {
    viewport()->update();
    if (OnViewChanged) OnViewChanged();
}

void TReportPageView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        ZoomBy(event->angleDelta().y() > 0 ? 1.25 : 0.8);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

// ---- The preview window -----------------------------------------------------------------

TReportPreviewForm::TReportPreviewForm(TComponent* owner, TPreparedReport report)
    : TForm(owner), report_(std::make_unique<TPreparedReport>(std::move(report))) {
    Init();
}

TReportPreviewForm::TReportPreviewForm(TComponent* owner, TReportLayout& layout) : TForm(owner) {
    Prepare(layout);
    Init();
    SetLayout(&layout);
}

TReportPreviewForm::~TReportPreviewForm() = default;

// Pages the view needs at once: the first two, so that the view and Next have them.
constexpr size_t FirstPages = 2;
// A step of the preparation while the window is shown, short enough for the window to answer.
constexpr std::chrono::milliseconds PreparationStep{25};

void TReportPreviewForm::Prepare(TReportLayout& layout) {
    auto preparation = std::make_unique<TPreparation>(layout, MeasureReportText);
    preparation->PrepareTo(FirstPages);
    preparation_ = std::move(preparation);
    report_.reset();
}

void TReportPreviewForm::Init() {
    SetName("ReportPreviewForm");
    const std::string& title = Report().Title;
    SetCaption(ReportMessage(TReportMessage::PreviewCaption) + (title.empty() ? "" : " - " + title));
    SetPosition(TPosition::poScreenCenter);
    QWidget* client = ClientWidget();
    QStyle* style = QApplication::style();
    ToolBar = new QToolBar(client);
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto add = [&](TReportMessage text, QStyle::StandardPixmap icon, QKeySequence key, auto handler) {
        QAction* a = ToolBar->addAction(style->standardIcon(icon), Tr(text));
        a->setShortcut(key);
        a->setToolTip(Tr(text) + (key.isEmpty() ? QString() : " (" + key.toString(QKeySequence::NativeText) + ")"));
        QObject::connect(a, &QAction::triggered, client, [handler] { Guarded(handler); });
        return a;
    };
    auto iconless = [&](TReportMessage text, QKeySequence key, auto handler) {
        QAction* a = add(text, QStyle::SP_CustomBase, key, handler);
        a->setIcon(QIcon());
        return a;
    };
    FirstAction = add(TReportMessage::FirstPage, QStyle::SP_MediaSkipBackward, QKeySequence(Qt::CTRL | Qt::Key_Home),
                      [this] { FirstActionClick(); });
    PriorAction = add(TReportMessage::PriorPage, QStyle::SP_MediaSeekBackward, QKeySequence(Qt::Key_PageUp),
                      [this] { PriorActionClick(); });
    NextAction = add(TReportMessage::NextPage, QStyle::SP_MediaSeekForward, QKeySequence(Qt::Key_PageDown),
                     [this] { NextActionClick(); });
    LastAction = add(TReportMessage::LastPage, QStyle::SP_MediaSkipForward, QKeySequence(Qt::CTRL | Qt::Key_End),
                     [this] { LastActionClick(); });
    for (QAction* a : {FirstAction, PriorAction, NextAction, LastAction}) a->setText(QString());
    ToolBar->addSeparator();
    ZoomOutAction = iconless(TReportMessage::ZoomOut, QKeySequence(QKeySequence::ZoomOut), [this] { PageView->ZoomBy(0.8); });
    ZoomOutAction->setText(QStringLiteral("\u2212"));
    ZoomInAction = iconless(TReportMessage::ZoomIn, QKeySequence(QKeySequence::ZoomIn), [this] { PageView->ZoomBy(1.25); });
    ZoomInAction->setText(QStringLiteral("+"));
    WholePageAction = iconless(TReportMessage::WholePage, QKeySequence(),
                               [this] { PageView->SetZoomMode(TReportPageView::TZoomMode::WholePage); });
    PageWidthAction = iconless(TReportMessage::PageWidth, QKeySequence(),
                               [this] { PageView->SetZoomMode(TReportPageView::TZoomMode::PageWidth); });
    ToolBar->addSeparator();
    PageSetupAction = iconless(TReportMessage::PageSetup, QKeySequence(), [this] { PageSetupActionClick(); });
    PrintAction = add(TReportMessage::Print, QStyle::SP_FileDialogDetailedView, QKeySequence(QKeySequence::Print),
                      [this] { PrintActionClick(); });
    // The desktop's printer picture where its theme has one.
    PrintAction->setIcon(QIcon::fromTheme(QStringLiteral("document-print"), PrintAction->icon()));
    ToolBar->addSeparator();
    OpenAction = add(TReportMessage::Open, QStyle::SP_DialogOpenButton, QKeySequence(QKeySequence::Open),
                     [this] { OpenActionClick(); });
    SaveAction = add(TReportMessage::Save, QStyle::SP_DialogSaveButton, QKeySequence(QKeySequence::Save),
                     [this] { SaveActionClick(); });
    ToolBar->addSeparator();
    CloseAction = add(TReportMessage::Close, QStyle::SP_DialogCloseButton, QKeySequence(),
                      [this] { SetModalResult(mrOk); if (!Modal()) Close(); });
    PageView = new TReportPageView(client);
    PageView->OnViewChanged = [this] { UpdateState(); };
    PageLabel = new QLabel(client);
    PageLabel->setContentsMargins(8, 2, 8, 2);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(ToolBar);
    column->addWidget(PageView, 1);
    column->addWidget(PageLabel);
    SetClientSize(900, 720);
    // The rest of the pages are made while the user looks at the first ones.
    preparing_ = new QTimer(client);
    preparing_->setInterval(0);
    QObject::connect(preparing_, &QTimer::timeout, client, [this] {
        Guarded([this] { PrepareStep([](TPreparation& p) { p.PrepareFor(PreparationStep); }); });
    });
    PageView->SetReport(&Report());
    PageSetupAction->setEnabled(false);
    if (!Prepared()) preparing_->start();
    UpdateState();
}

const TPreparedReport& TReportPreviewForm::Report() const {
    return preparation_ ? preparation_->Report() : *report_;
}

bool TReportPreviewForm::Prepared() const { return !preparation_ || preparation_->Done(); }

void TReportPreviewForm::PrepareStep(const std::function<void(TPreparation&)>& step) {
    if (Prepared()) return;
    try {
        step(*preparation_);
    } catch (...) {
        preparing_->stop();
        preparation_.reset();
        report_ = std::make_unique<TPreparedReport>();
        PageView->SetReport(report_.get());
        SetModalResult(mrCancel);
        if (!Modal()) Close();
        throw;
    }
    if (Prepared()) preparing_->stop();
    PageView->PagesAdded();
}

void TReportPreviewForm::PrepareAll() {
    if (Prepared()) return;
    const TCursor cursor = Screen().Cursor();
    Screen().SetCursor(crHourGlass);
    auto restore = OnScopeExit([cursor] { Screen().SetCursor(cursor); });
    PrepareStep([](TPreparation& p) { p.PrepareTo(SIZE_MAX); });
}

void TReportPreviewForm::SetReport(TPreparedReport report) {
    preparing_->stop();
    preparation_.reset();
    report_ = std::make_unique<TPreparedReport>(std::move(report));
    PageView->SetReport(report_.get());
}

void TReportPreviewForm::SetLayout(TReportLayout* layout) {
    layout_ = layout;
    PageSetupAction->setEnabled(layout_ != nullptr);
}

void TReportPreviewForm::UpdateState() {
    const int n = static_cast<int>(Report().Pages.size());
    const int page = PageView->CurrentPage();
    const bool more = page + 1 < n || !Prepared();
    FirstAction->setEnabled(page > 0);
    PriorAction->setEnabled(page > 0);
    NextAction->setEnabled(more);
    LastAction->setEnabled(more);
    // While pages are still being made, the count so far, marked as such.
    const std::string count = std::to_string(n) + (Prepared() ? "" : "…");
    PageLabel->setText(Tr(TReportMessage::PageOf, {std::to_string(n ? page + 1 : 0), count}) +
                       QStringLiteral("    %1 %").arg(std::lround(PageView->Scale() * 25.4 / 96 * 100)));
}

void TReportPreviewForm::FirstActionClick() { PageView->GoToPage(0); }
void TReportPreviewForm::PriorActionClick() { PageView->GoToPage(PageView->CurrentPage() - 1); }
void TReportPreviewForm::NextActionClick() {
    const int next = PageView->CurrentPage() + 1;
    // The page after it too, so that Next knows whether there is one more.
    PrepareStep([next](TPreparation& p) { p.PrepareTo(size_t(next) + FirstPages); });
    PageView->GoToPage(next);
}

void TReportPreviewForm::LastActionClick() {
    PrepareAll();
    PageView->GoToPage(static_cast<int>(Report().Pages.size()) - 1);
}

void TReportPreviewForm::PageSetupActionClick() {
    if (!layout_) return;
    TPageSetup page = layout_->Page();
    if (!RunPageSetupDialog(page, Widget())) return;
    const TPageSetup old = layout_->Page();
    layout_->Page() = page;
    try {
        preparing_->stop();
        Prepare(*layout_);
    } catch (...) {
        // A paper the bands do not fit on is refused; the layout keeps the paper it had, and
        // the pages shown are prepared on it again.
        layout_->Page() = old;
        Prepare(*layout_);
        PageView->SetReport(&Report());
        if (!Prepared()) preparing_->start();
        throw;
    }
    PageView->SetReport(&Report());
    if (!Prepared()) preparing_->start();
}

void TReportPreviewForm::PrintActionClick() {
    PrepareAll();
    PrintReportWithDialog(Report(), Widget());
}

void TReportPreviewForm::SaveActionClick() {
    QFileDialog dialog(Widget(), Tr(TReportMessage::Save), QString(), Tr(TReportMessage::FileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("qrp"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    PrepareAll();
    SavePreparedReport(Report(), dialog.selectedFiles().front().toStdString());
}

void TReportPreviewForm::OpenActionClick() {
    QFileDialog dialog(Widget(), Tr(TReportMessage::Open), QString(), Tr(TReportMessage::FileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    TPreparedReport report = LoadPreparedReport(dialog.selectedFiles().front().toStdString());
    SetLayout(nullptr);
    SetReport(std::move(report));
}

void PreviewReport(TReportLayout& layout, TComponent* owner) {
    TReportPreviewForm form(owner, layout);
    form.ShowModal();
}

void PreviewPreparedReport(TPreparedReport report, TComponent* owner) {
    TReportPreviewForm form(owner, std::move(report));
    form.ShowModal();
}

} // namespace kvz
