// Shared set-up of the report engine tests: a started engine with only the PDF printer, the
// documents folder (and so the error log) in a temporary folder, and CP932 print files.
#pragma once

#include "platform/Text.h"
#include "print/ReportComponent.h"
#include "print/ReportEngine.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace printtest {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_docs);
        ::setenv("ZETRINO_DOCUMENTS_DIR", m_docs.c_str(), 1);
        print::JobDef = print::TVL48DEF{};
        ASSERT_TRUE(print::StartReportEngine(false)) << "the report engine did not start";
        print::reportEngine().pageLeft = 0;
        print::reportEngine().pageTop = 0;
    }
    void TearDown() override
    {
        print::StopReportEngine();
        print::JobDef = print::TVL48DEF{};
        ::unsetenv("ZETRINO_DOCUMENTS_DIR");
    }

    // A print file of the given UTF-8 lines, stored as CP932 with CR LF.
    std::string writeFile(const std::string& name, const std::vector<std::string>& lines)
    {
        std::string bytes;
        for (const std::string& l : lines)
            bytes += platform::text::toCp932(l) + "\r\n";
        const auto path = m_dir / name;
        testsupport::writeFile(path, bytes);
        return path.string();
    }

    // The error log decoded, empty when there is none.
    std::string errorLog() const
    {
        const auto path = m_docs / "Vellum48_Error.log";
        if (!std::filesystem::exists(path))
            return {};
        return platform::text::fromCp932(testsupport::readFile(path));
    }

    testsupport::TempDir m_dir;
    std::filesystem::path m_docs = m_dir.path() / "Documents";
};

} // namespace printtest
