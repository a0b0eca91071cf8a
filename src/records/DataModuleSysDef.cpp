// Operator settings of the data module (see DataModule.h).
#include "records/DataModule.h"

#include "firebird/DatabaseError.h"
#include "records/DbErrorHandler.h"
#include "records/DbHelpers.h"
#include "records/TextRoutines.h"
#include "records/ProgramRecords.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <charconv>
#include <optional>
#include <stdexcept>

namespace {

using firebird::StartedHere;

void rollbackQuietly(firebird::Transaction& t) noexcept
{
    try {
        if (t.inTransaction())
            t.rollback();
    } catch (const std::exception&) {
    }
}

// The SYSDEF columns and their SystemDef fields, in column order.
struct IntColumn {
    const char* name;
    int TSystemDef::*field;
};
struct TextColumn {
    const char* name;
    std::string TSystemDef::*field;
};

const IntColumn kIntColumns[] = {
    {"FONTSIZE", &TSystemDef::FontSize}, {"FONTSTYLE", &TSystemDef::FontStyle},
    {"FONTCHARSET", &TSystemDef::FontCharSet}, {"FONTHEIGHT", &TSystemDef::FontHeight},
    {"GRIDRESIZE", &TSystemDef::GridResize}, {"SHOWHINT", &TSystemDef::ShowHint},
    {"GRIDMAXROW", &TSystemDef::GridMaxRow}, {"GRIDRSIZ", &TSystemDef::GridRsiz},
    {"PANELCOLOR", &TSystemDef::PanelColor}, {"PANELBACKCOLOR", &TSystemDef::PanelBackColor},
    {"MENUPRINTSW", &TSystemDef::MenuPrintSw}, {"COLHEADERCOLOR", &TSystemDef::ColHeaderColor},
    {"FIXEDTOPCOLOR", &TSystemDef::FixedTopColor}, {"ROWHEADERCOLOR", &TSystemDef::RowHeaderColor},
    {"FIXEDLEFTCOLOR", &TSystemDef::FixedLeftColor}, {"ACTIVECOLOR", &TSystemDef::ActiveColor},
    {"CLIENTCOLOR", &TSystemDef::ClientColor}, {"CLIENTCOLOR1", &TSystemDef::ClientColor1},
    {"CLIENTCOLOR2", &TSystemDef::ClientColor2}, {"CLIENTCOLOR3", &TSystemDef::ClientColor3},
    {"TOTALCOLOR", &TSystemDef::TotalColor},
    {"COLHEADERGRADCOLOR1", &TSystemDef::ColHeaderGradColor1},
    {"COLHEADERGRADCOLOR2", &TSystemDef::ColHeaderGradColor2},
    {"FORECOLOR", &TSystemDef::ForeColor}, {"BORDERCOLOR", &TSystemDef::BorderColor},
    {"THRUBORDERCOLOR", &TSystemDef::ThruBorderColor}, {"PREVIEWZOOM", &TSystemDef::PreviewZOOM},
    {"NETCOLOR1", &TSystemDef::NetColor1}, {"NETCOLOR2", &TSystemDef::NetColor2},
    {"PLINECOLOR1", &TSystemDef::PLineColor1}, {"PLINECOLOR2", &TSystemDef::PLineColor2},
    {"HOJWAIT", &TSystemDef::HojWait}, {"DICSWITCH", &TSystemDef::DicSwitch},
    {"DICTEKAUTO", &TSystemDef::DicTekAuto}, {"DICTORAUTO", &TSystemDef::DicTorAuto},
    {"DICUSEDNT", &TSystemDef::DicUsednt}, {"DICTYPE", &TSystemDef::DicType},
    {"DICNUM1", &TSystemDef::DicNum1}, {"DICNUM2", &TSystemDef::DicNum2},
    {"DICSORTTYPE", &TSystemDef::DicSortType}, {"TEK_AUTOUP", &TSystemDef::TEK_AUTOUP},
    {"TOR_AUTOUP", &TSystemDef::TOR_AUTOUP}, {"USERPRINT", &TSystemDef::UserPrint},
    {"SWKTOTAL", &TSystemDef::SwkTotal}, {"SWKLINE", &TSystemDef::SwkLine},
    {"RESERVE3", &TSystemDef::Reserve3}, {"RESERVE1", &TSystemDef::Reserve1},
    {"KINGAKUPLUS", &TSystemDef::KingakuPlus}, {"ZEROPRINT", &TSystemDef::ZeroPrint},
    {"SANKAKUPLUS", &TSystemDef::SankakuPlus}, {"RESERVE2", &TSystemDef::Reserve2},
    {"RESERVE4", &TSystemDef::Reserve4}, {"RESERVE5", &TSystemDef::Reserve5},
    {"MFTOP", &TSystemDef::MFTop}, {"MFLEFT", &TSystemDef::MFLeft},
    {"MFWIDTH", &TSystemDef::MFWidth}, {"MFHEIGHT", &TSystemDef::MFHeight},
    {"SHOWDATASENTAKU", &TSystemDef::ShowDataSentaku}, {"LASTMENU", &TSystemDef::LastMenu},
};
const TextColumn kTextColumns[] = {
    {"FONTNAME", &TSystemDef::FontName}, {"PRINTERNAME", &TSystemDef::PrinterName},
    {"SSTR", &TSystemDef::SSTR}, {"ZENKAIDRIVE", &TSystemDef::ZenkaiDrive},
    {"DATADIR", &TSystemDef::DataDir},
};

bool bit(int value, int n) { return ((value >> (n - 1)) & 1) != 0; }

// SYSREG text -> value by type; an empty text reads as one blank.
records::Variant sysRegValue(const std::string& type, std::string text)
{
    if (text.empty())
        text = " ";
    if (type == "文字")
        return records::Variant::fromText(text);
    if (type == "論理")
        return records::Variant::fromBool(text == "TRUE");
    if (type == "日付")
        return records::Variant::fromDate(StrToDateDef0(text));
    if (type == "整数") {
        std::size_t b = text.find_first_not_of(' ');
        std::int64_t n = 0;
        if (b == std::string::npos)
            return records::Variant::fromInt(0);
        const char* end = text.data() + text.size();
        auto r = std::from_chars(text.data() + b + (text[b] == '+' ? 1 : 0), end, n);
        return records::Variant::fromInt(r.ec == std::errc() && r.ptr == end ? n : 0);
    }
    if (type == "金額")
        return records::Variant::fromCurrency(StrToCurrDef0(text));
    return records::Variant::fromText("Data Type Error");
}

// Binds the value's text for the type to :STEXT; another type binds nothing (NULL).
void bindSysRegValue(firebird::Statement& st, const std::string& type, const records::Variant& v)
{
    if (type == "文字")
        st.setString("STEXT", v.asText());
    else if (type == "論理")
        st.setString("STEXT", v.asBool() ? "TRUE" : "FALSE");
    else if (type == "日付")
        st.setString("STEXT", v.asDate() == 0 ? std::string() : DateToText(4, v.asDate()));
    else if (type == "整数")
        st.setString("STEXT", std::to_string(v.asInt()));
    else if (type == "金額")
        st.setString("STEXT", records::currencyText(v.asCurrency()));
}

// The value of a name=value line of a text.
std::string lineValue(const std::string& text, const std::string& name)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0
            && line[name.size()] == '=')
            return line.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

} // namespace

