// The licence and warranty notice of the About box. Each section is its title in capitals, an
// empty line, its paragraphs one per line and two empty lines; the last section ends with its
// last paragraph.

#include <vector>

#include "app/about_text.h"

namespace {

struct NoticeSection {
    const char* title;
    std::vector<const char*> paragraphs;
};

const std::vector<NoticeSection>& NoticeSections() {
    static const std::vector<NoticeSection> sections = {
        {"LICENCE AND WARRANTY NOTICE",
         {"This notice governs your use of ZEP Modbus TCP Parser, including its program files, "
          "its documentation and any updates that you obtain through the program or from its "
          "maker. By installing, copying or running the program you accept these terms. If you "
          "do not accept them, do not install or use the program and delete every copy that you "
          "hold."}},
        {"GRANT OF LICENCE",
         {"The maker grants you a personal, non-exclusive, non-transferable and royalty-free "
          "licence to install and run the program on any number of computers that you own or "
          "control, for analysing Modbus/TCP traffic that you are entitled to record.",
          "You may make copies of the program for backup and archival purposes, provided that "
          "every copy keeps this notice and the program's version information unchanged.",
          "You may pass the unmodified installer on to others free of charge, provided that it "
          "is passed on complete, with this notice, and that no fee is asked for the program "
          "itself."}},
        {"RESTRICTIONS",
         {"You may not sell, rent, lease or sublicense the program, and you may not offer it as "
          "part of a commercial product or service without written permission from the maker.",
          "You may not remove or alter any notice of ownership, version or licence shown by the "
          "program, and you may not present the program, or any part of it, as your own work.",
          "Except as far as applicable law expressly permits it despite this restriction, you "
          "may not modify, adapt, translate, decompile or disassemble the program."}},
        {"OWNERSHIP",
         {"The program is licensed, not sold. The maker keeps all rights, title and interest in "
          "the program, its design, its texts and its images. Every right that this notice does "
          "not expressly grant to you is reserved by the maker.",
          "Reports, logs and other files that the program writes from your captures are yours; "
          "the maker claims no rights in them."}},
        {"NO WARRANTY",
         {"THE PROGRAM IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, "
          "INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A "
          "PARTICULAR PURPOSE, ACCURACY AND NON-INFRINGEMENT.",
          "The maker does not warrant that the program is free of errors, that it will run "
          "without interruption, that it decodes every Modbus message correctly, or that its "
          "reports are complete. The whole risk as to the quality and performance of the "
          "program lies with you. Should the program prove defective, you alone bear the cost "
          "of any service, repair or correction."}},
        {"LIMITATION OF LIABILITY",
         {"TO THE EXTENT PERMITTED BY APPLICABLE LAW, IN NO EVENT SHALL THE MAKER BE LIABLE FOR "
          "ANY DIRECT, INDIRECT, INCIDENTAL, SPECIAL, EXEMPLARY OR CONSEQUENTIAL DAMAGES, "
          "INCLUDING LOSS OF DATA, LOSS OF PRODUCTION, DAMAGE TO EQUIPMENT, BUSINESS "
          "INTERRUPTION OR LOST PROFITS, HOWEVER CAUSED AND ON ANY THEORY OF LIABILITY, ARISING "
          "IN ANY WAY OUT OF THE USE OF OR INABILITY TO USE THE PROGRAM, EVEN IF ADVISED OF THE "
          "POSSIBILITY OF SUCH DAMAGE.",
          "Where applicable law does not allow the exclusion of a liability, the liability of "
          "the maker is limited to the amount that you paid for the program, if any."}},
        {"INTENDED USE",
         {"The program is a diagnostic aid for engineers who commission or debug Modbus/TCP "
          "installations. It reads capture files after the fact; it does not talk to your "
          "devices and it does not control any process.",
          "Do not rely on the program's reports as the only basis for decisions that affect the "
          "safety of people, machines or plant. Check every finding against the documentation "
          "of your devices and against your own measurements before you act on it."}},
        {"NETWORK SERVICES AND PRIVACY",
         {"When automatic checking for new versions is switched on, and whenever you ask for it, "
          "the program sends its name and version to the maker's web server. No other "
          "information about you or your computer is sent with it.",
          "Feedback that you send from the About box reaches the maker's web server together "
          "with the program's name, version and build date. Include contact details only if "
          "you want a reply. The maker uses feedback only to answer it and to improve the "
          "program.",
          "The program never sends your capture files, its reports or its logs anywhere."}},
        {"THIRD-PARTY PRODUCTS",
         {"Capture tools, web browsers and other programs that you use together with this "
          "program are licensed by their own makers under their own terms. The maker of this "
          "program gives no warranty for them.",
          "Modbus is a registered trademark of Schneider Electric. Ethereal and Wireshark are "
          "trademarks of their respective owners. All other names are used for identification "
          "only."}},
        {"YOUR RESPONSIBILITIES",
         {"You are responsible for obtaining any permission needed to record the network traffic "
          "that you analyse, and for handling recorded data in line with the rules of your "
          "organisation and the law that applies to you.",
          "Capture files can contain process values, addresses and other information about an "
          "installation. Keep them, and the reports made from them, as carefully as you keep "
          "the installation's other documentation."}},
        {"UPDATES AND SUPPORT",
         {"The maker may publish new versions of the program from time to time. A new version is "
          "offered to you through the update check; installing it is your choice. Each new "
          "version is covered by this notice unless it comes with a notice of its own.",
          "The maker is under no obligation to provide support, maintenance or new versions. "
          "Questions and reports of errors are welcome through the feedback form, and the maker "
          "will try to answer them, but no response time is promised."}},
        {"TERMINATION",
         {"This licence ends automatically if you fail to comply with any of its terms. When it "
          "ends you must stop using the program and destroy every copy of it. The sections on "
          "ownership, warranty and liability survive the end of the licence."}},
        {"GENERAL",
         {"If any provision of this notice is held to be unenforceable, the remaining provisions "
          "stay in full force. No failure or delay in exercising a right under this notice "
          "waives that right. The headings in this notice are for convenience only and do not "
          "change its meaning.",
          "This notice is the complete agreement between you and the maker about the program and "
          "replaces any earlier statement about it. Questions about this notice can be sent to "
          "the maker through the feedback form of the About box."}},
    };
    return sections;
}

}  // namespace

std::string LegalNotice() {
    std::string text;
    const std::vector<NoticeSection>& sections = NoticeSections();
    for (size_t section = 0; section < sections.size(); ++section) {
        if (section > 0) {
            text += "\r\n\r\n\r\n";  // ends the last paragraph, then two empty lines
        }
        text += sections[section].title;
        text += "\r\n\r\n";
        const std::vector<const char*>& paragraphs = sections[section].paragraphs;
        for (size_t paragraph = 0; paragraph < paragraphs.size(); ++paragraph) {
            if (paragraph > 0) {
                text += "\r\n";
            }
            text += paragraphs[paragraph];
        }
    }
    return text;
}
