#pragma once

#include "export/ComDataExp.h"

// TSyotokuzeiGenkaDataExport: the export object of this program, for the depreciable assets of an
// individual's blue-return statement (business kind "ST_G", prefix "ZQ14").
class TSyotokuzeiGenkaDataExport : public TComDataExport {
public:
    TSyotokuzeiGenkaDataExport(int passedFunctionId, const std::string& exportFile);

    // Writes DATA with one SISAN per exported asset row.
    void SetDataNode(TXmlSaveDoc& doc) override;
};
