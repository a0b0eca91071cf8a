#pragma once

// A data root in a temporary folder mapped as drive D:, with the system database in
// "D:\data" and company databases in "D:\data\0001" and "D:\data\0002", the program-wide
// records set for MORABY, a message recorder and a recorder of program-end requests.

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

class DataModuleFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
        testsupport::FixtureDb::copyTo("company", m_root / "data" / "0001" / "dwacc.fdb");
        testsupport::FixtureDb::copyTo("company", m_root / "data" / "0002" / "dwacc.fdb");
        std::filesystem::create_directories(m_root / "log");
        SystemDef.SysDir = "D:\\data";
        SystemDef.DataDir = "D:\\data\\0001";
        SystemDef.LogFolder = "D:\\log";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.HostName = "buildpc";
        SystemDef.PcName = "buildpc";
        SystemDef.GroupId = 10000;
        SystemDef.LoginId = 100000011;
        m_messages.answerDefaults();
        records::setProgramEndRequest([this] { ++m_endRequests; });
        m_dm = std::make_unique<TDM>();
    }

    void TearDown() override
    {
        m_dm.reset();
        records::setProgramEndRequest({});
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    std::string native(const std::string& relative) const { return (m_root / relative).string(); }

    // The lines of a log file (CP932 with CR LF), as UTF-8.
    std::vector<std::string> logLines(const std::string& name) const
    {
        const auto path = m_root / "log" / name;
        if (!std::filesystem::exists(path))
            return {};
        const std::string text = platform::text::fromCp932(testsupport::readFile(path));
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
            lines.push_back(text.substr(start, at - start));
        EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
        return lines;
    }

    // One value of a single-row query on a connection of the data module.
    static std::string queryOne(firebird::Attachment& db, const std::string& sql)
    {
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        firebird::Cursor c = st.open();
        if (!c.fetch())
            return "<no row>";
        return c.isNull(0) ? "<null>" : c.getString(0);
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    int m_endRequests = 0;
    std::unique_ptr<TDM> m_dm;
};
