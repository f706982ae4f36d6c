// The texts of the main dialog and the About box, and the web addresses the dialogs open.

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "app/about_text.h"
#include "app/instructions_text.h"
#include "app/web_references.h"
#include "common/product_identity.h"
#include "tests/app/driver/expected_texts.h"
#include "web/web_addresses.h"

namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string Home() {
    return std::string("http://") + MakerWebHost();
}

}  // namespace

TEST(InstructionsText, EighteenPiecesInOrder) {
    EXPECT_EQ(InstructionsText(), expected::Instructions());
}

TEST(AboutText, VersionLines) {
    EXPECT_EQ(VersionLines(),
              "ZEP Modbus TCP Parser v1.00aA\r\nLast Updated March 02 2006\r\n\r\n");
}

TEST(AboutText, FeedbackTemplateHasFiveAndFourBlanks) {
    EXPECT_EQ(FeedbackTemplate(),
              "Name:     \r\nEmail:    \r\n\r\nPlease send us feedback....\r\n\r\n\r\n");
}

TEST(AboutText, BuildNote) {
    EXPECT_EQ(BuildNote("Mar  2 2006", "11:27:18"), "Last Compile date: Mar  2 2006 11:27:18");
}

TEST(LegalNotice, AboutSixThousandTwoHundredCharacters) {
    const std::string notice = LegalNotice();
    EXPECT_GE(notice.size(), 5900u);
    EXPECT_LE(notice.size(), 6500u);
}

TEST(LegalNotice, SectionsTitledInCapitalsWithParagraphsOnePerLine) {
    const std::string notice = LegalNotice();
    ASSERT_GE(notice.size(), 2u);
    EXPECT_NE(notice.substr(notice.size() - 2), "\r\n") << "ends with its last paragraph";
    const std::vector<std::string> sections = Split(notice, "\r\n\r\n\r\n");
    ASSERT_GE(sections.size(), 5u);
    for (const std::string& section : sections) {
        const size_t titleEnd = section.find("\r\n\r\n");
        ASSERT_NE(titleEnd, std::string::npos) << section.substr(0, 60);
        const std::string title = section.substr(0, titleEnd);
        for (char c : title) {
            EXPECT_FALSE(std::islower(static_cast<unsigned char>(c))) << title;
            EXPECT_NE(c, '\n') << title;
        }
        const std::string body = section.substr(titleEnd + 4);
        EXPECT_FALSE(body.empty()) << title;
        EXPECT_EQ(body.find("\r\n\r\n"), std::string::npos) << "no empty line inside " << title;
        EXPECT_NE(body.substr(0, 2), "\r\n") << title;
        for (size_t i = 0; i < body.size(); ++i) {
            if (body[i] == '\n') {
                EXPECT_TRUE(i > 0 && body[i - 1] == '\r') << "CR LF line ends in " << title;
            }
            if (body[i] == '\r') {
                EXPECT_TRUE(i + 1 < body.size() && body[i + 1] == '\n') << title;
            }
        }
    }
}

TEST(WebReferences, HelpPageOnTheForum) {
    EXPECT_EQ(HelpPageAddress(), Home() + "/forums/viewtopic.php?t=33");
}

TEST(WebReferences, MainLogoAppendsItsQueryWithoutSlashOrEncoding) {
    EXPECT_EQ(MainLogoAddress(), Home() + "?ref=ZEP Modbus TCP Parser (v1.00aA)");
}

TEST(WebReferences, AboutLogoHasNoBlankAndNoV) {
    EXPECT_EQ(AboutLogoAddress("ZEP Modbus TCP Parser", "1.00aA"),
              Home() + "?ref=ZEP Modbus TCP Parser(1.00aA)");
}

TEST(WebReferences, LinkWithSlashAndItsReference) {
    EXPECT_EQ(LinkReferenceText(), "ZEP Modbus TCP Parser (v1.00aA)");
    EXPECT_EQ(LinkAddress(LinkReferenceText()), Home() + "/?ref=ZEP Modbus TCP Parser (v1.00aA)");
}
