#include "platform/forms/Forms.h"

#include "platform/forms/Dialogs.h"
#include "platform/forms/Responder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QScreen>
#include <QToolTip>
#include <QUrl>

#include <filesystem>

namespace kvz {

void HandleException(std::exception_ptr error) { Application().HandleException(error); }

class TFormWidget : public TControlWidget<QWidget> {
public:
    explicit TFormWidget(TForm* form) : TControlWidget<QWidget>(form), form_(form) { setWindowFlag(Qt::Window); }

protected:
    void closeEvent(QCloseEvent* e) override {
        // The form decides; the window stays until it hides itself.
        e->ignore();
        Guarded([&] { form_->Close(); });
    }

private:
    TForm* form_;
};

// ---- TForm ----

TForm::TForm(TComponent* owner) : TWinControl(owner, new TFormWidget(this)) {
    SetVisibleQuietly(false);
    Widget()->setAutoFillBackground(true);
    Widget()->setFocusPolicy(Qt::NoFocus);
    SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
    if (loop_) loop_->quit();
}

void TForm::AfterConstruction() {
    if (created_) return;
    created_ = true;
    if (OnCreate) OnCreate(this);
}

void TForm::DoDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    Guarded([&] {
        if (OnDestroy) OnDestroy(this);
    });
}

void TForm::Free() {
    DoDestroy();
    for (int i = ComponentCount() - 1; i >= 0; --i)
        if (i < ComponentCount())
            if (auto* form = dynamic_cast<TForm*>(Components(i))) form->Free();
    delete this;
}

void TForm::Place() {
    if (position_ != TPosition::poScreenCenter && position_ != TPosition::poDesktopCenter) return;
    SetBounds((Screen().Width() - Width()) / 2, (Screen().Height() - Height()) / 2, Width(), Height());
}

void TForm::Show() {
    AfterConstruction();
    if (!Visible()) Place();
    SetVisible(true);
    if (QGuiApplication::platformName() != "offscreen") Widget()->raise();
    Widget()->activateWindow();
}

void TForm::VisibleChanged() {
    if (Visible())
        DoShow();
    else
        DoHide();
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::DoHide() {
    if (OnHide) OnHide(this);
}

TModalResult TForm::ShowModal() {
    if (modal_ || Visible()) throw std::logic_error("The window " + Caption() + " is already shown");
    AfterConstruction();
    modalResult_ = mrNone;
    modal_ = true;
    struct Ending {
        TForm* form;
        ~Ending() {
            form->modal_ = false;
            form->loop_ = nullptr;
            form->Widget()->setWindowModality(Qt::NonModal);
            form->SetVisible(false);
        }
    } ending{this};
    if (TResponder* responder = TResponder::Current()) {
        Place();
        SetVisible(true);
        // A vetoed close asks again; a script that never lets go is a fault in the test.
        for (int round = 0; modalResult_ == mrNone; ++round) {
            if (round == 10) throw std::logic_error("The modal window " + Caption() + " does not close");
            TModalResult answer = responder->AnswerShowModal(*this);
            if (answer != mrNone) modalResult_ = answer;
            if (modalResult_ == mrNone) modalResult_ = mrCancel;
            CloseModal();
        }
        return modalResult_;
    }
    Widget()->setWindowModality(Qt::ApplicationModal);
    Place();
    SetVisible(true);
    Widget()->activateWindow();
    QEventLoop loop;
    loop_ = &loop;
    while (modalResult_ == mrNone) {
        loop.exec();
        if (modalResult_ != mrNone) CloseModal();
    }
    return modalResult_;
}

void TForm::CloseModal() {
    TCloseAction action = TCloseAction::caNone;
    if (CloseQuery()) {
        action = TCloseAction::caHide;
        if (OnClose) OnClose(this, action);
    }
    if (action == TCloseAction::caNone) modalResult_ = mrNone;
}

void TForm::SetModalResult(TModalResult result) {
    modalResult_ = result;
    if (loop_ && result != mrNone) loop_->quit();
}

bool TForm::CloseQuery() {
    bool can = true;
    if (OnCloseQuery) OnCloseQuery(this, can);
    return can;
}

void TForm::Close() {
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    switch (action) {
    case TCloseAction::caNone: return;
    case TCloseAction::caMinimize: SetWindowState(TWindowState::wsMinimized); return;
    case TCloseAction::caHide: Hide(); break;
    case TCloseAction::caFree:
        Hide();
        QMetaObject::invokeMethod(qApp, [this] { Free(); }, Qt::QueuedConnection);
        break;
    }
    if (Application().MainForm() == this) Application().Terminate();
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    borderStyle_ = style;
    Widget()->setWindowFlag(Qt::FramelessWindowHint, style == TFormBorderStyle::bsNone);
    Widget()->setWindowFlag(Qt::Tool, style == TFormBorderStyle::bsToolWindow || style == TFormBorderStyle::bsSizeToolWin);
}

TWindowState TForm::WindowState() const {
    Qt::WindowStates s = Widget()->windowState();
    if (s & Qt::WindowMinimized) return TWindowState::wsMinimized;
    if (s & Qt::WindowMaximized) return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    Widget()->setWindowState(state == TWindowState::wsMinimized   ? Qt::WindowMinimized
                             : state == TWindowState::wsMaximized ? Qt::WindowMaximized
                                                                  : Qt::WindowNoState);
}

namespace {
TWinControl* FindByWidget(TWinControl* root, QWidget* widget) {
    for (int i = 0; i < root->ControlCount(); ++i) {
        auto* w = dynamic_cast<TWinControl*>(root->Controls(i));
        if (!w) continue;
        if (w->Widget() == widget) return w;
        if (TWinControl* found = FindByWidget(w, widget)) return found;
    }
    return nullptr;
}
} // namespace

TWinControl* TForm::ActiveControl() const {
    QWidget* focus = Widget()->focusWidget();
    return focus ? FindByWidget(const_cast<TForm*>(this), focus) : nullptr;
}

void TForm::SetActiveControl(TWinControl* control) {
    if (control) control->SetFocus();
}

void TForm::TextChanged() { Widget()->setWindowTitle(QString::fromStdString(Caption())); }

// ---- TApplication ----

TApplication::TApplication() = default;

TApplication::~TApplication() = default;

TApplication& Application() {
    static TApplication* application = new TApplication;
    return *application;
}

void TApplication::SetTitle(std::string_view title) {
    title_ = std::string(title);
    QCoreApplication::setApplicationName(QString::fromStdString(title_));
}

std::string TApplication::ExeName() const { return QCoreApplication::applicationFilePath().toStdString(); }

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == mainForm_) mainForm_ = nullptr;
}

