#include "platform/forms/Forms.h"

#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Responder.h"
#include "platform/forms/StdCtrls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QDialog>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QScreen>
#include <QScrollArea>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <type_traits>
#include <vector>

namespace kvz {

void HandleException(std::exception_ptr error) { Application().HandleException(error); }

namespace {

std::vector<TForm*>& AllForms() {
    static std::vector<TForm*> forms;
    return forms;
}

bool Offscreen() { return QGuiApplication::platformName() == "offscreen"; }

// The first button of the form (in its containers too) that is showing, enabled and picked.
template <class Pick>
TButton* FindButton(TWinControl* root, const Pick& pick) {
    for (int i = 0; i < root->ControlCount(); ++i) {
        TControl* c = root->Controls(i);
        if (auto* button = dynamic_cast<TButton*>(c)) {
            if (pick(button) && button->Showing() && button->Enabled()) return button;
        } else if (auto* w = dynamic_cast<TWinControl*>(c); w && !dynamic_cast<TForm*>(c)) {
            if (TButton* found = FindButton(w, pick)) return found;
        }
    }
    return nullptr;
}

bool Press(TButton* button) {
    if (button) button->Click();
    return button != nullptr;
}

} // namespace

// The window behind a form: a QDialog (Enter, Escape, modality, a parent window) or, for the
// frame window, a QMainWindow. Closing and the two keys go through the form.
template <class Base>
class TFormWindow : public TControlWidget<Base> {
public:
    explicit TFormWindow(TForm* form) : TControlWidget<Base>(form), form_(form) {}

protected:
    void closeEvent(QCloseEvent* e) override {
        // The form decides; the window stays until it hides itself.
        e->ignore();
        Guarded([&] { form_->Close(); });
    }
    void keyPressEvent(QKeyEvent* e) override {
        // What the focused control left over.
        if (e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) return TControlWidget<Base>::keyPressEvent(e);
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            if (auto* button = qobject_cast<QPushButton*>(this->focusWidget()); button && button->isEnabled()) {
                button->click();
                return;
            }
            bool pressed = false;
            Guarded([&] { pressed = form_->PressDefaultButton(); });
            if (pressed) return;
        }
        if (e->key() == Qt::Key_F1) {
            Guarded([&] { form_->ShowHelp(); });
            return;
        }
        if (e->key() == Qt::Key_Escape) {
            Guarded([&] {
                if (!form_->PressCancelButton() && form_->Modal()) form_->Close();
            });
            return;
        }
        // Keys of the form itself (KeyPreview, accelerators) and nothing of QDialog's own.
        QWidget::keyPressEvent(e);
    }
    void resizeEvent(QResizeEvent* e) override {
        // The frame window hears of its size through its client area.
        if constexpr (std::is_same_v<Base, QMainWindow>)
            Base::resizeEvent(e);
        else
            TControlWidget<Base>::resizeEvent(e);
    }
    bool event(QEvent* e) override {
        bool result = TControlWidget<Base>::event(e);
        if ((e->type() == QEvent::Show || e->type() == QEvent::Hide) && !e->spontaneous())
            Guarded([&] {
                if (e->type() == QEvent::Show)
                    form_->DoShow();
                else
                    form_->DoHide();
            });
        if (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate) {
            const bool in = e->type() == QEvent::WindowActivate;
            Guarded([&] {
                if (auto& handler = in ? form_->OnActivate : form_->OnDeactivate) handler(form_);
            });
        }
        return result;
    }

private:
    TForm* form_;
};

// A dialog that closes only through its form.
class TDialogWindow : public TFormWindow<QDialog> {
public:
    using TFormWindow<QDialog>::TFormWindow;
    void done(int result) override {
        if (Control() && !static_cast<TForm*>(Control())->ending_) {
            Guarded([&] { static_cast<TForm*>(Control())->SetModalResult(result ? result : mrCancel); });
            return;
        }
        QDialog::done(result);
    }
};

// ---- TForm ----

TForm::TForm(TComponent* owner) : TWinControl(owner, new TDialogWindow(this)) { Init(owner); }

