#include "platform/Registry.h"

#include "platform/IniFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace registry = platform::registry;
using registry::RootKey;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { registry::setStorePath(m_dir / "reg/registry.ini"); }
    void TearDown() override { registry::resetStorePath(); }
    testsupport::TempDir m_dir;
};

} // namespace

TEST_F(RegistryTest, ValuesKeepTheirTypeAndText)
{
    const char* key = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    EXPECT_FALSE(registry::keyExists(RootKey::LocalMachine, key));
    EXPECT_FALSE(registry::readValue(RootKey::LocalMachine, key, "EnableLUA"));
    registry::writeInteger(RootKey::LocalMachine, key, "EnableLUA", 1);
    registry::writeString(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08", "RootDir",
                          "  C:\\Program Files\\会計,\"x\"  ");
    const auto lua = registry::readValue(RootKey::LocalMachine, key, "enablelua");
    ASSERT_TRUE(lua);
    EXPECT_EQ(lua->type, registry::Value::Type::Integer);
    EXPECT_EQ(lua->number, 1);
    const auto dir = registry::readValue(RootKey::LocalMachine, "software\\maker\\ZAIMU08", "ROOTDIR");
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->type, registry::Value::Type::String);
    EXPECT_EQ(dir->text, "  C:\\Program Files\\会計,\"x\"  ");
    // The two roots are apart.
    EXPECT_FALSE(registry::keyExists(RootKey::CurrentUser, key));
    EXPECT_TRUE(registry::keyExists(RootKey::LocalMachine, "SOFTWARE\\MICROSOFT"));
}

TEST_F(RegistryTest, SubkeysListAlphabeticallyAndDeleteWithTheirKey)
{
    registry::writeString(RootKey::LocalMachine, "SOFTWARE\\Maker\\zaimu09", "Version", "9.0.0");
    registry::writeString(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08", "Version", "8.0.0");
    registry::writeString(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08\\Sub", "Type", "x");
    registry::createKey(RootKey::LocalMachine, "SOFTWARE\\Maker\\Empty");
    EXPECT_EQ(registry::subKeys(RootKey::LocalMachine, "SOFTWARE\\maker"),
              (std::vector<std::string>{"Empty", "Zaimu08", "zaimu09"}));
    EXPECT_EQ(registry::valueNames(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08"),
              (std::vector<std::string>{"Version"}));
    registry::deleteValue(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08", "version");
    EXPECT_FALSE(registry::readValue(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08", "Version"));
    registry::deleteKey(RootKey::LocalMachine, "SOFTWARE\\Maker\\ZAIMU08");
    EXPECT_FALSE(registry::keyExists(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08\\Sub"));
    EXPECT_EQ(registry::subKeys(RootKey::LocalMachine, "SOFTWARE\\Maker"),
              (std::vector<std::string>{"Empty", "zaimu09"}));
}

// One damaged entry in the store must not make every other key unreadable; the damaged value
// itself is an error that says where it is.
TEST_F(RegistryTest, AnUndecodableEntryAffectsOnlyItself)
{
    std::filesystem::create_directories(m_dir / "reg");
    testsupport::writeFile(m_dir / "reg/registry.ini",
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Maker\\Zaimu08]\r\nProduct=sz:Zaimu\r\n"
                           "Broken=sz:Za\x85\x40mu\r\nVersion=sz:8.0.1\r\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Maker\\Old\x85\x40]\r\nProduct=sz:x\r\n");
    EXPECT_TRUE(registry::keyExists(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08"));
    EXPECT_EQ(registry::subKeys(RootKey::LocalMachine, "SOFTWARE\\Maker").size(), 2u);
    const auto version = registry::readValue(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08", "Version");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->text, "8.0.1");
    EXPECT_EQ(registry::valueNames(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08").size(), 3u);
    try {
        (void)registry::readValue(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu08", "Broken");
        ADD_FAILURE() << "no error";
    } catch (const platform::IniValueError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("registry.ini"), std::string::npos) << what;
        EXPECT_NE(what.find("SOFTWARE\\Maker\\Zaimu08"), std::string::npos) << what;
        EXPECT_NE(what.find("Broken"), std::string::npos) << what;
    }
    // Writing elsewhere in the store keeps the damaged bytes as they were.
    registry::writeString(RootKey::LocalMachine, "SOFTWARE\\Maker\\Zaimu09", "Product", "y");
    EXPECT_NE(testsupport::readFile(m_dir / "reg/registry.ini").find("Broken=sz:Za\x85\x40mu\r\n"),
              std::string::npos);
}
