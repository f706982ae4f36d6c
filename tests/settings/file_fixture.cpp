#include "tests/settings/file_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

void FileFixture::SetUp() {
    previousDirectory_ = fs::current_path().string();
    std::string pattern = (fs::temp_directory_path() / "zep-settings-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    fs::current_path(directory_);
}

void FileFixture::TearDown() {
    fs::current_path(previousDirectory_);
    std::error_code error;
    fs::permissions(directory_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(directory_, error);
}

void FileFixture::WriteBytes(const std::string& fileName, const std::string& bytes) {
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string FileFixture::ReadBytes(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool FileFixture::FileExists(const std::string& fileName) {
    return fs::exists(fileName);
}