TForm::TForm(TComponent* owner, TFormStyle style)
    : TWinControl(owner, style == TFormStyle::fsMDIForm ? static_cast<QWidget*>(new TFormWindow<QMainWindow>(this))
                                                        : new TDialogWindow(this)),
      formStyle_(style) {
    if (auto* frame = qobject_cast<QMainWindow*>(Widget())) {
        // The children stand in the central widget, which reports its size as the form's.
        auto* central = new TControlWidget<QWidget>(this);
        frame->setCentralWidget(central);
        mdiClient_ = new QStackedWidget(central);
    }
    Init(owner);
}

void TForm::Init(TComponent* owner) {
    AllForms().push_back(this);
    Widget()->setAutoFillBackground(true);
    Widget()->setFocusPolicy(Qt::NoFocus);
    if (auto* ownerForm = dynamic_cast<TForm*>(owner); ownerForm && formStyle_ != TFormStyle::fsMDIForm)
        Widget()->setParent(ownerForm->Widget(), Widget()->windowFlags() | Qt::Window);
    ApplyWindowFlags();
    SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
    auto& forms = AllForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    // The form's components go while its window still stands: their widgets leave it as
    // children, instead of being made windows of their own first.
    while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
    // Windows that stand over this one but belong to others stay when it goes.
    if (QWidget* w = Widget())
        for (QObject* child : w->children())
            if (auto* window = qobject_cast<QWidget*>(child); window && window->isWindow())
                window->setParent(nullptr, window->windowFlags());
    if (mdiClient_)
        while (mdiClient_->count() > 0) {
            QWidget* child = mdiClient_->widget(0);
            mdiClient_->removeWidget(child);
            child->setParent(nullptr);
        }
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

void TForm::Release() {
    // Delivered to the application, not to the window, which must not go while it handles an
    // event; skipped when the form was freed first.
    QPointer<QWidget> alive(Widget());
    QMetaObject::invokeMethod(
        qApp,
        [this, alive] {
            if (alive) Free();
        },
        Qt::QueuedConnection);
}

bool TForm::FixedSize() const {
    return borderStyle_ == TFormBorderStyle::bsDialog || borderStyle_ == TFormBorderStyle::bsSingle ||
           borderStyle_ == TFormBorderStyle::bsToolWindow;
}

void TForm::SetBounds(int left, int top, int width, int height) {
    if (FixedSize()) Widget()->setFixedSize(std::max(0, width), std::max(0, height));
    TWinControl::SetBounds(left, top, width, height);
}

TRect TForm::ClientRect() const {
    QWidget* client = ClientWidget();
    return client == Widget() ? TWinControl::ClientRect() : Rect(0, 0, client->width(), client->height());
}

QWidget* TForm::ClientWidget() const {
    auto* frame = qobject_cast<QMainWindow*>(Widget());
    return frame ? frame->centralWidget() : Widget();
}

void TForm::AlignClientArea(const TRect& rest) {
    if (mdiClient_) mdiClient_->setGeometry(rest.Left, rest.Top, rest.Width(), rest.Height());
}

void TForm::ApplyWindowFlags() {
    QWidget* w = Widget();
    if (formStyle_ == TFormStyle::fsMDIChild && w->parentWidget() && !w->isWindow()) return;
    const bool wasVisible = w->isVisible();
    Qt::WindowFlags flags = qobject_cast<QMainWindow*>(w) ? Qt::Window : Qt::Dialog;
    switch (borderStyle_) {
    case TFormBorderStyle::bsNone: flags |= Qt::FramelessWindowHint; break;
    case TFormBorderStyle::bsDialog:
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint;
        break;
    case TFormBorderStyle::bsToolWindow:
    case TFormBorderStyle::bsSizeToolWin:
        flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case TFormBorderStyle::bsSingle:
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
        break;
    case TFormBorderStyle::bsSizeable:
        flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint;
        break;
    }
    if (formStyle_ == TFormStyle::fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    w->setWindowFlags(flags);
    if (FixedSize())
        w->setFixedSize(w->size());
    else {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (wasVisible) w->show();
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    borderStyle_ = style;
    ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle style) {
    if (style == TFormStyle::fsMDIForm || formStyle_ == TFormStyle::fsMDIForm)
        throw std::logic_error("The frame window is made as such");
    formStyle_ = style;
    ApplyWindowFlags();
}

void TForm::FitToLayout() {
    // A form laid out by Qt is at least as large as its layout needs with the desktop's font.
    QLayout* layout = ClientWidget()->layout();
    if (!layout) return;
    QSize need = layout->totalSizeHint();
    if (ClientWidget() != Widget()) need += Widget()->size() - ClientWidget()->size();
    QSize size = Widget()->size().expandedTo(need);
    if (size != Widget()->size()) SetBounds(Left(), Top(), size.width(), size.height());
}

void TForm::Place() {
    FitToLayout();
    QWidget* over = nullptr;
    switch (position_) {
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter: break;
    case TPosition::poMainFormCenter:
        if (Application().MainForm() && Application().MainForm() != this) over = Application().MainForm()->Widget();
        break;
    case TPosition::poOwnerFormCenter:
        if (auto* owner = dynamic_cast<TForm*>(Owner())) over = owner->Widget();
        break;
    default: return;
    }
    QRect area = over ? over->frameGeometry() : QRect(0, 0, Screen().Width(), Screen().Height());
    SetBounds(area.x() + (area.width() - Width()) / 2, area.y() + (area.height() - Height()) / 2, Width(), Height());
}

void TForm::StandOverActiveWindow() {
    QWidget* w = Widget();
    if (w->parentWidget()) return;
    QWidget* over = QApplication::activeWindow();
    if (!over && Application().MainForm() && Application().MainForm() != this) over = Application().MainForm()->Widget();
    if (over && over != w && over->isVisible()) w->setParent(over, w->windowFlags());
}

void TForm::ShowInFrame() {
    TForm* frame = Application().MainForm();
    if (!frame || !frame->mdiClient_ || frame == this) return;
    QWidget* w = Widget();
    if (w->parentWidget() != frame->mdiClient_) {
        w->setParent(frame->mdiClient_, Qt::Widget);
        frame->mdiClient_->addWidget(w);
    }
    frame->mdiClient_->setCurrentWidget(w);
}

void TForm::Show() {
    AfterConstruction();
    if (formStyle_ == TFormStyle::fsMDIChild) ShowInFrame();
    if (!Visible() && Widget()->isWindow()) Place();
    Widget()->show();
    if (Widget()->isWindow()) {
        if (!Offscreen()) Widget()->raise();
        Widget()->activateWindow();
    }
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::DoHide() {
    if (OnHide) OnHide(this);
}

namespace {

// The datasets a form works on: those of its data sources and of its data-aware controls.
void CollectDataSets(const TComponent& owner, std::vector<TDataSet*>& dataSets) {
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        TComponent* c = owner.Components(i);
        TDataSource* source = dynamic_cast<TDataSource*>(c);
        if (!source) {
            if (auto* control = dynamic_cast<TDataControl*>(c)) source = control->DataSource();
            else if (auto* grid = dynamic_cast<TDBGrid*>(c)) source = grid->DataSource();
        }
        TDataSet* dataSet = source ? source->DataSet() : dynamic_cast<TDataSet*>(c);
        if (dataSet && std::find(dataSets.begin(), dataSets.end(), dataSet) == dataSets.end()) dataSets.push_back(dataSet);
        CollectDataSets(*c, dataSets);
    }
}

bool Editing(const TDataSet& dataSet) { return dataSet.State() == dsEdit || dataSet.State() == dsInsert; }

} // namespace

TModalResult TForm::ShowModal() {
    if (modal_ || Visible()) throw std::logic_error("The window " + Caption() + " is already shown");
    // A dialog closed with Cancel takes back the edits it started: what the user typed into a
    // data-aware control must not stay pending for the next Post of someone else.
    std::vector<TDataSet*> browsing;
    CollectDataSets(*this, browsing);
    std::erase_if(browsing, [](TDataSet* d) { return Editing(*d); });
    QPointer<QWidget> alive(Widget());
    const TModalResult result = RunModal();
    if (result != mrCancel || !alive) return result;
    std::vector<TDataSet*> now;
    CollectDataSets(*this, now);
    for (TDataSet* dataSet : now)
        if (Editing(*dataSet) && std::find(browsing.begin(), browsing.end(), dataSet) != browsing.end()) dataSet->Cancel();
    return result;
}

TModalResult TForm::RunModal() {
    auto* dialog = qobject_cast<QDialog*>(Widget());
    if (!dialog) throw std::logic_error("The frame window cannot be shown modally");
    TResponder* responder = TResponder::Current();
    if (!responder && TResponder::Unattended())
        throw std::logic_error("No answer for the modal window " + Name() + " \"" + Caption() + "\"");
    AfterConstruction();
    modalResult_ = mrNone;
    modalAction_ = TCloseAction::caHide;
    modal_ = true;
    QPointer<QWidget> alive(dialog);
    struct Ending {
        TForm* form;
        QPointer<QWidget>& alive;
        ~Ending() {
            if (!alive) return;
            form->modal_ = false;
            form->ending_ = true;
            form->Widget()->hide();
            form->ending_ = false;
            if (form->modalAction_ == TCloseAction::caFree) form->Release();
        }
    } ending{this, alive};
    StandOverActiveWindow();
    Place();
    if (responder) {
        dialog->show();
        // A vetoed close asks again; a script that never lets go is a fault in the test.
        for (int round = 0; alive && modalResult_ == mrNone; ++round) {
            if (round == 10) throw std::logic_error("The modal window " + Caption() + " does not close");
            TModalResult answer = responder->AnswerShowModal(*this);
            if (!alive) return mrCancel;
            if (answer != mrNone || modalResult_ == mrNone) {
                modalResult_ = mrNone;
                SetModalResult(answer != mrNone ? answer : mrCancel);
            }
        }
        return alive ? modalResult_ : mrCancel;
    }
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->exec();
    if (!alive) return mrCancel;
    return modalResult_;
}

bool TForm::CloseModal() {
    TCloseAction action = TCloseAction::caNone;
    if (CloseQuery()) {
        action = TCloseAction::caHide;
        if (OnClose) OnClose(this, action);
    }
    modalAction_ = action;
    return action != TCloseAction::caNone;
}

void TForm::SetModalResult(TModalResult result) {
    if (!modal_ || result == mrNone || ending_) {
        modalResult_ = result;
        return;
    }
    // Asked while a close is being decided (OnCloseQuery setting a result) it only records.
    ending_ = true;
    struct Reset {
        TForm* form;
        QPointer<QWidget> alive;
        ~Reset() {
            if (alive) form->ending_ = false;
        }
    } reset{this, Widget()};
    if (!CloseModal()) {
        if (reset.alive) modalResult_ = mrNone;
        return;
    }
    if (!reset.alive) return;
    modalResult_ = result;
    static_cast<QDialog*>(Widget())->done(result);
}

bool TForm::ShowHelp() {
    // The focused control's topic, else its containers', else the form's.
    int context = 0;
    for (TControl* c = ActiveControl(); c && !context; c = c->Parent()) context = c->HelpContext();
    if (!context) context = HelpContext();
    if (!context) return false;
    return Application().HelpContext(helpFile_, context);
}

bool TForm::PressDefaultButton() {
    return Press(FindButton(this, [](TButton* b) { return b->Default(); }));
}

bool TForm::PressCancelButton() {
    return Press(FindButton(this, [](TButton* b) { return b->Cancel(); }));
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
        Release();
        break;
    }
    if (Application().MainForm() == this) Application().Terminate();
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
    // The edit inside a combo box stands for the combo box.
    for (; focus && focus != Widget(); focus = focus->parentWidget())
        if (TWinControl* c = FindByWidget(const_cast<TForm*>(this), focus)) return c;
    return nullptr;
}

void TForm::SetActiveControl(TWinControl* control) {
    if (control) control->SetFocus();
}

void TForm::SetMenu(TMainMenu* menu) {
    auto* frame = qobject_cast<QMainWindow*>(Widget());
    if (!frame) throw std::logic_error("Only the frame window has a menu bar");
    if (menu_) {
        menu_->RemoveFreeNotification(this);
        frame->setMenuWidget(nullptr);
    }
    menu_ = menu;
    if (!menu) return;
    menu->FreeNotification(this);
    frame->setMenuBar(menu->MenuBar());
}

void TForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == menu_) menu_ = nullptr;
}

