#pragma once
// The application title: the executable's file name without its extension. Every message box
// of the program carries it as its caption.

#include <string>

std::string ApplicationTitle();
