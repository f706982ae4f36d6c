#include "settings/auto_update_setting.h"

#include "common/product_identity.h"
#include "settings/ini_document.h"

bool LoadAutoUpdateSetting() {
    IniDocument document(kSettingsFileName);
    // A missing file, or one whose reading stopped early, still yields what could be read.
    document.Load();
    return document.GetBool(kProductName, kAutoUpdateKey, true);
}

void StoreAutoUpdateSetting(bool flag) {
    IniDocument document(kSettingsFileName);
    document.SetBool(kProductName, kAutoUpdateKey, flag);
    document.Save();
}
