#include "settings/ini_document.h"

#include <cstdio>

#include "common/text_file.h"
#include "common/text_format.h"
#include "settings/leading_integer.h"
#include "settings/text_mode_reader.h"

namespace {

constexpr const char* kLineMarks = ";#[=";

bool IsPrintable(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte <= 0x7E;
}

// Writes one line and its CR LF line end, and flushes it.
void WriteLine(std::FILE* file, const std::string& line) {
    const std::string bytes = ToTextModeLineEnds(line + "\n");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fflush(file);
}

}  // namespace

IniDocument::IniDocument(const std::string& fileName) : foldLetters_(true), path_(fileName) {}

bool IniDocument::Load() {
    std::vector<std::string> lines;
    if (!ReadTextModeLines(path_, lines)) {
        return false;
    }
    std::string currentSection;
    for (const std::string& line : lines) {
        if (!ParseLine(line, currentSection)) {
            return false;
        }
    }
    return !sections_.empty();
}

bool IniDocument::ParseLine(std::string line, std::string& currentSection) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line.empty()) {
        return true;
    }
    if (!IsPrintable(line[0])) {
        std::printf("Failing on char %d\n", static_cast<int>(static_cast<signed char>(line[0])));
        std::fflush(stdout);
        return false;
    }
    const size_t mark = line.find_first_of(kLineMarks);
    if (mark == std::string::npos) {
        return true;
    }
    switch (line[mark]) {
        case ';':
        case '#':
            ParseComment(line.substr(mark + 1), currentSection);
            break;
        case '[':
            ParseSectionHeader(line, mark, currentSection);
            break;
        default:
            ParseKeyValue(line, mark, currentSection);
            break;
    }
    return true;
}

void IniDocument::ParseComment(const std::string& text, const std::string& currentSection) {
    if (sections_.empty()) {
        AddHeaderComment(text);
    } else {
        AddSectionComment(currentSection, text);
    }
}

void IniDocument::ParseSectionHeader(const std::string& line, size_t open,
                                     std::string& currentSection) {
    const size_t close = line.rfind(']');
    if (close == std::string::npos || close < open) {
        return;
    }
    currentSection = line.substr(open + 1, close - open - 1);
    AppendSection(currentSection);
}

void IniDocument::ParseKeyValue(const std::string& line, size_t equals,
                                const std::string& currentSection) {
    SetString(currentSection, line.substr(0, equals), line.substr(equals + 1));
}

bool IniDocument::Save() const {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    for (const std::string& comment : headerComments_) {
        WriteLine(file, ";" + comment);
    }
    if (!headerComments_.empty()) {
        WriteLine(file, "");
    }
    for (size_t i = 0; i < sections_.size(); ++i) {
        const IniSection& section = sections_[i];
        WriteLine(file, "[" + sectionNames_[i] + "]");
        for (const std::string& comment : section.comments) {
            WriteLine(file, ";" + comment);
        }
        for (size_t j = 0; j < section.keyNames.size(); ++j) {
            WriteLine(file, section.keyNames[j] + "=" + section.values[j]);
        }
        WriteLine(file, "");
    }
    std::fclose(file);
    return true;
}

std::string IniDocument::FoldLetters(const std::string& text) const {
    if (!foldLetters_) {
        return text;
    }
    std::string folded = text;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

bool IniDocument::NamesMatch(const std::string& a, const std::string& b) const {
    return FoldLetters(a) == FoldLetters(b);
}

int IniDocument::FindSection(const std::string& name) const {
    for (size_t i = 0; i < sectionNames_.size(); ++i) {
        if (NamesMatch(sectionNames_[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int IniDocument::FindKey(int sectionIndex, const std::string& keyName) const {
    if (sectionIndex < 0 || sectionIndex >= SectionCount()) {
        return -1;
    }
    const std::vector<std::string>& keyNames = sections_[sectionIndex].keyNames;
    for (size_t j = 0; j < keyNames.size(); ++j) {
        if (NamesMatch(keyNames[j], keyName)) {
            return static_cast<int>(j);
        }
    }
    return -1;
}

int IniDocument::AppendSection(const std::string& name) {
    sections_.emplace_back();
    sectionNames_.push_back(name);
    return SectionCount() - 1;
}

bool IniDocument::SetString(const std::string& sectionName, const std::string& keyName,
                            const std::string& value) {
    int sectionIndex = FindSection(sectionName);
    if (sectionIndex < 0) {
        sectionIndex = AppendSection(sectionName);
    }
    IniSection& section = sections_[sectionIndex];
    const int keyIndex = FindKey(sectionIndex, keyName);
    if (keyIndex < 0) {
        section.keyNames.push_back(keyName);
        section.values.push_back(value);
    } else {
        section.values[keyIndex] = value;
    }
    return true;
}

void IniDocument::SetInt(const std::string& sectionName, const std::string& keyName, int value) {
    SetString(sectionName, keyName, Format("%d", value));
}

void IniDocument::SetBool(const std::string& sectionName, const std::string& keyName, bool flag) {
    SetInt(sectionName, keyName, flag ? 1 : 0);
}

std::string IniDocument::GetString(const std::string& sectionName, const std::string& keyName,
                                   const std::string& defaultValue) const {
    const int sectionIndex = FindSection(sectionName);
    const int keyIndex = FindKey(sectionIndex, keyName);
    if (keyIndex < 0) {
        return defaultValue;
    }
    return sections_[sectionIndex].values[keyIndex];
}

int IniDocument::GetInt(const std::string& sectionName, const std::string& keyName,
                        int defaultValue) const {
    return LeadingInteger(GetString(sectionName, keyName, Format("%d", defaultValue)));
}

bool IniDocument::GetBool(const std::string& sectionName, const std::string& keyName,
                          bool defaultFlag) const {
    return GetInt(sectionName, keyName, defaultFlag ? 1 : 0) != 0;
}

void IniDocument::AddHeaderComment(const std::string& text) {
    headerComments_.push_back(text);
}

bool IniDocument::AddSectionComment(const std::string& sectionName, const std::string& text) {
    const int sectionIndex = FindSection(sectionName);
    if (sectionIndex < 0) {
        return false;
    }
    sections_[sectionIndex].comments.push_back(text);
    return true;
}
