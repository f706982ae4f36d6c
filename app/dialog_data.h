#pragma once
// Data exchange between a dialog's fields and its controls.

#include <windows.h>

#include <string>

void WriteControlText(HWND dialog, int controlId, const std::string& text);
std::string ReadControlText(HWND dialog, int controlId);

// A check box shows checked for a non-zero value.
void WriteCheckState(HWND dialog, int controlId, int value);
int ReadCheckState(HWND dialog, int controlId);