void TDM::funcGetSysReg(const std::string& SCode, const std::string& SType,
                        const std::string& Default, int OpCode, records::Variant& Value)
{
    static const std::string kFailed = "システム共通変数の取得に失敗しました。";
    std::optional<StartedHere> tr; // a failing start is reported like any other failure
    try {
        tr.emplace(IBTransactionDEF);
        QueryDef.setSql("SELECT STEXT FROM SYSREG WHERE OPCODE=:OPCODE AND SCODE=:SCODE ");
        QueryDef.setInt("OPCODE", OpCode);
        QueryDef.setString("SCODE", SCode);
        std::string text;
        bool found = false;
        {
            firebird::Cursor c = QueryDef.open();
            if (c.fetch()) {
                found = true;
                text = c.getString("STEXT");
            }
        }
        if (!found) {
            QueryDef.setSql("INSERT INTO SYSREG(OPCODE,SCODE,STYPE,STEXT) "
                            "VALUES(:OPCODE,:SCODE,:STYPE,:STEXT )");
            QueryDef.setInt("OPCODE", OpCode);
            QueryDef.setString("SCODE", SCode);
            QueryDef.setString("STYPE", SType);
            QueryDef.setString("STEXT", Default);
            QueryDef.execute();
            text = Default;
        }
        Value = sysRegValue(SType, text);
        tr->commit();
    } catch (const firebird::DatabaseError& e) {
        Value = records::Variant();
        tr.reset();
        HandleDbError(e, "TDM.funcGetSysReg", kFailed, true);
    } catch (const std::exception& e) {
        Value = records::Variant();
        tr.reset();
        ShowErrorDialog(kFailed, e.what(), 1);
    }
}

