// Forms, the application object and the screen.
#pragma once

#include "platform/forms/Controls.h"
#include "platform/rtl/FormatSettings.h"

#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

class QStackedWidget;

namespace kvz {

class TMainMenu;

using TModalResult = int;
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
    poOwnerFormCenter
};
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
// fsMDIForm is the frame window (a form made with that style); its client area shows one
// fsMDIChild form at a time.
enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

// A top-level window: a QDialog, or a QMainWindow for the frame window. A form's class builds
// its controls in its constructor; OnCreate runs once afterwards (from CreateForm, or before
// the first show at the latest). A form owned by another form stands over it.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Runs OnDestroy, frees the forms this one owns the same way, then frees the form.
    void Free();
    // Frees the form once the event that runs now is over (safe from the form's own handlers).
    void Release();
    void AfterConstruction();

    void Show();
    // Shows the form over the active window and returns when a modal result is set (a button
    // with one, Escape, Close, or the window's close box give mrCancel). Freeing the form
    // while it is shown ends it with mrCancel.
    TModalResult ShowModal();
    // A modal form ends with mrCancel; another asks OnCloseQuery and does what OnClose says.
    void Close();
    bool CloseQuery();
    bool Modal() const { return modal_; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result);
    // Presses the button that Enter (Default) or Escape (Cancel) stands for; false when the
    // form has none that is visible and enabled. A focused button takes Enter itself.
    bool PressDefaultButton();
    bool PressCancelButton();
    // F1: the help topic of the focused control (or of what holds it, or of the form) from the
    // form's help file or the application's; false when none has a topic or help is missing.
    bool ShowHelp();

    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool on) { keyPreview_ = on; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TFormStyle FormStyle() const { return formStyle_; }
    // fsNormal, fsStayOnTop or fsMDIChild; the frame window is made with its style.
    void SetFormStyle(TFormStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    TWinControl* ActiveControl() const;
    void SetActiveControl(TWinControl* control);
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(std::string_view file) { helpFile_ = std::string(file); }
    void SetClientSize(int width, int height) { SetBounds(Left(), Top(), width, height); }
    void SetBounds(int left, int top, int width, int height) override;
    TRect ClientRect() const override;
    QWidget* ClientWidget() const override;

    // The frame window's menu bar.
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);

    // The frame window's module windows: the one shown, and all of them.
    TForm* ActiveMDIChild() const;
    int MDIChildCount() const;
    TForm* MDIChildren(int index) const;

    TNotifyEvent OnCreate, OnShow, OnHide, OnDestroy, OnActivate, OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    // A form of that style: fsMDIForm makes the frame window.
    TForm(TComponent* owner, TFormStyle style);
    std::string WidgetText() const override;
    void SetWidgetText(std::string_view text) override;
    // OnShow and OnHide follow the window's own show and hide.
    void VisibleChanged() override {}
    void AlignClientArea(const TRect& rest) override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void DoShow();
    virtual void DoHide();
    void DoDestroy();

private:
    template <class Base>
    friend class TFormWindow;
    friend class TDialogWindow;
    void Init(TComponent* owner);
    bool CloseModal();
    TModalResult RunModal();
    void Place();
    void StandOverActiveWindow();
    void FitToLayout();
    void ApplyWindowFlags();
    bool FixedSize() const;
    void ShowInFrame();
    bool created_ = false, destroyed_ = false, modal_ = false, keyPreview_ = false, ending_ = false;
    TModalResult modalResult_ = mrNone;
    TCloseAction modalAction_ = TCloseAction::caHide;
    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    TPosition position_ = TPosition::poDesigned;
    std::string helpFile_;
    QStackedWidget* mdiClient_ = nullptr;
    TMainMenu* menu_ = nullptr;
};

// A box that scrolls when its controls reach beyond it.
class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* owner);
    QWidget* ClientWidget() const override;
    TRect ClientRect() const override;
    // Scrolls so that the control shows.
    void ScrollInView(TControl* control);

protected:
    void ControlAdded(TControl* control) override;
    void Resize() override;

private:
    friend class TScrollRange;
    void UpdateRange();
    QObject* range_;
};

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    const std::string& Title() const { return title_; }
    void SetTitle(std::string_view title);
    std::string ExeName() const;
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(std::string_view file) { helpFile_ = std::string(file); }
    TForm* MainForm() const { return mainForm_; }

    // Makes a form owned by the application; the first becomes the main form.
    template <class T>
    T* CreateForm() {
        T* form = new T(this);
        form->AfterConstruction();
        if (!mainForm_) mainForm_ = form;
        return form;
    }
    // Shows the main form and runs the message loop until the main form closes.
    void Run();
    void Terminate();
    void ProcessMessages();
    void Minimize();
    void Restore();
    bool Minimized() const;

    // Where errors of event handlers end: OnException when set, else ShowException. An
    // EAbort is quiet.
    void HandleException(std::exception_ptr error);
    void ShowException(const std::exception& error);
    std::function<void(TComponent* sender, const std::exception& error)> OnException;

    // Opens a help topic: OnHelp when set, else the help file through the desktop, else a
    // message that help is not installed. True when help was shown.
    bool HelpContext(const std::string& helpFile, int context);
    std::function<bool(const std::string& helpFile, int context)> OnHelp;

    // A text the form layer or a control shows of its own (a grid's question, a colour's name)
    // or a system text of an error, in the user's language: OnUserText when the program set
    // one, else the text as it is.
    std::string UserText(const std::string& text) const { return OnUserText ? OnUserText(text) : text; }
    std::function<std::string(const std::string& text)> OnUserText;

    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on);
    TColor HintColor() const { return hintColor_; }
    void SetHintColor(TColor color);
    int HintPause() const { return hintPause_; }
    void SetHintPause(int ms) { hintPause_ = ms; }
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int ms);
    // The long part of the hint of the control under the mouse (after "|", else the whole
    // hint); OnHint follows it, for a status bar to show.
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string_view hint);
    TNotifyEvent OnHint;

    // The program's date and number formats, those of its language: controls made from now
    // on (date edits, calendars) take them unless their window gives others.
    const FormatSettings& Formats() const { return formats_; }
    void SetFormats(const FormatSettings& formats) { formats_ = formats; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::string title_ = "KV-Zirt";
    std::string helpFile_;
    FormatSettings formats_ = FormatSettings::ForLanguage(1);
    TForm* mainForm_ = nullptr;
    bool showHint_ = true;
    TColor hintColor_ = clInfoBk;
    int hintPause_ = 500, hintHidePause_ = 2500;
    std::string hint_;
};

// The desktop's warning sound.
void Beep();

// The application object; needs a QApplication.
TApplication& Application();

class TScreen {
public:
    int Width() const;
    int Height() const;
    int PixelsPerInch() const;
    // A cursor for the whole program (crDefault lets each control show its own).
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    TForm* ActiveForm() const;
    // The screen less the desktop's panels.
    TRect WorkAreaRect() const;
    // The forms that exist, in the order they were made.
    int FormCount() const;
    TForm* Forms(int index) const;

private:
    TCursor cursor_ = crDefault;
};

TScreen& Screen();

} // namespace kvz