TForm* TForm::ActiveMDIChild() const {
    if (!mdiClient_ || !mdiClient_->currentWidget()) return nullptr;
    auto* w = dynamic_cast<TControlWidget<QDialog>*>(mdiClient_->currentWidget());
    return w ? dynamic_cast<TForm*>(w->Control()) : nullptr;
}

int TForm::MDIChildCount() const { return mdiClient_ ? mdiClient_->count() : 0; }

TForm* TForm::MDIChildren(int index) const {
    if (index < 0 || index >= MDIChildCount()) return nullptr;
    auto* w = dynamic_cast<TControlWidget<QDialog>*>(mdiClient_->widget(index));
    return w ? dynamic_cast<TForm*>(w->Control()) : nullptr;
}

std::string TForm::WidgetText() const { return Widget()->windowTitle().toStdString(); }
void TForm::SetWidgetText(std::string_view text) { Widget()->setWindowTitle(ToQString(text)); }

// ---- TScrollBox ----

// Follows the moves and sizes of the box's controls, which set how far it scrolls.
class TScrollRange : public QObject {
public:
    explicit TScrollRange(TScrollBox* box, QObject* parent) : QObject(parent), box_(box) {}
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::Show ||
            e->type() == QEvent::Hide)
            box_->UpdateRange();
        return QObject::eventFilter(watched, e);
    }

