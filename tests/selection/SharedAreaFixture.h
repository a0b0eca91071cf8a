// The shared-area dialog's test fixture: a shared drive Z: (remote, a temporary folder with
// "morabyzaimu" and three areas), beside a local drive Y: with the folder and a remote drive X:
// without it.
#pragma once

#include "DataSelectionFixture.h"

#include "platform/SharedDrives.h"
#include "selection/ServerSelectionDialog.h"

#include <string>

namespace seltest {

namespace files = platform::files;

inline const std::string kRoot = "Z:\\morabyzaimu";
inline std::string area(const std::string& name) { return kRoot + "\\" + name; }

struct AreaInfo {
    AreaInfo(std::string name_, std::string code_ = "0001", int gassan_ = 0, int status_ = 1, int shareStatus_ = 1,
             int opCode_ = 0, std::string opName_ = "", int totalSiwake_ = 10)
        : name(std::move(name_)), code(std::move(code_)), gassan(gassan_), status(status_),
          shareStatus(shareStatus_), opCode(opCode_), opName(std::move(opName_)), totalSiwake(totalSiwake_)
    {
    }
    std::string name; // DATALISTNAME and SHOUGOU
    std::string code;
    int gassan;
    int status;
    int shareStatus;
    int opCode;
    std::string opName;
    int totalSiwake;
};

class SharedAreaDialogTest : public DataSelectionDialogTest {
protected:
    void SetUp() override
    {
        DataSelectionDialogTest::SetUp();
        for (const char* d : {"z", "y", "x"})
            std::filesystem::create_directories(m_root / d);
        paths::mapDrive('Z', m_root / "z", true, "\\\\FILESV\\share");
        paths::mapDrive('Y', m_root / "y");
        paths::mapDrive('X', m_root / "x", true, "\\\\OTHER\\share");
        files::createDirectories("Y:\\morabyzaimu\\sv0001");
        writeArea(area("sv0001"), {"テスト商事"}, "data of sv0001");
        files::createDirectories(area("sv0002"));
        writeArea(area("sv0003"), {"連結商事", "0003", 1}, "data of sv0003");
        files::createDirectories(area("sv0003\\001"));
        writeArea(area("sv0003\\002"), {"連結商事支店", "0003", 10}, "data of sv0003 002");
        SystemDef.IniFileName = "C:\\ZAIMU\\ini\\Zetrino.ini";
        files::createDirectories("C:\\ZAIMU\\ini");
    }

    static void writeArea(const std::string& folder, const AreaInfo& a, const std::string& data)
    {
        files::createDirectories(folder);
        files::writeAllAtomic(paths::join(folder, DataFile), data);
        platform::IniFile ini(paths::join(folder, DataIniFile), platform::IniFile::WriteMode::Deferred);
        ini.writeInteger("DATASTS", "STATUS", a.status);
        ini.writeInteger("DATASTS", "SHARE_STATUS", a.shareStatus);
        ini.writeInteger("DATASTS", "OPCODE", a.opCode);
        ini.writeString("DATASTS", "OPERATOR", a.opName);
        ini.writeInteger("DATASTS", "SHARE_OPCODE", a.shareStatus == 2 ? a.opCode : 0);
        ini.writeString("DATASTS", "SHARE_OPERATOR", a.shareStatus == 2 ? a.opName : "");
        ini.writeString("DATAINFO", "DATALISTNAME", a.name);
        ini.writeString("DATAINFO", "SHOUGOU", a.name);
        ini.writeString("DATAINFO", "CODE", a.code);
        ini.writeInteger("DATAINFO", "DATAKBN", 2);
        ini.writeInteger("DATAINFO", "CODEKBN", 1);
        ini.writeInteger("DATAINFO", "NENDO", 5);
        ini.writeString("DATAINFO", "KISHU", "2024/04/01");
        ini.writeString("DATAINFO", "KIMATU", "2025/03/31");
        ini.writeInteger("DATAINFO", "TOTALSIWAKE", a.totalSiwake);
        ini.writeString("DATAINFO", "VERSION1", "8.0.0");
        ini.writeString("DATAINFO", "VERSION2", "Ver8.0");
        ini.writeInteger("DATAINFO", "GASSANKBN", a.gassan);
        ini.updateFile();
    }

    static std::string iniValue(const std::string& folder, const char* section, const char* key)
    {
        return platform::IniFile(paths::join(folder, DataIniFile)).readString(section, key, "");
    }
    static void setIni(const std::string& folder, const char* section, const char* key, const std::string& v)
    {
        platform::IniFile ini(paths::join(folder, DataIniFile), platform::IniFile::WriteMode::Deferred);
        ini.writeString(section, key, v);
        ini.updateFile();
    }

    std::unique_ptr<TServerSentakuBox> prepared(const std::string& letter = "Z")
    {
        auto box = std::make_unique<TServerSentakuBox>(nullptr);
        box->DriveLetter = letter;
        box->Prepare(1);
        box->resize(900, 540);
        box->show();
        QCoreApplication::processEvents();
        return box;
    }

    // The grid row of a parent's folder name ("sv0001"), -1 when not listed.
    static int rowOf(TServerSentakuBox& box, const std::string& name)
    {
        auto& m = box.PerfectGrid1()->model();
        for (int r = 0; r < m.rowCount(); ++r)
            if (!m.cellText(r, 0).isEmpty() && m.cellText(r, 5).toStdString() == area(name))
                return r;
        return -1;
    }

    static void choose(TServerSentakuBox& box, const std::string& name)
    {
        const int row = rowOf(box, name);
        ASSERT_GE(row, 0) << name;
        box.PerfectGrid1()->setCurrentRow(row);
        box.PerfectGrid1()->setFocus();
        box.SetFunctionKeys();
    }

    static QString caption(TServerSentakuBox& box, int key)
    {
        return box.FunctionKey(key)->CaptionA().Caption();
    }

    bool sawText(const std::string& part) const
    {
        for (const auto& b : m_messages.boxes())
            if (b.text.find(part) != std::string::npos)
                return true;
        return false;
    }
};

} // namespace seltest
