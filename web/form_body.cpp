#include "web/form_body.h"

#include <cstring>

#include "common/product_identity.h"
#include "common/text_format.h"

namespace {

bool StaysAsItIs(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || (byte != '\0' && std::strchr("*-._", byte) != nullptr);
}

}  // namespace

std::string FormEncode(const std::string& value) {
    std::string encoded;
    encoded.reserve(value.size() * 3);
    for (char c : value) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (StaysAsItIs(byte)) {
            encoded += c;
        } else if (byte == ' ') {
            encoded += '+';
        } else {
            AppendFormat(encoded, "%%%02X", byte);
        }
    }
    return encoded;
}

std::string UpdateCheckBody() {
    return "app_name=" + FormEncode(kProductName) + "&app_ver=" + FormEncode(FullVersionText());
}

std::string FeedbackBody(const std::string& productName, const std::string& productVersion,
                         const std::string& feedbackText, const std::string& buildNote) {
    return "Product=" + FormEncode(productName) + "&ProductV=" + FormEncode(productVersion) +
           "&Msg=" + FormEncode(feedbackText) + "&Notes=" + FormEncode(buildNote);
}
