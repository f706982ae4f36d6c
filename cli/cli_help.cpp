// The texts the command line prints for --help, --version and usage errors.

#include "cli/cli_options.h"
#include "cli/web_commands.h"
#include "common/product_identity.h"

namespace {

constexpr size_t kDescriptionColumn = 28;

// "  -o, --output=FILE" or "      --force".
std::string OptionColumn(const OptionEntry& entry) {
    std::string column =
        entry.shortName != '\0' ? std::string("  -") + entry.shortName + ", " : std::string(6, ' ');
    column += "--";
    column += entry.longName;
    if (entry.valueName != nullptr) {
        column += '=';
        column += entry.valueName;
    }
    return column;
}

std::string OptionLines(const OptionEntry& entry) {
    std::string lines = OptionColumn(entry);
    if (lines.size() + 2 > kDescriptionColumn) {
        lines += '\n';
        lines.append(kDescriptionColumn, ' ');
    } else {
        lines.append(kDescriptionColumn - lines.size(), ' ');
    }
    for (const char* c = entry.help; *c != '\0'; ++c) {
        lines += *c;
        if (*c == '\n') {
            lines.append(kDescriptionColumn, ' ');
        }
    }
    return lines + '\n';
}

}  // namespace

std::string UsageText() {
    std::string text =
        "Usage: zep-modbus-parser [OPTION]... CAPTURE...\n"
        "       zep-modbus-parser [OPTION]... -i IFACE [-f FILTER]\n"
        "       zep-modbus-parser -D\n";
    text += WebCommandUsage();
    text +=
        "       zep-modbus-parser --help | --version\n"
        "\n"
        "Analyses the Modbus/TCP traffic in the libpcap capture CAPTURE and writes the report\n"
        "(output.txt) and log.txt in the current directory, or in DIR with -C.\n"
        "Several CAPTUREs (the files of a rotated capture) are read as one, in the order of\n"
        "their first records' times; '-' (standard input) is read alone. A capture\n"
        "compressed with gzip (.pcap.gz, .pcapng.gz) is read as it is.\n"
        "With -i, the traffic of a network interface is analysed as it is captured,\n"
        "until Ctrl-C or SIGTERM (Linux; capturing needs root or cap_net_raw).\n"
        "CAPTURE and FILE are taken relative to the directory the command was given in.\n"
        "\n"
        "Options:\n";
    for (const OptionEntry& entry : OptionTable()) {
        text += OptionLines(entry);
    }
    text +=
        "\n"
        "Exit status: 0 analysis completed, 1 the run ended early, 2 usage error or a\n"
        "register map that cannot be loaded, 130 interrupted (Ctrl-C or SIGTERM; the report\n"
        "holds whole blocks).\n";
    text += WebCommandExitStatus();
    return text;
}

std::string VersionText() {
    return "zep-modbus-parser " + FullVersionText() +
           "\n"
           "Licence: see NOTICE (free to use; NO WARRANTY, to the extent permitted by law).\n";
}

std::string UsageErrorText(const std::string& error) {
    return "zep-modbus-parser: " + error +
           "\nTry 'zep-modbus-parser --help' for more information.\n";
}
