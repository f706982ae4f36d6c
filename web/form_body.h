#pragma once
// The form bodies posted to the maker's web server (application/x-www-form-urlencoded).

#include <string>

// A form value encoded so that a form parser gets it back unchanged: letters, digits and
// "*-._" stay, a blank becomes '+', every other byte becomes %XX (capital hex digits).
std::string FormEncode(const std::string& value);

// "app_name=<product name>&app_ver=<version><letters>", values encoded.
std::string UpdateCheckBody();

// "Product=...&ProductV=...&Msg=...&Notes=...", values encoded.
std::string FeedbackBody(const std::string& productName, const std::string& productVersion,
                         const std::string& feedbackText, const std::string& buildNote);
