// Storing one shared row of the local data list in the shared-server list.
#include "selection/ServerRowStore.h"

#include "records/DataInformation.h"

#include <string>

namespace selection {

bool StoreServerRow(TDataSentakuListCtl& Catalogue, TDataListRec Rec, TDataInfomation& Info)
{
    if (Rec.GASSAN == GassanChild)
        return Catalogue.UpdateServerDataListChildRecord(Rec, 1, false);
    if (!Catalogue.UpdateServerDataListRecord(Rec, 1, false))
        return false;
    Info.WriteIniValue(Rec.PASNAME, "DATAINFO", false, Rec.ENTTEXT, "DATALISTNAME");
    Info.WriteIniValue(Rec.PASNAME, "DATASTS", false, std::to_string(Rec.UPDATE_LOCK), "UPDATE_LOCK");
    return true;
}

} // namespace selection
