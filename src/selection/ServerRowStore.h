#pragma once

// Storing one shared row of the local data list in the shared-server list.

#include "catalogue/DataCatalogue.h"

class TDataInfomation;

namespace selection {

// Stores Rec (a shared row of the local list) in the shared-server list with its names. For a
// parent the shared area's information file then takes the row's list name and update lock.
// Rec is taken by value: the server numbers its rows itself, and the local row keeps its slot.
// False when the server row could not be stored.
bool StoreServerRow(TDataSentakuListCtl& Catalogue, TDataListRec Rec, TDataInfomation& Info);

} // namespace selection