void TDM::GetSysRegOfOperator(const std::string& SCode, const std::string& SType,
                              const std::string& Default, records::Variant& Value)
{
    funcGetSysReg(SCode, SType, Default, SystemDef.LoginId, Value);
}

void TDM::funcPutSysReg(const std::string& SCode, const std::string& SType,
                        const records::Variant& Value, int OpCode)
{
    static const std::string kFailed = "システム共通変数の保存に失敗しました。";
    std::optional<StartedHere> tr; // a failing start is reported like any other failure
    try {
        tr.emplace(IBTransactionDEF);
        QueryDef.setSql("UPDATE SYSREG SET STEXT=:STEXT WHERE OPCODE=:OPCODE AND SCODE=:SCODE ");
        QueryDef.clearParameters();
        bindSysRegValue(QueryDef, SType, Value);
        QueryDef.setInt("OPCODE", OpCode);
        QueryDef.setString("SCODE", SCode);
        QueryDef.execute();
        tr->commit();
    } catch (const firebird::DatabaseError& e) {
        tr.reset();
        HandleDbError(e, "TDM.funcPutSysReg", kFailed, true);
    } catch (const std::exception& e) {
        tr.reset();
        ShowErrorDialog(kFailed, e.what(), 1);
    }
}

void TDM::PutSysRegOfOperator(const std::string& SCode, const std::string& SType,
                              const records::Variant& Value)
{
    funcPutSysReg(SCode, SType, Value, SystemDef.LoginId);
}

bool TDM::GetSysIni(TSystemIniRec& Rec)
{
    static const std::string kFailed = "システム情報の取得に失敗しました。\rアプリケーションを終了します。";
    Rec.RESERVE1 = Rec.RESERVE2 = Rec.RESERVE3 = Rec.RESERVE4 = Rec.RESERVE5 = 0;
    const bool wasActive = IBTransactionDEF.inTransaction();
    std::optional<StartedHere> tr; // a failing start is reported like any other failure
    try {
        tr.emplace(IBTransactionDEF);
        IBQSysDefGet.setSql("SELECT RESERVE1,RESERVE2,RESERVE3,RESERVE4,RESERVE5,SSTR FROM SYSTEMINI\n"
                            "WHERE REC=:REC");
        IBQSysDefGet.setInt("REC", Rec.REC);
        {
            firebird::Cursor c = IBQSysDefGet.open();
            int rows = 0;
            TSystemIniRec found = Rec;
            while (c.fetch()) {
                if (++rows == 1) {
                    found.RESERVE1 = c.getInt("RESERVE1");
                    found.RESERVE2 = c.getInt("RESERVE2");
                    found.RESERVE3 = c.getInt("RESERVE3");
                    found.RESERVE4 = c.getInt("RESERVE4");
                    found.RESERVE5 = c.getInt("RESERVE5");
                    found.SSTR = c.getString("SSTR");
                }
            }
            if (rows == 1)
                Rec = found;
        }
        tr->commit();
        return true;
    } catch (const firebird::DatabaseError& e) {
        if (wasActive)
            throw;
        tr.reset();
        HandleDbError(e, "TDM.GetSysIni", kFailed, true);
    } catch (const std::exception& e) {
        if (wasActive)
            throw;
        tr.reset();
        ShowErrorDialog(kFailed, e.what(), 1);
    }
    return false;
}

