// Forms, the application object and the screen.
#pragma once

#include "platform/forms/Controls.h"

#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

class QEventLoop;

namespace kvz {

using TModalResult = int;
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

// A top-level window. A form's class builds its controls in its constructor; OnCreate runs
// once afterwards (from CreateForm, or before the first show at the latest).
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Runs OnDestroy, frees the forms this one owns the same way, then frees the form.
    void Free();
    void AfterConstruction();

    void Show();
    // Shows the form and returns when a modal result is set (a button with one, Close, or
    // the window's close box gives mrCancel).
    TModalResult ShowModal();
    // A modal form ends with mrCancel; another asks OnCloseQuery and does what OnClose says.
    void Close();
    bool CloseQuery();
    bool Modal() const { return modal_; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result);

    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool on) { keyPreview_ = on; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    TWinControl* ActiveControl() const;
    void SetActiveControl(TWinControl* control);
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(std::string_view file) { helpFile_ = std::string(file); }
    void SetClientSize(int width, int height) { SetBounds(Left(), Top(), width, height); }

    TNotifyEvent OnCreate, OnShow, OnHide, OnDestroy;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    void TextChanged() override;
    void VisibleChanged() override;
    virtual void DoShow();
    virtual void DoHide();
    void DoDestroy();

private:
    friend class TFormWidget;
    void CloseModal();
    void Place();
    bool created_ = false, destroyed_ = false, modal_ = false, keyPreview_ = false;
    TModalResult modalResult_ = mrNone;
    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    TPosition position_ = TPosition::poDesigned;
    std::string helpFile_;
    QEventLoop* loop_ = nullptr;
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

    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on);
    TColor HintColor() const { return hintColor_; }
    void SetHintColor(TColor color);
    int HintPause() const { return hintPause_; }
    void SetHintPause(int ms) { hintPause_ = ms; }
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int ms);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::string title_ = "KV-Zirt";
    std::string helpFile_;
    TForm* mainForm_ = nullptr;
    bool showHint_ = true;
    TColor hintColor_ = clInfoBk;
    int hintPause_ = 500, hintHidePause_ = 2500;
};

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

private:
    TCursor cursor_ = crDefault;
};

TScreen& Screen();

} // namespace kvz
