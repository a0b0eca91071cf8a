#pragma once

#include "export/DataExport.h"
#include "export/DataMakerBase.h"
#include "export/BlueReturnStatements.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace firebird {
class Transaction;
} // namespace firebird

// Code of EDataExportError for a statement that could not be read: no file is written then.
inline constexpr int kStatementLoadFailed = 3;

// The names of the 26 children of SISAN, in their order.
extern const std::array<const char*, 26> kZq14SisanItemNames;
// The element of one exported asset row.
inline constexpr const char* kZq14SisanNodeName = "SISAN";
// The name of an asset whose details are kept elsewhere (half-width parentheses).
inline constexpr const char* kMeisaiBettoHokan = "(明細は別途保管)";

// One exported asset row: the 26 texts of SISAN in order.
using TZQ14_G_ITEM2 = std::array<std::string, 26>;

// TSyotokuZeiDataMake: turns the statement's two asset lists into SISAN rows.
class TSyotokuZeiDataMake : public TZaimuDataLoad {
public:
    TSyotokuZeiDataMake();
    ~TSyotokuZeiDataMake() override;

    // Takes ownership of the loader matching the code system (none for another code system).
    void setLoader(std::unique_ptr<TKojinKessansyoIO> loader);

    // Writes DATA with one SISAN per row, each written as it is made (Rows stays empty); returns
    // the result code (1 when the rows were built). Raises EDataExportError 4 for an asset
    // without acquisition date.
    int WriteDataNode(TXmlSaveDoc& doc);
    int CountRows() const;
    // Fills Rows with every row.
    void MakeSisanRows();

    int ResultCode = 0;
    int CodeSystem = 0;
    bool SpareFlag = false;
    std::vector<TZQ14_G_ITEM2> Rows;

private:
    // Makes the rows in file order and hands each to take.
    void forEachSisanRow(const std::function<void(TZQ14_G_ITEM2&&)>& take) const;
    const TGenkaSyokyakuRecArray* genkaList() const;
    const TGenkaSyokyakuRecArray* smallList() const;
    std::unique_ptr<TKojinKessansyoIO> m_loader;
};

// The 26 texts of one asset row; EDataExportError 4 when it has no acquisition date. Amounts
// round by the company's SDAI_HASUU1 (AccInf).
TZQ14_G_ITEM2 MakeSisanRow(const TGenkaSyokyakuRec& row);

// True for an asset-list row the linkage file leaves out: details kept elsewhere, or the
// statement's own small-asset summary (the maker writes its own summary row instead).
bool isZq14SkippedRow(const TGenkaSyokyakuRec& row);

// TSyotokuzeiGenkaDataExport: the export object of this program, for the depreciable assets of an
// individual's blue-return statement (business kind "ST_G", prefix "ZQ14").
class TSyotokuzeiGenkaDataExport : public TComDataExport {
public:
    TSyotokuzeiGenkaDataExport(int passedFunctionId, const std::string& exportFile);

    // The company database's transaction all reads of one export run in (started and committed
    // around them unless the caller holds it open); the data module's snapshot transaction when
    // none is set.
    void setCompanyTransaction(firebird::Transaction& transaction) { m_transaction = &transaction; }
    // Told the count of assets read so far while DATA is being built.
    void setAssetProgress(std::function<void(int done)> progress)
    {
        m_assetProgress = std::move(progress);
    }

    // Writes DATA with one SISAN per exported asset row; raises EDataExportError.
    void SetDataNode(TXmlSaveDoc& doc) override;

private:
    firebird::Transaction* m_transaction = nullptr;
    std::function<void(int done)> m_assetProgress;
};