bool TDM::SetSysIni(const TSystemIniRec& Rec)
{
    static const std::string kFailed =
        "システム情報の書き込みに失敗しました。\r現在のシステム設定は保存されません。";
    const bool wasActive = IBTransactionDEF.inTransaction();
    std::optional<StartedHere> tr; // a failing start is reported like any other failure
    try {
        tr.emplace(IBTransactionDEF);
        IBQSysDefPut.setSql("SELECT COUNT(REC) AS RECCNT FROM SYSTEMINI\nWHERE REC=:REC");
        IBQSysDefPut.setInt("REC", Rec.REC);
        std::int64_t count = 0;
        {
            firebird::Cursor c = IBQSysDefPut.open();
            if (c.fetch())
                count = c.getInt64("RECCNT");
        }
        if (count >= 1)
            IBQSysDefPut.setSql("UPDATE SYSTEMINI SET RESERVE1=:RESERVE1,RESERVE2=:RESERVE2,"
                                "RESERVE3=:RESERVE3,RESERVE4=:RESERVE4,RESERVE5=:RESERVE5,SSTR=:SSTR\n"
                                "WHERE REC=:REC");
        else
            IBQSysDefPut.setSql("INSERT INTO SYSTEMINI(REC,RESERVE1,RESERVE2,RESERVE3,RESERVE4,"
                                "RESERVE5,SSTR)\nVALUES(:REC,:RESERVE1,:RESERVE2,:RESERVE3,"
                                ":RESERVE4,:RESERVE5,:SSTR)");
        IBQSysDefPut.setInt("REC", Rec.REC);
        IBQSysDefPut.setInt("RESERVE1", Rec.RESERVE1);
        IBQSysDefPut.setInt("RESERVE2", Rec.RESERVE2);
        IBQSysDefPut.setInt("RESERVE3", Rec.RESERVE3);
        IBQSysDefPut.setInt("RESERVE4", Rec.RESERVE4);
        IBQSysDefPut.setInt("RESERVE5", Rec.RESERVE5);
        IBQSysDefPut.setString("SSTR", Rec.SSTR);
        IBQSysDefPut.execute();
        tr->commit();
        return true;
    } catch (const firebird::DatabaseError& e) {
        if (wasActive)
            throw;
        tr.reset();
        HandleDbError(e, "TDM.SetSysIni", kFailed, true);
    } catch (const std::exception& e) {
        if (wasActive)
            throw;
        tr.reset();
        ShowErrorDialog(kFailed, e.what(), 1);
    }
    return false;
}

bool TDM::fnIsKanrisya()
{
    return SystemDef.FullRights == 1 || SystemDef.Jimusho || SystemDef.JobLevel == 9;
}

bool TDM::fnGetExistsOpeDefSisetu()
{
    if (fnIsKanrisya())
        return true;
    if (!IBTransactionDAT.inTransaction())
        IBTransactionDAT.start();
    IBQACC1.setSql("SELECT OD.OPCODE,OD.SCODE FROM OPDEFSISETU OD\n"
                   "INNER JOIN OPLICENSE OL ON (OD.OPCODE=OL.OPCODE)\n"
                   "WHERE OD.OPCODE=:OPCODE");
    IBQACC1.setInt("OPCODE", SystemDef.LoginId);
    firebird::Cursor c = IBQACC1.open();
    return c.fetch();
}

