#pragma once
// An INI-style text file in memory: sections with keys, values and comments, read by a strict
// line parser and written back in a fixed layout.

#include <string>
#include <vector>

// One section: entry j of `values` is the value of `keyNames` entry j.
struct IniSection {
    std::vector<std::string> keyNames;
    std::vector<std::string> values;
    std::vector<std::string> comments;
};

class IniDocument {
public:
    // Remembers the file name; the file itself is not touched.
    explicit IniDocument(const std::string& fileName);
    virtual ~IniDocument() = default;

    // Adds the file's contents to the document. True when the document then holds at least one
    // section; false when the file cannot be opened, reading stopped at a bad line, or the file
    // held no section. What was read before a bad line stays in the document.
    bool Load();
    // Writes the whole document, replacing the file. False only when it cannot be opened.
    bool Save() const;

    // Look-ups by name compare FoldLetters forms; -1 when nothing matches.
    int FindSection(const std::string& name) const;
    int FindKey(int sectionIndex, const std::string& keyName) const;
    // Appends a new, empty section (even when the name exists already) and returns its index.
    int AppendSection(const std::string& name);

    bool SetString(const std::string& sectionName, const std::string& keyName,
                   const std::string& value);
    void SetInt(const std::string& sectionName, const std::string& keyName, int value);
    void SetBool(const std::string& sectionName, const std::string& keyName, bool flag);

    std::string GetString(const std::string& sectionName, const std::string& keyName,
                          const std::string& defaultValue) const;
    int GetInt(const std::string& sectionName, const std::string& keyName, int defaultValue) const;
    bool GetBool(const std::string& sectionName, const std::string& keyName,
                 bool defaultFlag) const;

    void AddHeaderComment(const std::string& text);
    bool AddSectionComment(const std::string& sectionName, const std::string& text);

    // With letter folding on, a copy of `text` with 'A' to 'Z' turned into 'a' to 'z'.
    std::string FoldLetters(const std::string& text) const;

    int SectionCount() const { return static_cast<int>(sections_.size()); }
    const std::string& SectionName(int index) const { return sectionNames_[index]; }
    const IniSection& Section(int index) const { return sections_[index]; }
    const std::vector<std::string>& HeaderComments() const { return headerComments_; }

private:
    // Acts on one line of the file; false for a line that stops the reading.
    bool ParseLine(std::string line, std::string& currentSection);
    void ParseComment(const std::string& text, const std::string& currentSection);
    void ParseSectionHeader(const std::string& line, size_t open, std::string& currentSection);
    void ParseKeyValue(const std::string& line, size_t equals, const std::string& currentSection);
    bool NamesMatch(const std::string& a, const std::string& b) const;

    bool foldLetters_;
    std::string path_;
    std::vector<IniSection> sections_;
    std::vector<std::string> sectionNames_;
    std::vector<std::string> headerComments_;
};
