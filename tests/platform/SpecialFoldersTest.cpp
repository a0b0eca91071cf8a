#include "platform/SpecialFolders.h"

#include "support/Environment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::ScopedEnvironment;

namespace {

class SpecialFoldersTest : public ::testing::Test {
protected:
    testsupport::TempDir m_dir;
    ScopedEnvironment m_runtime {platform::kRuntimeFolderVariable, nullptr};
    ScopedEnvironment m_xdg {"XDG_RUNTIME_DIR", nullptr};
    ScopedEnvironment m_tmpdir {"TMPDIR", m_dir.str().c_str()};
    ScopedEnvironment m_temp {"TEMP", nullptr};
};

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

} // namespace

TEST_F(SpecialFoldersTest, RuntimeFolderIsCreatedWhereTheEnvironmentSays)
{
    const std::string uid = std::to_string(::geteuid());
    // Neither override nor XDG_RUNTIME_DIR: a private folder in the system temporary folder.
    EXPECT_EQ(platform::runtimeFolder(), m_dir.str() + "/zetrino-" + uid);
    EXPECT_EQ(modeOf(m_dir.str() + "/zetrino-" + uid), 0700u);

    {
        ScopedEnvironment xdg("XDG_RUNTIME_DIR", (m_dir.str() + "/xdg/").c_str());
        fs::create_directory(m_dir / "xdg");
        EXPECT_EQ(platform::runtimeFolder(), m_dir.str() + "/xdg/zetrino");
        EXPECT_TRUE(fs::is_directory(m_dir / "xdg" / "zetrino"));

        // The override wins, and its parents are made.
        const std::string chosen = m_dir.str() + "/a/b/run";
        ScopedEnvironment runtime(platform::kRuntimeFolderVariable, (chosen + "/").c_str());
        EXPECT_EQ(platform::runtimeFolder(), chosen);
        EXPECT_TRUE(fs::is_directory(chosen));
    }
}

TEST_F(SpecialFoldersTest, RuntimeFolderRefusesAPlantedLink)
{
    const std::string uid = std::to_string(::geteuid());
    fs::create_directory(m_dir / "elsewhere");
    fs::create_directory_symlink(m_dir / "elsewhere", m_dir / ("zetrino-" + uid));
    EXPECT_THROW(platform::runtimeFolder(), std::system_error);
}

TEST_F(SpecialFoldersTest, TemporaryFolderFallsBackWhenTempIsUnset)
{
    struct Case {
        const char* temp; // nullptr: unset
        std::string expected;
    };
    const Case cases[] = {
        {nullptr, m_dir.str()},
        {"", m_dir.str()},
        {"/var/tmp/work", "/var/tmp/work"},
        {"/var/tmp/work/", "/var/tmp/work"},
    };
    for (const auto& c : cases) {
        ScopedEnvironment temp("TEMP", c.temp);
        EXPECT_EQ(platform::temporaryFolder(), c.expected) << (c.temp ? c.temp : "(unset)");
    }
}

// Work files without TEMP go to this user's private folder, never the shared one itself.
TEST_F(SpecialFoldersTest, WorkFolderIsTheConfiguredOneOrAPrivateFolder)
{
    const std::string uid = std::to_string(::geteuid());
    EXPECT_EQ(platform::workFolder("D:\\temp"), "D:\\temp");
    const std::string own = m_dir.str() + "/zetrino-" + uid;
    fs::create_directory(own);
    ::chmod(own.c_str(), 0755);
    EXPECT_EQ(platform::workFolder(""), own);
    EXPECT_EQ(modeOf(own), 0700u) << "tightened when it already existed";
    {
        ScopedEnvironment temp("TEMP", (m_dir.str() + "/t").c_str());
        fs::create_directory(m_dir / "t");
        EXPECT_EQ(platform::privateTemporaryFolder(), m_dir.str() + "/t/zetrino-" + uid);
        EXPECT_TRUE(fs::is_directory(m_dir / "t" / ("zetrino-" + uid)));
    }
    fs::remove(own);
    fs::create_directory(m_dir / "planted");
    fs::create_directory_symlink(m_dir / "planted", own);
    EXPECT_THROW(platform::workFolder(""), std::system_error);
}

TEST_F(SpecialFoldersTest, DataAndDocumentsFolders)
{
    {
        ScopedEnvironment common(platform::kCommonAppDataVariable, nullptr);
        EXPECT_EQ(platform::commonAppDataFolder(), "/var/lib");
    }
    {
        ScopedEnvironment common(platform::kCommonAppDataVariable, "/srv/data/");
        EXPECT_EQ(platform::commonAppDataFolder(), "/srv/data");
    }
    {
        ScopedEnvironment docs(platform::kDocumentsVariable, nullptr);
        ScopedEnvironment home("HOME", m_dir.str().c_str());
        ScopedEnvironment config("XDG_CONFIG_HOME", (m_dir.str() + "/config").c_str());
        EXPECT_EQ(platform::documentsFolder(), m_dir.str() + "/Documents");
    }
    {
        ScopedEnvironment docs(platform::kDocumentsVariable, "/home/someone/書類");
        EXPECT_EQ(platform::documentsFolder(), "/home/someone/書類");
    }
}
