#pragma once

#include "firebird/Attachment.h"
#include "firebird/Transaction.h"
#include "catalogue/DataCatalogue.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A fresh copy of the fixture system database as the catalogue's database; drive C: on a
// temporary folder (the data root is C:\ZAIMU), drive S: a temporary folder marked remote
// (\\SERVER\share), group 10000, operator 1.
class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs one statement in its own transaction on a second connection.
    void exec(const std::string& sql);
    // The rows of a query as "v1|v2|..." lines, read on a second connection.
    std::vector<std::string> rows(const std::string& sql);
    // A catalogue object in the given connect mode.
    std::unique_ptr<TDataSentakuListCtl> catalogue(std::uint8_t connMode = 0);
    // Native path of a Windows-form path.
    std::string native(const std::string& windowsPath) const;

    // A data set folder: data file with the given bytes and an information file.
    void makeDataSet(const std::string& folder, const std::string& dataBytes, const std::string& shougou,
                     int gassan = 0, int status = 1);

    // Answers the next transfer message with OK and keeps what it showed in m_shareTexts, as
    // "headline\r\rline\rline..."; checks that it is the single-OK box with a red headline.
    void expectShareMessage();

    testsupport::TempDir m_root;
    std::vector<std::string> m_shareTexts;
    testsupport::MessageRecorder m_messages;
    std::string m_dbPath;
    firebird::Attachment m_db;
    std::unique_ptr<firebird::Transaction> m_transaction;
};