private:
    TScrollBox* box_;
};

TScrollBox::TScrollBox(TComponent* owner) : TWinControl(owner, new TControlWidget<QScrollArea>(this, HomeWidget(owner))) {
    auto* area = static_cast<QScrollArea*>(Widget());
    area->setWidgetResizable(false);
    auto* inner = new QWidget;
    area->setWidget(inner);
    range_ = new TScrollRange(this, inner);
    SetBounds(0, 0, 185, 41);
}

QWidget* TScrollBox::ClientWidget() const { return static_cast<QScrollArea*>(Widget())->widget(); }

TRect TScrollBox::ClientRect() const {
    QSize size = static_cast<QScrollArea*>(Widget())->viewport()->size();
    return Rect(0, 0, size.width(), size.height());
}

void TScrollBox::ControlAdded(TControl* control) {
    if (control->Widget()) control->Widget()->installEventFilter(range_);
    UpdateRange();
}

void TScrollBox::Resize() {
    UpdateRange();
    TWinControl::Resize();
}

void TScrollBox::UpdateRange() {
    QWidget* inner = ClientWidget();
    QSize need = static_cast<QScrollArea*>(Widget())->viewport()->size();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (c->Visible() && c->Align() == TAlign::alNone)
            need = need.expandedTo(QSize(c->Left() + c->Width(), c->Top() + c->Height()));
    }
    if (inner->size() != need) inner->resize(need);
}

void TScrollBox::ScrollInView(TControl* control) {
    if (control && control->Widget()) static_cast<QScrollArea*>(Widget())->ensureWidgetVisible(control->Widget());
}

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

void TApplication::SetHint(std::string_view hint) {
    if (hint == hint_) return;
    hint_ = std::string(hint);
    Guarded([&] {
        if (OnHint) OnHint(this);
    });
}

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
    QWidget* active = QApplication::activeWindow();
    for (TForm* form : AllForms())
        if (active && form->Widget() == active) return form;
    return nullptr;
}

TRect TScreen::WorkAreaRect() const {
    QScreen* s = QGuiApplication::primaryScreen();
    QRect r = s ? s->availableGeometry() : QRect();
    return Bounds(r.x(), r.y(), r.width(), r.height());
}

int TScreen::FormCount() const { return int(AllForms().size()); }

TForm* TScreen::Forms(int index) const { return AllForms().at(size_t(index)); }

void Beep() { QApplication::beep(); }

} // namespace kvz
