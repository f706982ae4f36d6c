#include "settings/html_report_setting.h"

#include "common/product_identity.h"
#include "settings/auto_update_setting.h"
#include "settings/ini_document.h"

bool LoadHtmlReportSetting() {
    IniDocument document(kSettingsFileName);
    document.Load();
    return document.GetBool(kProductName, kHtmlReportKey, true);
}
