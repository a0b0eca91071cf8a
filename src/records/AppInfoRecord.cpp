#include "records/AppInfoRecord.h"

TAppInfoRec AppInfo;
