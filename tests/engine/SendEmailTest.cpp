// Application::sendEmail against a fake xdg-email placed first on PATH.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/app/Application.h"

namespace {

class SendEmailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/nolvo-mail-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        argsFile = dir + "/args";
        // The fake records its arguments one per line and exits with $FAKE_MAIL_STATUS.
        const std::string script = dir + "/xdg-email";
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << argsFile
                              << "'\nexit ${FAKE_MAIL_STATUS:-0}\n";
        chmod(script.c_str(), 0755);
        attachment = dir + "/Nolvo_log.csv";
        std::ofstream(attachment) << "a,b\n";
        const char* path = std::getenv("PATH");
        oldPath = path ? path : "";
        setenv("PATH", (dir + ":" + oldPath).c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", oldPath.c_str(), 1);
        unsetenv("FAKE_MAIL_STATUS");
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    std::string recordedArgs() const
    {
        std::ifstream in(argsFile);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir, argsFile, attachment, oldPath;
};

TEST_F(SendEmailTest, PassesSubjectBodyAttachmentAndRecipientAsSeparateArguments)
{
    // Shell metacharacters must arrive as plain text: no shell is involved.
    ASSERT_TRUE(engine::Application::sendEmail("user@example.com", "Log; rm -rf ~", "see $HOME `x`", attachment));
    EXPECT_EQ(recordedArgs(), "--utf8\n--subject\nLog; rm -rf ~\n--body\nsee $HOME `x`\n--attach\n" + attachment +
                                  "\nuser@example.com\n");
}

TEST_F(SendEmailTest, AnyNonZeroExitIsAFailure)
{
    for (const char* status : {"1", "3", "4"}) {
        setenv("FAKE_MAIL_STATUS", status, 1);
        EXPECT_FALSE(engine::Application::sendEmail("", "s", "b", attachment)) << status;
    }
}

TEST_F(SendEmailTest, MissingAttachmentOrToolIsAFailure)
{
    EXPECT_FALSE(engine::Application::sendEmail("", "s", "b", dir + "/missing.csv"));
    EXPECT_EQ(recordedArgs(), "");  // never ran
    // A link is not an attachment, whatever it points at.
    symlink(attachment.c_str(), (dir + "/link.csv").c_str());
    EXPECT_FALSE(engine::Application::sendEmail("", "s", "b", dir + "/link.csv"));
    EXPECT_EQ(recordedArgs(), "");
    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(engine::Application::sendEmail("", "s", "b", attachment));
}

TEST_F(SendEmailTest, RecipientThatLooksLikeAnOptionIsRefused)
{
    EXPECT_FALSE(engine::Application::sendEmail("--attach=/etc/passwd", "s", "b", attachment));
    EXPECT_EQ(recordedArgs(), "");
}

} // namespace
