// Theme services and the theme manager. This platform has no visual-styles library for the
// program to drive: every control is drawn by the desktop's Qt style, which follows the
// desktop's theme by itself. So the services answer that themes are not in use, and the manager
// takes over no control; both exist because the frame window makes and keeps them.
#pragma once

#include "platform/rtl/Component.h"

namespace kvz {

// Adds a reference to the visual-styles library; true when it is loaded (never here).
bool InitThemeLibrary();
void FreeThemeLibrary();
// The library is loaded and the application and the desktop are themed.
bool UseThemes();

class TThemeServices {
public:
    // The library is loaded.
    bool ThemesAvailable() const { return false; }
    // Controls are to be drawn with the theme.
    bool ThemesEnabled() const { return ThemesAvailable() && UseThemes(); }
};

// The one services object, made on first use.
TThemeServices& ThemeServices();

enum TThemeOption : unsigned {
    toAllowNonClientArea = 1u << 0, toAllowControls = 1u << 1, toAllowWebContent = 1u << 2,
    toSubclassAnimate = 1u << 3, toSubclassButtons = 1u << 4, toSubclassCheckListbox = 1u << 5,
    toSubclassDBLookup = 1u << 6, toSubclassFrame = 1u << 7, toSubclassGroupBox = 1u << 8,
    toSubclassListView = 1u << 9, toSubclassPanel = 1u << 10, toSubclassTabSheet = 1u << 11,
    toSubclassSpeedButtons = 1u << 12, toSubclassStatusBar = 1u << 13, toSubclassTrackBar = 1u << 14,
    toSubclassWinControl = 1u << 15, toResetMouseCapture = 1u << 16, toSetTransparency = 1u << 17,
    toAlternateTabSheetDraw = 1u << 18
};
using TThemeOptions = unsigned;
constexpr TThemeOptions kDefaultThemeOptions = ((1u << 19) - 1) & ~(toSubclassAnimate | toAlternateTabSheetDraw);

class TThemeManager : public TComponent {
public:
    explicit TThemeManager(TComponent* owner);
    ~TThemeManager() override;

    TThemeOptions Options() const { return options_; }
    void SetOptions(TThemeOptions options) { options_ = options; }
    // The first manager made is the main one; the others pass their work to it.
    bool IsMainManager() const;
    // Would take over the controls of the form (of every form without one); with the desktop
    // drawing every control there is nothing to take over.
    void CollectForms(TComponent* form = nullptr);

private:
    TThemeOptions options_ = kDefaultThemeOptions;
};

} // namespace kvz
