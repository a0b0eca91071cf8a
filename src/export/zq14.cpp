#include "export/zq14.h"

#include "export/XMLSaveDoc.h"

TSyotokuzeiGenkaDataExport::TSyotokuzeiGenkaDataExport(int passedFunctionId,
                                                       const std::string& exportFile)
    : TComDataExport(passedFunctionId, exportFile)
{
}

void TSyotokuzeiGenkaDataExport::SetDataNode(TXmlSaveDoc& doc)
{
    // DATA is always present, empty when there are no rows; the asset rows come from the
    // statement loaders.
    doc.AddNode({}, "DATA");
}
