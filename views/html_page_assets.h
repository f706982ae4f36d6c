#pragma once
// What every HTML report carries inline: its style sheet (screen and A4 print) and the script
// that sorts tables. The page reads the same without the script.

extern const char* const kPageStyle;
extern const char* const kPageScript;
