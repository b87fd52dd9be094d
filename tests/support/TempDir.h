#pragma once
// A temporary directory removed with everything in it when the test ends, plus a fixture that
// points the key/value store and the writable path at it so no test touches the user's files.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/FileUtils.h"
#include "platform/UserDefault.h"

namespace nolvo::test {

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nolvo-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Gives each test a store and a writable directory of its own.
class IsolatedStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine::UserDefault::setStoreDirectory(m_dir.file("config"));
        engine::UserDefault::destroyInstance();
        engine::FileUtils::getInstance()->setWritablePath(m_dir.file("data"));
    }
    void TearDown() override
    {
        engine::UserDefault::destroyInstance();
        engine::UserDefault::setStoreDirectory("");
        engine::FileUtils::getInstance()->setWritablePath("");
    }
    // Forgets the in-memory store so the next access reads the file, as a new process would.
    static engine::UserDefault* reopenStore()
    {
        engine::UserDefault::destroyInstance();
        return engine::UserDefault::getInstance();
    }

    TempDir m_dir;
};

} // namespace nolvo::test