bool TDM::fnGetSysDef()
{
    static const std::string kFailed = "システム情報の取得に失敗しました。\rアプリケーションを終了します。";
    TSystemDef& d = SystemDef;
    try {
        if (!IBTransactionDEF.inTransaction())
            IBTransactionDEF.start();
        IBQSysDefGet.setSql("SELECT * FROM SYSDEF WHERE OPCODE=:OPCODE");
        IBQSysDefGet.setInt("OPCODE", d.LoginId);
        bool found = false;
        {
            firebird::Cursor c = IBQSysDefGet.open();
            found = c.fetch();
        }
        if (!found) {
            const bool lumeran = records::isLumeranData();
            const std::array<int, 8> colours = records::defaultColors();
            IBQSysDefPut.setSql(
                "INSERT INTO SYSDEF(OPCODE,SankakuPlus,ColHeaderColor,ColHeaderGradColor1,ColHeaderGradColor2,\n"
                "ClientColor,ClientColor1,ClientColor2,TotalColor,ActiveColor,NetColor1,NetColor2,PLineColor1,PLineColor2,DICSWITCH,DicTekAuto,DicTorAuto)\n"
                "VALUES(:OPCODE,1,:ColHeaderColor,:ColHeaderGradColor1,:ColHeaderGradColor2,\n"
                ":ClientColor,:ClientColor1,:ClientColor2,:TotalColor,:ActiveColor,:NetColor1,:NetColor2,:PLineColor1,:PLineColor2,:DICSWITCH,:DicTekAuto,:DicTorAuto)");
            IBQSysDefPut.setInt("OPCODE", d.LoginId);
            const char* colourNames[] = {"ColHeaderColor", "ColHeaderGradColor1",
                                         "ColHeaderGradColor2", "ClientColor", "ClientColor1",
                                         "ClientColor2", "TotalColor", "ActiveColor"};
            for (std::size_t i = 0; i < colours.size(); ++i)
                IBQSysDefPut.setInt(colourNames[i], colours[i]);
            IBQSysDefPut.setInt("NetColor1", 0xD7FFD7);
            IBQSysDefPut.setInt("NetColor2", 0xD7FFD7);
            IBQSysDefPut.setInt("PLineColor1", 0x007900);
            IBQSysDefPut.setInt("PLineColor2", 0x007900);
            IBQSysDefPut.setInt("DICSWITCH", lumeran ? 2 : 0);
            IBQSysDefPut.setInt("DicTekAuto", lumeran ? 2 : 1);
            IBQSysDefPut.setInt("DicTorAuto", lumeran ? 0 : 1);
            IBQSysDefPut.execute();
            if (lumeran) {
                const std::pair<const char*, int> settings[] = {
                    {"次項目移動区分", 1}, {"科目コード桁数", 0}, {"補助コード桁数", 0},
                    {"部門コード桁数", 1}, {"仕訳日付フォーカス", 1},
                    {"元帳最終行残高出力区", 1}, {"試算表集計出力区分", 1},
                    {"元帳１行出力区分", 0}, {"元帳付箋マーク出力区", 0},
                    {"連想辞書抽出条件区分", 1}};
                for (const auto& [code, value] : settings)
                    PutSysRegOfOperator(code, "整数", records::Variant::fromInt(value));
            }
        }
        {
            firebird::Cursor c = IBQSysDefGet.open();
            if (!c.fetch())
                throw std::runtime_error("SYSDEF row missing");
            for (const IntColumn& col : kIntColumns)
                if (c.hasField(col.name))
                    d.*col.field = c.getInt(col.name);
            for (const TextColumn& col : kTextColumns)
                if (c.hasField(col.name))
                    d.*col.field = c.getString(col.name);
        }
        if (d.ColHeaderGradColor1 == 0)
            d.ColHeaderGradColor1 = 0xFFFFFF;
        if (d.ColHeaderGradColor2 == 0)
            d.ColHeaderGradColor2 = 0xBBBBBB;

        d.Reserve2Flag1 = bit(d.Reserve2, 1);
        d.Reserve2Flag2 = bit(d.Reserve2, 2);
        d.Reserve4Flag1 = bit(d.Reserve4, 1);
        d.Reserve4Flag2 = bit(d.Reserve4, 2);
        d.Reserve4Flag3 = bit(d.Reserve4, 3);
        d.Reserve4Flag4 = bit(d.Reserve4, 4);
        d.Reserve4Flag56 = bit(d.Reserve4, 5) ? 1 : bit(d.Reserve4, 6) ? 2 : 0;
        d.MotoLastBalancePrint = bit(d.Reserve4, 7);
        d.Reserve4Flag8 = bit(d.Reserve4, 8);
        d.Reserve4Flag9 = bit(d.Reserve4, 9);
        d.Reserve4Flag10 = bit(d.Reserve4, 10);
        d.Reserve4Flag11 = bit(d.Reserve4, 11);

        d.OfficeName.clear();
        d.OfficeAddress.clear();
        d.OfficeTel.clear();
        d.OfficeReserve1 = d.OfficeReserve2 = d.OfficeReserve3 = 0;
        TSystemIniRec office;
        office.REC = 10;
        if (GetSysIni(office)) {
            d.OfficeName = lineValue(office.SSTR, "NAME");
            d.OfficeAddress = lineValue(office.SSTR, "JYUSHO");
            d.OfficeTel = lineValue(office.SSTR, "TEL");
            d.OfficeReserve1 = office.RESERVE1;
            d.OfficeReserve2 = office.RESERVE2;
            d.OfficeReserve3 = office.RESERVE3;
        }
        d.FullRights = 0;
        TSystemIniRec rights;
        rights.REC = 20;
        if (GetSysIni(rights))
            d.FullRights = rights.RESERVE1;

        d.NextItemMove = 0;
        d.KamokuCodeLen = d.HojoCodeLen = d.BumonCodeLen = 0;
        d.SwkDateFocus = 2;
        d.SisanTotalPrint = d.MotoOneLinePrint = d.MotoFusenPrint = d.RensouJokenKubun = 0;

        records::Variant v;
        auto readInt = [&](const char* code, int fallback) {
            GetSysRegOfOperator(code, "整数", std::to_string(fallback), v);
            return static_cast<int>(v.asInt());
        };
        auto readText = [&](const char* code, const char* fallback) {
            GetSysRegOfOperator(code, "文字", fallback, v);
            return v.asText();
        };
        const bool lumeran = records::isLumeranData();
        if (lumeran) {
            d.NextItemMove = readInt("次項目移動区分", 1);
            d.KamokuCodeLen = static_cast<std::uint8_t>(readInt("科目コード桁数", 0));
            d.HojoCodeLen = static_cast<std::uint8_t>(readInt("補助コード桁数", 0));
            d.BumonCodeLen = static_cast<std::uint8_t>(readInt("部門コード桁数", 1));
            d.SwkDateFocus = static_cast<std::uint8_t>(readInt("仕訳日付フォーカス", 1));
            d.MotoLastBalancePrint = 1;
            d.SisanTotalPrint = 1;
            d.MotoOneLinePrint = readInt("元帳１行出力区分", 0);
            d.MotoFusenPrint = readInt("元帳付箋マーク出力区", 0);
            d.RensouJokenKubun = readInt("連想辞書抽出条件区分", 1);
        }
        d.MotoLastBalancePrint = readInt("元帳最終行残高出力区", d.MotoLastBalancePrint);
        d.SisanTotalPrint = readInt("試算表集計出力区分", d.SisanTotalPrint);
        d.MotoTitlePrint = readInt("元帳タイトル出力区分", lumeran ? 1 : 0);
        d.SisanBsPageBreak = readInt("試算表ＢＳ改ページ区", lumeran ? 0 : 1);
        d.SisanTitlePrint = readInt("試算表タイトル出力区", lumeran ? 1 : 0);
        d.SisanKikanPrint = readInt("試算表期間出力区分", lumeran ? 1 : 0);
        d.SisanTitle = readText("試算表タイトル", "試　算　表");
        d.Sisan2Title = readText("２期試算表タイトル", "２期比較試算表");
        d.BsTitles[0] = readText("全科目ＢＳタイトル", "資産・負債・純資産");
        d.AssetTitles[0] = readText("全科目資産タイトル", "資産の部");
        d.LiabilityTitles[0] = readText("全科目負債タイトル", "負債・純資産の部");
        d.PlTitles[0] = readText("全科目ＰＬタイトル", "損益");
        d.HanbaihiTitles[0].clear();
        d.AssetTitles[1] = readText("定形A4資産タイトル", "資産の部");
        d.LiabilityTitles[1] = readText("定形A4負債タイトル", "負債・純資産の部");
        d.PlTitles[1] = readText("定形A4ＰＬタイトル", "損益");
        d.HanbaihiTitles[1] = readText("定形A4販売費タイトル", "販売費・一般管理費");
        d.BsTitles[1].clear();
        d.BsTitles[2] = readText("定形A3ＢＳタイトル", "資産・負債・純資産");
        d.PlTitles[2] = readText("定形A3ＰＬタイトル", "損益");
        d.AssetTitles[2].clear();
        d.LiabilityTitles[2].clear();
        d.HanbaihiTitles[2].clear();
        funcGetSysReg("データ破損チェック区", "整数", "1", d.GroupId * 10000 + 9999, v);
        d.DataHasonCheck = static_cast<int>(v.asInt());
        d.ServerDataPlace = readInt("サーバのデータの場所", 0);
        d.TekiyouEditMode = readInt("摘要項目の編集モード", 0);
        d.TekiyouInputKubun = readInt("摘要項目の入力区分", 0);
        d.TorihikisakiInputKubun = readInt("取引先項目の入力区分", 0);
        d.UramenKeisenPrint = readInt("裏面の罫線印刷区分", 0);
        d.TaxCodePrint = readInt("消費税コード印刷区分", 1);
        if (!lumeran)
            d.TaxCodePrint = 1;
        d.KessanTegataSousai = readInt("決算書手形相殺区分", 0);
        d.KessanHanbaihiKumiire = readInt("決算書販売費組入区分", 0);
        d.SisanRowAdjust = readInt("試算表行数調整区分", 0);
        d.RensouCodeInput = readInt("連想辞書コード入力区", 0);
        d.RensouListOrder = readInt("連想辞書リスト並び順", 0);
        d.MotoFusenPrint = readInt("元帳付箋マーク出力区", d.MotoFusenPrint);

        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())
            && QFontDatabase::families().contains(QString::fromStdString(d.FontName))) {
            d.OperatorFont.Name = d.FontName;
            d.OperatorFont.Size = d.FontSize;
            if (d.FontStyle >= 0 && d.FontStyle <= 3)
                d.OperatorFont.Style = d.FontStyle;
            d.OperatorFont.CharSet = static_cast<std::uint8_t>(d.FontCharSet & 0xFF);
        }
        IBTransactionDEF.commit();
        return true;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.fnGetSysDef", kFailed, true);
    } catch (const std::exception& e) {
        ShowErrorDialog(kFailed, e.what(), 1);
    }
    rollbackQuietly(IBTransactionDEF);
    return false;
}

