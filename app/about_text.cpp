#include "app/about_text.h"

#include "common/product_identity.h"
#include "common/text_format.h"

namespace {
constexpr const char* kReleaseDate = "March 02 2006";
}

std::string VersionLines() {
    return Format("%s v%s\r\nLast Updated %s\r\n\r\n", kProductName, FullVersionText().c_str(),
                  kReleaseDate);
}

std::string FeedbackTemplate() {
    return "Name:     \r\nEmail:    \r\n\r\nPlease send us feedback....\r\n\r\n\r\n";
}
