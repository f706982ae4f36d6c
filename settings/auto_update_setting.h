#pragma once
// The tool's one persistent setting: whether it looks for a newer version at start-up. It lives
// in settings.ini of the current directory, section "ZEP Modbus TCP Parser", key AutoUpdate.

constexpr const char* kSettingsFileName = "settings.ini";
constexpr const char* kAutoUpdateKey = "AutoUpdate";

// The stored value; on when the file, the section or the key is missing or unreadable.
bool LoadAutoUpdateSetting();

// Rewrites settings.ini from scratch with the section and the key alone ("1" or "0"), and the
// HtmlReport key when the file had one.
void StoreAutoUpdateSetting(bool flag);