bool TDM::fnPutSysDef()
{
    static const std::string kFailed =
        "システム情報の書き込みに失敗しました。\r現在のシステム設定は保存されません。";
    TSystemDef& d = SystemDef;
    auto flag = [](int value, int n) { return value == 1 ? 1 << (n - 1) : 0; };
    d.Reserve2 = flag(d.Reserve2Flag1, 1) | flag(d.Reserve2Flag2, 2);
    d.Reserve4 = flag(d.Reserve4Flag1, 1) | flag(d.Reserve4Flag2, 2) | flag(d.Reserve4Flag3, 3)
        | flag(d.Reserve4Flag4, 4) | (d.Reserve4Flag56 == 1 ? 1 << 4 : 0)
        | (d.Reserve4Flag56 == 2 ? 1 << 5 : 0) | flag(d.MotoLastBalancePrint, 7)
        | flag(d.Reserve4Flag8, 8) | flag(d.Reserve4Flag9, 9) | flag(d.Reserve4Flag10, 10)
        | flag(d.Reserve4Flag11, 11);
    try {
        if (!IBTransactionDEF.inTransaction())
            IBTransactionDEF.start();
        // Shouhyou has no field here: it keeps what is stored instead of being emptied.
        std::string sql = "UPDATE SYSDEF SET ";
        bool first = true;
        for (const IntColumn& col : kIntColumns) {
            sql += std::string(first ? "" : ",") + col.name + "=:" + col.name;
            first = false;
        }
        for (const TextColumn& col : kTextColumns)
            sql += std::string(",") + col.name + "=:" + col.name;
        sql += "\nWHERE OPCODE=:OPCODE";
        IBQSysDefPut.setSql(sql);
        for (const IntColumn& col : kIntColumns)
            IBQSysDefPut.setInt(col.name, d.*col.field);
        for (const TextColumn& col : kTextColumns)
            IBQSysDefPut.setString(col.name, d.*col.field);
        IBQSysDefPut.setInt("OPCODE", d.LoginId);
        IBQSysDefPut.execute();
        IBTransactionDEF.commit();
    } catch (const firebird::DatabaseError& e) {
        rollbackQuietly(IBTransactionDEF);
        HandleDbError(e, "TDM.fnPutSysDef", kFailed, true);
        return false;
    } catch (const std::exception& e) {
        rollbackQuietly(IBTransactionDEF);
        ShowErrorDialog(kFailed, e.what(), 1);
        return false;
    }

    auto putInt = [this](const char* code, int value) {
        PutSysRegOfOperator(code, "整数", records::Variant::fromInt(value));
    };
    auto putText = [this](const char* code, const std::string& value) {
        PutSysRegOfOperator(code, "文字", records::Variant::fromText(value));
    };
    if (records::isLumeranData()) {
        putInt("次項目移動区分", d.NextItemMove);
        putInt("科目コード桁数", d.KamokuCodeLen);
        putInt("補助コード桁数", d.HojoCodeLen);
        putInt("部門コード桁数", d.BumonCodeLen);
        putInt("仕訳日付フォーカス", d.SwkDateFocus);
        putInt("元帳１行出力区分", d.MotoOneLinePrint);
        putInt("元帳付箋マーク出力区", d.MotoFusenPrint);
        putInt("連想辞書抽出条件区分", d.RensouJokenKubun);
    }
    putInt("試算表集計出力区分", d.SisanTotalPrint);
    putInt("元帳タイトル出力区分", d.MotoTitlePrint);
    putInt("試算表ＢＳ改ページ区", d.SisanBsPageBreak);
    putInt("試算表タイトル出力区", d.SisanTitlePrint);
    putText("試算表タイトル", d.SisanTitle);
    putText("２期試算表タイトル", d.Sisan2Title);
    putText("全科目ＢＳタイトル", d.BsTitles[0]);
    putText("全科目資産タイトル", d.AssetTitles[0]);
    putText("全科目負債タイトル", d.LiabilityTitles[0]);
    putText("全科目ＰＬタイトル", d.PlTitles[0]);
    putText("定形A4資産タイトル", d.AssetTitles[1]);
    putText("定形A4負債タイトル", d.LiabilityTitles[1]);
    putText("定形A4ＰＬタイトル", d.PlTitles[1]);
    putText("定形A4販売費タイトル", d.HanbaihiTitles[1]);
    putText("定形A3ＢＳタイトル", d.BsTitles[2]);
    putText("定形A3ＰＬタイトル", d.PlTitles[2]);
    putInt("元帳最終行残高出力区", d.MotoLastBalancePrint);
    putInt("サーバのデータの場所", d.ServerDataPlace);
    putInt("摘要項目の編集モード", d.TekiyouEditMode);
    putInt("摘要項目の入力区分", d.TekiyouInputKubun);
    putInt("取引先項目の入力区分", d.TorihikisakiInputKubun);
    putInt("裏面の罫線印刷区分", d.UramenKeisenPrint);
    putInt("消費税コード印刷区分", d.TaxCodePrint);
    putInt("決算書手形相殺区分", d.KessanTegataSousai);
    putInt("決算書販売費組入区分", d.KessanHanbaihiKumiire);
    putInt("連想辞書コード入力区", d.RensouCodeInput);
    putInt("連想辞書リスト並び順", d.RensouListOrder);
    putInt("元帳付箋マーク出力区", d.MotoFusenPrint);
    putInt("試算表期間出力区分", d.SisanKikanPrint);
    return true;
}

