#pragma once

// TZaimuDataLoad: the common base of the product family's data makers. Its fields serve the
// makers that work from a trial balance; the asset data maker (AssetLinkageFile.h) reads none of them.

#include "records/ProgramRecords.h"

#include <cstdint>
#include <string>
#include <vector>

class TZaimuDataLoad {
public:
    TZaimuDataLoad();
    virtual ~TZaimuDataLoad();
    TZaimuDataLoad(const TZaimuDataLoad&) = delete;
    TZaimuDataLoad& operator=(const TZaimuDataLoad&) = delete;

protected:
    std::string m_code1 = " ";
    std::string m_code2 = " ";
    std::int32_t m_values1[5] = {0, 15, 15, 0, 0};
    std::int32_t m_values2[5] = {0, 0, 0, 0, 0};
    std::vector<TBALANCE> m_zandaka;
    std::vector<TQSORT> m_zandakaIndex;
    std::int32_t m_values3[2] = {0, 0};
    std::int32_t m_monthCount = 12;
};
