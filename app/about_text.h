#pragma once
// The texts of the About box: version lines, legal notice and the feedback form's template.

#include <string>

// "<product> v1.00aA", the release date line and an empty line.
std::string VersionLines();

// The licence and warranty notice shown below the version lines.
std::string LegalNotice();

// What the feedback box holds when the About box opens.
std::string FeedbackTemplate();