void TDM::GetStyleColor(int OpCode, const std::string& StyleName, std::string& SStr)
{
    try {
        StartedHere tr(IBTransactionDEF);
        IBSQLDEF.setSql("SELECT SSTR FROM STYLECOLOR\nWHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        IBSQLDEF.setInt("OPCODE", OpCode);
        IBSQLDEF.setString("STYLENAME", StyleName);
        {
            firebird::Cursor c = IBSQLDEF.open();
            while (c.fetch())
                SStr = c.getString("SSTR");
        }
        tr.commit();
    } catch (const std::exception&) {
        // the style keeps its text
    }
}

void TDM::PutStyleColor(int OpCode, const std::string& StyleName, const std::string& SStr)
{
    try {
        StartedHere tr(IBTransactionDEF);
        IBSQLDEF.setSql("SELECT COUNT(OPCODE) AS RECCNT FROM STYLECOLOR\n"
                        "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        IBSQLDEF.setInt("OPCODE", OpCode);
        IBSQLDEF.setString("STYLENAME", StyleName);
        std::int64_t count = 0;
        {
            firebird::Cursor c = IBSQLDEF.open();
            if (c.fetch())
                count = c.getInt64("RECCNT");
        }
        if (count > 0)
            IBSQLDEF.setSql("UPDATE STYLECOLOR SET OPCODE=:OPCODE,STYLENAME=:STYLENAME,"
                            "LINECOLOR1=:LINECOLOR1,LINECOLOR2=:LINECOLOR2,LINECOLOR3=:LINECOLOR3,"
                            "LINECOLOR4=:LINECOLOR4,LINECOLOR5=:LINECOLOR5,NETCOLOR1=:NETCOLOR1,"
                            "NETCOLOR2=:NETCOLOR2,SSTR=:SSTR\n"
                            "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        else
            IBSQLDEF.setSql("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,LINECOLOR1,LINECOLOR2,"
                            "LINECOLOR3,LINECOLOR4,LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR)\n"
                            "VALUES(:OPCODE,:STYLENAME,:LINECOLOR1,:LINECOLOR2,:LINECOLOR3,"
                            ":LINECOLOR4,:LINECOLOR5,:NETCOLOR1,:NETCOLOR2,:SSTR)");
        IBSQLDEF.setInt("OPCODE", OpCode);
        IBSQLDEF.setString("STYLENAME", StyleName);
        for (const char* colour : {"LINECOLOR1", "LINECOLOR2", "LINECOLOR3", "LINECOLOR4",
                                   "LINECOLOR5", "NETCOLOR1", "NETCOLOR2"})
            IBSQLDEF.setInt(colour, -1);
        IBSQLDEF.setString("SSTR", SStr);
        IBSQLDEF.execute();
        tr.commit();
    } catch (const std::exception&) {
        // nothing stored; the caller keeps its text
    }
}
