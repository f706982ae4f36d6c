#include "maps/register_map_loader.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "maps/csv_map_reader.h"
#include "maps/entry_fields.h"
#include "maps/map_overlaps.h"
#include "maps/yaml_map_reader.h"

namespace {

bool IsCsvName(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".csv";
}

std::string Located(const std::string& path, const MapProblem& problem) {
    if (problem.at.line <= 0) {
        return path + ": " + problem.text;
    }
    return path + ":" + std::to_string(problem.at.line) + ":" + std::to_string(problem.at.column) +
           ": " + problem.text;
}

bool ReadText(const std::string& path, std::string& text, std::string& error) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = path + ": is a directory, not a register map";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be opened: " + std::strerror(errno);
        return false;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    text = contents.str();
    return true;
}

}  // namespace

bool LoadRegisterMap(const std::string& path, RegisterMap& map, std::string& error,
                     std::vector<std::string>& warnings) {
    std::string text;
    if (!ReadText(path, text, error)) {
        return false;
    }
    std::vector<EntryText> texts;
    MapProblem problem;
    const bool read =
        IsCsvName(path) ? ReadCsvMap(text, texts, problem) : ReadYamlMap(text, texts, problem);
    if (!read) {
        error = Located(path, problem);
        return false;
    }
    RegisterMap loaded;
    for (const EntryText& entryText : texts) {
        MapEntry entry;
        if (!EntryFromText(entryText, entry, problem)) {
            error = Located(path, problem);
            return false;
        }
        loaded.entries.push_back(entry);
    }
    if (loaded.entries.empty()) {
        error = path + ": the register map has no entries";
        return false;
    }
    const std::vector<std::string> overlaps = OverlapWarnings(path, loaded);
    warnings.insert(warnings.end(), overlaps.begin(), overlaps.end());
    map = std::move(loaded);
    return true;
}
