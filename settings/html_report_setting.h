#pragma once
// Whether the dialog program writes report.html beside output.txt after each analysis: the key
// HtmlReport of settings.ini's section "ZEP Modbus TCP Parser"; 0 turns it off.

constexpr const char* kHtmlReportKey = "HtmlReport";
constexpr const char* kHtmlReportFileName = "report.html";

// On unless the key says 0 (a missing or unreadable file, section or key: on).
bool LoadHtmlReportSetting();