void TApplication::Run() {
    if (mainForm_) mainForm_->Show();
    QApplication::exec();
    for (int i = ComponentCount() - 1; i >= 0; --i)
        if (i < ComponentCount())
            if (auto* form = dynamic_cast<TForm*>(Components(i))) form->Free();
}

void TApplication::Terminate() { QCoreApplication::quit(); }

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::Minimize() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->showMinimized();
}

void TApplication::Restore() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isMinimized()) w->showNormal();
}

bool TApplication::Minimized() const {
    bool any = false;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() && !w->isMinimized()) continue;
        if (!w->isMinimized()) return false;
        any = true;
    }
    return any;
}

void TApplication::HandleException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        if (!OnException) {
            ShowException(e);
            return;
        }
        try {
            OnException(this, e);
        } catch (const std::exception& inner) {
            ShowException(inner);
        }
    } catch (...) {
        ShowException(std::runtime_error("Unknown error"));
    }
}

void TApplication::ShowException(const std::exception& error) {
    ShowMessageBox(error.what(), title_, MB_OK | MB_ICONSTOP);
}

bool TApplication::HelpContext(const std::string& helpFile, int context) {
    std::string file = helpFile.empty() ? helpFile_ : helpFile;
    if (OnHelp) return OnHelp(file, context);
    std::error_code ec;
    if (!file.empty() && std::filesystem::exists(file, ec) &&
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file))))
        return true;
    ShowMessageBox("Help is not installed.", title_, MB_OK | MB_ICONINFORMATION);
    return false;
}

void TApplication::SetShowHint(bool on) { showHint_ = on; }

void TApplication::SetHintColor(TColor color) {
    hintColor_ = color;
    QPalette pal = QToolTip::palette();
    pal.setColor(QPalette::ToolTipBase, ToQColor(color));
    QToolTip::setPalette(pal);
}

void TApplication::SetHintHidePause(int ms) { hintHidePause_ = ms; }

// ---- TScreen ----

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

int TScreen::Width() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

int TScreen::PixelsPerInch() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? int(s->logicalDotsPerInch() + 0.5) : 96;
}

void TScreen::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    if (cursor_ != crDefault) QApplication::restoreOverrideCursor();
    cursor_ = cursor;
    if (cursor != crDefault) QApplication::setOverrideCursor(CursorShape(cursor));
}

TForm* TScreen::ActiveForm() const {
    auto* w = dynamic_cast<TControlWidget<QWidget>*>(QApplication::activeWindow());
    return w ? dynamic_cast<TForm*>(w->Control()) : nullptr;
}

} // namespace kvz
