#include "app/web_references.h"

#include "common/product_identity.h"
#include "common/text_format.h"
#include "web/web_addresses.h"

std::string HelpPageAddress() {
    return ForumHelpAddress();
}

std::string LinkReferenceText() {
    return Format("%s (v%s)", kProductName, FullVersionText().c_str());
}

std::string MainLogoAddress() {
    // Appended straight to the home page, without a slash, and without any encoding.
    return HomePageAddress() + "?ref=" + LinkReferenceText();
}

std::string AboutLogoAddress(const std::string& productName, const std::string& productVersion) {
    return HomePageAddress() + Format("?ref=%s(%s)", productName.c_str(), productVersion.c_str());
}

std::string LinkAddress(const std::string& refText) {
    return HomePageAddress() + Format("/?ref=%s", refText.c_str());
}
