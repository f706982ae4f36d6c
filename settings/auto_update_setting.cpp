#include "settings/auto_update_setting.h"

#include "common/product_identity.h"
#include "settings/html_report_setting.h"
#include "settings/ini_document.h"

bool LoadAutoUpdateSetting() {
    IniDocument document(kSettingsFileName);
    // A missing file, or one whose reading stopped early, still yields what could be read.
    document.Load();
    return document.GetBool(kProductName, kAutoUpdateKey, true);
}

void StoreAutoUpdateSetting(bool flag) {
    // An HtmlReport key the user set is kept; nothing else is.
    IniDocument stored(kSettingsFileName);
    stored.Load();
    const int section = stored.FindSection(kProductName);
    const bool keepHtml = section >= 0 && stored.FindKey(section, kHtmlReportKey) >= 0;
    IniDocument document(kSettingsFileName);
    document.SetBool(kProductName, kAutoUpdateKey, flag);
    if (keepHtml) {
        document.SetInt(kProductName, kHtmlReportKey,
                        stored.GetInt(kProductName, kHtmlReportKey, 1));
    }
    document.Save();
}
