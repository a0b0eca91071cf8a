#pragma once

#include "records/AppInfoRecord.h"

#include <string>

// Loading "AppInfo.ini" into the program-wide AppInfo (records/AppInfoRecord.h).

// LoadAppInfo results.
inline constexpr int kAppInfoLoaded = 1;
inline constexpr int kAppInfoMissing = 0;      // record left as it was
inline constexpr int kAppInfoReadFailed = -10; // record left as it was; error tells why

// Loads "AppInfo.ini" from the folder of programPath (the program's own file name, Windows or
// native form). An OEM that is missing, empty or "-" gives the built-in defaults in every
// field; any other OEM takes every key as the file gives it (missing texts empty, missing or
// invalid integers 0, DataListCnt 120). A file that cannot be read, or a value in it that does not
// decode as CP932, leaves the record as it was; error (when given) receives the reason, naming
// the file, section and key of a bad value.
int LoadAppInfo(const std::string& programPath, TAppInfoRec& info, std::string* error = nullptr);
// The built-in defaults of the standard edition in every field.
void SetAppInfoDefaults(TAppInfoRec& info);

// The OEM partner's edition.
inline constexpr const char* kLumeranOem = "LumeranData";
// Sets LumeranDataFlag to 1 when the OEM is the partner's; otherwise leaves it alone.
void applyOemSwitch(const TAppInfoRec& info);
