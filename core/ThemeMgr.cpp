#include "core/ThemeMgr.h"

namespace kvz {

namespace {
TThemeManager* gMainManager = nullptr;
}

bool InitThemeLibrary() { return false; }
void FreeThemeLibrary() {}
bool UseThemes() { return false; }

TThemeServices& ThemeServices() {
    static TThemeServices services;
    return services;
}

TThemeManager::TThemeManager(TComponent* owner) : TComponent(owner) {
    if (!gMainManager) gMainManager = this;
}

TThemeManager::~TThemeManager() {
    if (gMainManager == this) gMainManager = nullptr;
}

bool TThemeManager::IsMainManager() const { return gMainManager == this; }

void TThemeManager::CollectForms(TComponent*) {}

} // namespace kvz
