#pragma once
// The web pages that the dialogs open: the forum's help topic and the maker's home page with a
// reference that names the product and version.

#include <string>

// The help topic on the maker's forum (Help menu).
std::string HelpPageAddress();
// Home page with "?ref=<product> (v1.00aA)" (the main dialog's logo).
std::string MainLogoAddress();
// Home page with "?ref=<productName>(<productVersion>)" (the About box's logo).
std::string AboutLogoAddress(const std::string& productName, const std::string& productVersion);
// Home page with "/?ref=<refText>" (the link control).
std::string LinkAddress(const std::string& refText);
// The link control's reference text: "<product> (v1.00aA)".
std::string LinkReferenceText();
