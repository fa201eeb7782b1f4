// The message box component: a box built from its properties, with an optional Help button
// that opens a help topic and leaves the box open.
#pragma once

#include "platform/forms/Dialogs.h"
#include "platform/rtl/Component.h"

#include <QIcon>

#include <string>

namespace kvz {

enum class TKvMsgDlgButtonGroup { bgAbortRetryIgnore, bgOK, bgOKCancel, bgRetryCancel, bgYesNo, bgYesNoCancel, bgUnknown };
enum class TKvMsgDlgKind { mkWarning, mkInformation, mkQuery, mkError, mkUser, mkApplication, mkWinLogo };

class TKvMsgDlgBase : public TComponent {
public:
    explicit TKvMsgDlgBase(TComponent* owner);

    // Beeps when MakeSound, shows the box and returns the number of the button that closed it
    // (OK 1, Cancel 2, Abort 3, Retry 4, Ignore 5, Yes 6, No 7).
    int Execute();

    // The box's button style for a group.
    static unsigned ButtonStyle(TKvMsgDlgButtonGroup group);
    // The default title of a kind; empty where the application's title stands.
    static std::string DefaultTitle(TKvMsgDlgKind kind);

protected:
    TKvMsgDlgButtonGroup ButtonGroup() const { return buttonGroup_; }
    virtual void SetButtonGroup(TKvMsgDlgButtonGroup group) { buttonGroup_ = group; }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(std::string_view file) { helpFile_ = std::string(file); }
    const std::string& IconResource() const { return iconResource_; }
    void SetIconResource(std::string_view name) { iconResource_ = std::string(name); }
    TKvMsgDlgKind Kind() const { return kind_; }
    void SetKind(TKvMsgDlgKind kind) { kind_ = kind; }
    bool MakeSound() const { return makeSound_; }
    void SetMakeSound(bool on) { makeSound_ = on; }
    const std::string& Text() const { return text_; }
    void SetText(std::string_view text) { text_ = std::string(text); }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string_view title) { title_ = std::string(title); }

    // The icon for the box: the kind's, or for mkUser the named one of the program's own.
    virtual QIcon KindIcon() const = 0;
    virtual int ShowBox() = 0;

    // The caption: Title, else the kind's default title, else the application's title.
    std::string Caption() const;
    void OpenHelp() const;

private:
    TKvMsgDlgButtonGroup buttonGroup_ = TKvMsgDlgButtonGroup::bgOK;
    int helpContext_ = 0;
    std::string helpFile_, iconResource_;
    TKvMsgDlgKind kind_ = TKvMsgDlgKind::mkInformation;
    bool makeSound_ = false;
    std::string text_, title_;
};

class TKvWinMsgDlgCustom : public TKvMsgDlgBase {
public:
    using TKvMsgDlgBase::TKvMsgDlgBase;

protected:
    QIcon KindIcon() const override;
    int ShowBox() override;
};

class TKvWinMsgDlg : public TKvWinMsgDlgCustom {
public:
    using TKvWinMsgDlgCustom::TKvWinMsgDlgCustom;
    using TKvMsgDlgBase::ButtonGroup;
    using TKvMsgDlgBase::SetButtonGroup;
    using TKvMsgDlgBase::HelpContext;
    using TKvMsgDlgBase::SetHelpContext;
    using TKvMsgDlgBase::HelpFile;
    using TKvMsgDlgBase::SetHelpFile;
    using TKvMsgDlgBase::IconResource;
    using TKvMsgDlgBase::SetIconResource;
    using TKvMsgDlgBase::Kind;
    using TKvMsgDlgBase::SetKind;
    using TKvMsgDlgBase::MakeSound;
    using TKvMsgDlgBase::SetMakeSound;
    using TKvMsgDlgBase::Text;
    using TKvMsgDlgBase::SetText;
    using TKvMsgDlgBase::Title;
    using TKvMsgDlgBase::SetTitle;
};

} // namespace kvz
