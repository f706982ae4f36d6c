#include "common/product_identity.h"

#include "common/text_format.h"

std::string FullVersionText() {
    return Format("%s%c%c", kProductVersion, kBuildLetter, kBuildLetterUpper);
}

std::string BuildNote(const char* buildDate, const char* buildTime) {
    return Format("Last Compile date: %s %s", buildDate, buildTime);
}
