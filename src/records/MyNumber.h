#pragma once

// Individual-number (マイナンバー) settings of a company database, their management log and the
// management password prompt.

#include "platform/CoreTypes.h"

#include <cstdint>
#include <string>
#include <vector>

// One entry of MYNUMBER_LOG.
struct TMyNumberLogRec {
    platform::TDateTime FHIZUKE = 0; // 0: not stamped yet
    std::string FSERIAL;
    std::string FOPCODE;
    std::string FOPNAME;
    std::string FHOST;      // at most 30 bytes
    std::uint8_t FSTATE = 0; // 0 to 7
    std::string FPROCNAME;  // at most 40 bytes
    std::string FCOMMENT;   // at most 100 bytes
};

using TMyNumberLogList = std::vector<TMyNumberLogRec>;

// Reads, clears and writes back the settings ＃USE, ＃KEY and ＃VALUE of a company database and
// keeps its log. Works on DM's company database; the calls that take a database file open it
// for the call when it is not the one connected.
class TMyNumberIO {
public:
    TMyNumberIO();

    // Fills an entry for the signed-in operator.
    void SetLogRec(TMyNumberLogRec& Rec, int State, const std::string& ProcName) const;
    // Inserts into the open company database's log; a unique-key clash retries with a fresh
    // time stamp, at most four inserts in all.
    void AddLog(TMyNumberLogRec& Rec);
    void AddLogTo(TMyNumberLogRec& Rec, const std::string& Host, const std::string& DbFile);
    // Order 1: newest first.
    void ReadLog(int Order);
    void ReadLogOf(const std::string& Host, const std::string& DbFile);
    // Adds the kept entries missing in DbFile's log, when DbFile holds the same company.
    void MergeLog(const std::string& Host, const std::string& DbFile);
    void DeleteLog(const TMyNumberLogRec& Rec);
    // Mode "MYNUMBER_CLEAR" (any case) also clears the settings in the data and logs that.
    void ReadSettings(const std::string& Host, const std::string& DbFile, const std::string& Mode,
                      const std::string& ProcName);
    // Writes the held settings back (only while UseSwitch is 1) and removes the clearing's
    // log entry.
    void WriteSettings(const std::string& Host, const std::string& DbFile);

    std::string CompanyName;
    std::int32_t LogCount = 0;
    TMyNumberLogList LogList;
    TMyNumberLogRec CurrentLog;
    std::uint8_t UseSwitch = 0;
    std::string KeyText;   // restored ＃KEY
    std::string ValueText; // restored ＃VALUE

private:
    template <typename Work>
    void onDataFile(const std::string& Host, const std::string& DbFile, bool testExists,
                    Work&& work);

    // A stored ＃KEY or ＃VALUE that does not restore is kept in its stored form and written
    // back unchanged, so a clearing read never loses it.
    std::string m_storedKey;
    std::string m_storedValue;
};

// Asks for the individual-number management password (three attempts); true at once for an
// operator who is not the individual-number administrator.
bool ConfirmMyNumberPassword(const std::string& Password);
