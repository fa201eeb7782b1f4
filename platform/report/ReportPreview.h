// The print preview: a modal window showing prepared pages, with page navigation, zoom,
// printing, the page set-up and saving or opening prepared reports. It paints only the pages
// on screen, and over a layout it prepares the pages as they are needed, so a report of
// thousands of pages opens at once.
#pragma once

#include "platform/forms/Forms.h"
#include "platform/report/PreparedReport.h"

#include <QAbstractScrollArea>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QTimer;
class QToolBar;

namespace kvz {

// The pages one below the other on a grey desk, painted through the report renderer.
class TReportPageView : public QAbstractScrollArea {
public:
    enum class TZoomMode { Fixed, WholePage, PageWidth };

    explicit TReportPageView(QWidget* parent = nullptr);
    void SetReport(const TPreparedReport* report);
    // The report grew by pages at its end: the view stays where it is.
    void PagesAdded();

    // 0-based; the page at the upper part of the view.
    int CurrentPage() const;
    void GoToPage(int index);
    // Screen pixels per millimetre in view.
    double Scale() const { return scale_; }
    TZoomMode ZoomMode() const { return mode_; }
    void SetZoom(double pixelsPerMm); // Fixed
    void SetZoomMode(TZoomMode mode);
    void ZoomBy(double factor);
    // Pages painted by the last paint (what a long report costs to show).
    int PagesPainted() const { return pagesPainted_; }
    std::function<void()> OnViewChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int PageCount() const;
    QSize PagePixels() const;
    void UpdateScale();
    void UpdateScrollBars();

    const TPreparedReport* report_ = nullptr;
    TZoomMode mode_ = TZoomMode::WholePage;
    double scale_ = 96 / 25.4;
    int pagesPainted_ = 0;
};

class TReportPreviewForm : public TForm {
public:
    TReportPreviewForm(TComponent* owner, TPreparedReport report);
    // The layout's pages, prepared as the view needs them and, while the window is shown, on
    // to the end; its page set-up prepares them again on the new paper. The layout and its
    // data stay as they are while the window lives.
    TReportPreviewForm(TComponent* owner, TReportLayout& layout);
    ~TReportPreviewForm() override;

    // The pages made so far; all of them once Prepared().
    const TPreparedReport& Report() const;
    bool Prepared() const;
    // Makes the pages that are still to come.
    void PrepareAll();
    void SetReport(TPreparedReport report);
    // With a layout the page set-up prepares the pages again on the new paper.
    void SetLayout(TReportLayout* layout);

    TReportPageView* PageView;
    QToolBar* ToolBar;
    QAction *FirstAction, *PriorAction, *NextAction, *LastAction;
    QAction *ZoomInAction, *ZoomOutAction, *WholePageAction, *PageWidthAction;
    QAction *PageSetupAction, *PrintAction, *SaveAction, *OpenAction, *CloseAction;
    QLabel* PageLabel;

    void FirstActionClick();
    void PriorActionClick();
    void NextActionClick();
    void LastActionClick();
    void PageSetupActionClick();
    void PrintActionClick();
    void SaveActionClick();
    void OpenActionClick();

private:
    void Init();
    void Prepare(TReportLayout& layout);
    // Runs a step of the preparation; a failed one ends the preview, whose pages are then of
    // no use, and passes its error on.
    void PrepareStep(const std::function<void(TPreparation&)>& step);
    void UpdateState();
    std::unique_ptr<TPreparedReport> report_;
    std::unique_ptr<TPreparation> preparation_;
    QTimer* preparing_ = nullptr;
    TReportLayout* layout_ = nullptr;
};

// Prepares the layout and shows its pages in the preview, modally; the page set-up of the
// preview changes the layout's.
void PreviewReport(TReportLayout& layout, TComponent* owner = nullptr);
void PreviewPreparedReport(TPreparedReport report, TComponent* owner = nullptr);

} // namespace kvz
