#pragma once
// Runs each test in a fresh, empty directory of its own and offers byte-exact file helpers.

#include <gtest/gtest.h>

#include <string>

class FileFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static void WriteBytes(const std::string& fileName, const std::string& bytes);
    static std::string ReadBytes(const std::string& fileName);
    static bool FileExists(const std::string& fileName);

    std::string directory_;

private:
    std::string previousDirectory_;
};
