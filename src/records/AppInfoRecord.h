#pragma once

#include <cstdint>
#include <string>

// TAppInfoRec: what "AppInfo.ini" says about the product family and edition the program runs in.
// One member struct per section of the file, one field per key, in the file's order; texts are
// UTF-8. Loaded by LoadAppInfo (ui/AppInfoLoader.h) at start-up and read-only afterwards.
struct TAppInfoRec {
    struct ApplicationSection {
        std::string OEM;            // "-" or empty: the standard edition
        std::string Since;
        std::string RegKey;         // maker's registry key, e.g. "\SOFTWARE\QUELTO"
        std::string Ravo;
        std::string RavoAlias;
        std::int32_t VerMajorDiff = 0;
        std::int32_t VerMinorDiff = 0;
        std::int32_t VerRevDiff = 0;
        std::string VerTest;        // suffix of the product-kind code
        std::int32_t OptionBlind = 0;
        std::string OptionURL;
        std::int32_t DivedaviBlind = 0;
        friend bool operator==(const ApplicationSection&, const ApplicationSection&) = default;
    };
    struct CompanySection {
        std::string Name;
        std::string ZipCode;
        std::string Addr;
        std::string TEL;
        std::string FAX;
        std::string Mail;
        std::string URL;
        friend bool operator==(const CompanySection&, const CompanySection&) = default;
    };
    struct ZaimuSection {
        std::string AppName;        // the settings file is AppName + ".ini" in the data root
        std::string AppTitle;
        std::string AppTitle_CL;
        std::string RegKey;
        std::string HomeDir;
        std::string ShareDir;
        std::string ServerDir;
        std::string ServerTempDir;
        std::string DataDefFile;
        std::string DataFile;
        std::string DataBackupFile;
        std::string DataInitFile;   // printf format taking one number
        std::string DataIniFile;
        std::int32_t DataListCnt = 0;
        friend bool operator==(const ZaimuSection&, const ZaimuSection&) = default;
    };
    struct VEradiSection {
        std::string AppTitle;
        std::string DataDir;
        std::string WriteDirFmt;
        friend bool operator==(const VEradiSection&, const VEradiSection&) = default;
    };
    struct VeltorinSection {
        std::string AppTitle;
        std::string RegKey;
        std::string HomeDir;
        friend bool operator==(const VeltorinSection&, const VeltorinSection&) = default;
    };
    struct DivedaviSection {
        std::string AppTitle;
        std::string RegKey;
        std::string DataDir;
        std::string DataBackupFile;
        friend bool operator==(const DivedaviSection&, const DivedaviSection&) = default;
    };
    struct MenuSection {
        std::string DataCon;
        std::string DataCon01;
        std::string DataCon02;
        std::string DataCon03;
        std::string DataConRavo01;
        std::string DataConRavo02;
        friend bool operator==(const MenuSection&, const MenuSection&) = default;
    };

    ApplicationSection Application;
    CompanySection Company;
    ZaimuSection Zaimu;
    VEradiSection VEradi;
    VeltorinSection Veltorin;
    DivedaviSection Divedavi;
    MenuSection Menu;

    friend bool operator==(const TAppInfoRec&, const TAppInfoRec&) = default;
};

// The program-wide application information; empty until start-up loads it.
extern TAppInfoRec AppInfo;
