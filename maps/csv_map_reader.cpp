#include "maps/csv_map_reader.h"

#include <algorithm>

namespace {

struct Cell {
    std::string text;
    TextPosition at;
};
using Row = std::vector<Cell>;

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsRowEnd(const std::string& text, size_t i) {
    return i >= text.size() || text[i] == '\r' || text[i] == '\n';
}

// Walks the text cell by cell, keeping the line and column of each cell's start.
class CsvSplitter {
public:
    explicit CsvSplitter(const std::string& text) : text_(text) {
        if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            next_ = lineStart_ = 3;  // a spreadsheet's byte order mark
        }
    }

    bool Split(std::vector<Row>& rows, MapProblem& problem) {
        Row row;
        while (next_ < text_.size() || !row.empty()) {
            Cell cell;
            cell.at = Here();
            const bool quoted = next_ < text_.size() && text_[next_] == '"';
            if (!(quoted ? Quoted(cell.text, problem) : Plain(cell.text))) {
                return false;
            }
            cell.text = Trimmed(cell.text);
            row.push_back(cell);
            if (next_ < text_.size() && text_[next_] == ',') {
                ++next_;
                continue;
            }
            EndLine();
            const bool blank =
                std::all_of(row.begin(), row.end(), [](const Cell& c) { return c.text.empty(); });
            if (!blank) {
                rows.push_back(row);
            }
            row.clear();
        }
        return true;
    }

private:
    TextPosition Here() const { return {line_, static_cast<int>(next_ - lineStart_) + 1}; }

    bool Plain(std::string& cell) {
        while (!IsRowEnd(text_, next_) && text_[next_] != ',') {
            cell += text_[next_++];
        }
        return true;
    }

    // "..." with "" for a quote; line ends inside belong to the cell.
    bool Quoted(std::string& cell, MapProblem& problem) {
        const TextPosition opening = Here();
        for (++next_;; ++next_) {
            if (next_ >= text_.size()) {
                problem = {opening, "quoted field without its closing quote"};
                return false;
            }
            const char c = text_[next_];
            if (c == '"' && next_ + 1 < text_.size() && text_[next_ + 1] == '"') {
                cell += '"';
                ++next_;
            } else if (c == '"') {
                ++next_;
                break;
            } else {
                cell += c;
                if (c == '\n') {
                    ++line_;
                    lineStart_ = next_ + 1;
                }
            }
        }
        if (!IsRowEnd(text_, next_) && text_[next_] != ',') {
            problem = {Here(), "text after a closing quote"};
            return false;
        }
        return true;
    }

    void EndLine() {
        if (next_ < text_.size() && text_[next_] == '\r') {
            ++next_;
        }
        if (next_ < text_.size() && text_[next_] == '\n') {
            ++next_;
        }
        ++line_;
        lineStart_ = next_;
    }

    const std::string& text_;
    size_t next_ = 0;
    size_t lineStart_ = 0;
    int line_ = 1;
};

}  // namespace

bool ReadCsvMap(const std::string& text, std::vector<EntryText>& entries, MapProblem& problem) {
    std::vector<Row> rows;
    if (!CsvSplitter(text).Split(rows, problem)) {
        return false;
    }
    if (rows.empty()) {
        return true;
    }
    const Row& header = rows.front();
    // What a spreadsheet set to a decimal comma writes: the whole header comes as one field.
    for (const Cell& cell : header) {
        if (cell.text.find(';') != std::string::npos) {
            problem = {cell.at, "the map's columns are separated by semicolons; use commas"};
            return false;
        }
    }
    for (auto row = rows.begin() + 1; row != rows.end(); ++row) {
        if (row->size() > header.size()) {
            problem = {(*row)[header.size()].at, "row of " + std::to_string(row->size()) +
                                                     " fields under a header of " +
                                                     std::to_string(header.size())};
            return false;
        }
        EntryText entry;
        entry.at = row->front().at;
        for (size_t i = 0; i < row->size(); ++i) {
            const Cell& cell = (*row)[i];
            if (!cell.text.empty()) {
                entry.fields.push_back({header[i].text, cell.text, header[i].at, cell.at});
            }
        }
        entries.push_back(entry);
    }
    return true;
}
