// Company settings of the data module (see DataModule.h).
#include "records/DataModule.h"

#include "accounting/AccountingPeriods.h"
#include "accounting/LayoutTables.h"
#include "firebird/DatabaseError.h"
#include "records/DbErrorHandler.h"
#include "records/DbHelpers.h"
#include "records/TextProtection.h"
#include "records/TextRoutines.h"
#include "records/ProgramRecords.h"

#include <stdexcept>

namespace {

using firebird::StartedHere;

void commitQuietly(firebird::Transaction& t) noexcept
{
    try {
        if (t.inTransaction())
            t.commit();
    } catch (const std::exception&) {
    }
}

const std::string kBasicGroup = "基本設定";

records::Variant accReg(const std::string& group, const std::string& code, const std::string& type,
                        const std::string& fallback)
{
    records::Variant v;
    GetAccReg(group, code, type, fallback, v);
    return v;
}

// Step 2 of the settings read: the ACCDEF1 row into AccInf.
void readAccDef1(const firebird::Cursor& c)
{
    TACCINF& a = AccInf;
    a.GROUPID = c.getInt("GROUPID");
    a.ENTTEXT = c.getString("ENTTEXT");
    a.SERIAL = c.getString("SERIAL");
    a.TANTOU = c.getInt("TANTOU");
    a.GYOUSHU = c.getInt("GYOUSHU");
    a.DATATYPE = c.getInt("DATATYPE");
    a.CODETYPE = c.getInt("CODETYPE");
    a.SCODE1 = c.getString("SCODE1");
    a.SCODE2 = c.getString("SCODE2");
    a.SKANA = c.getString("SKANA");
    a.SHOUGOU = c.getString("SHOUGOU");
    a.POST = c.getString("POST");
    a.ADD1 = c.getString("ADD1");
    a.ADD2 = c.getString("ADD2");
    a.TEL = c.getString("TEL");
    a.AO_ADD1 = c.getString("AO_ADD1");
    a.AO_ADD2 = c.getString("AO_ADD2");
    a.AO_KANA = c.getString("AO_KANA");
    a.AO_SIMEI = c.getString("AO_SIMEI");
    a.AO_GYOUSHU = c.getString("AO_GYOUSHU");
    a.AO_YAGO = c.getString("AO_YAGO");
    a.AO_KANYU = c.getString("AO_KANYU");
    a.AO_TEL = c.getString("AO_TEL");
    a.AO_SHOKUGYO1 = c.getString("AO_SHOKUGYO1");
    a.AO_SHOKUGYO2 = c.getString("AO_SHOKUGYO2");
    a.MAIL = c.getString("MAIL");
    a.zzKISHU = c.getDateTime("ZZKISHU");
    a.zKISHU = c.getDateTime("ZKISHU");
    a.NENDO = c.getInt("NENDO");
    a.KISHU = c.getDateTime("KISHU");
    a.KIMATU = c.getDateTime("KIMATU");
    a.KAISI = c.getDateTime("KAISI");
    a.SIME = c.getInt("SIME");
    a.KAISINO = c.getInt("KAISINO");
    a.GENGOU_FLG = c.getInt("GENGOU_FLG");
    a.GENGOU_HOSEI = c.getInt("GENGOU_HOSEI");
    a.GENGOU_NAME = c.getString("GENGOU_NAME");
    a.YAKUMEI[0] = c.getString("YAKUMEI1");
    a.YAKUMEI[1] = c.getString("YAKUMEI2");
    a.YAKUMEI[2] = c.getString("YAKUMEI3");
    a.OLD_TAX_RATE1 = c.getCurrency("OLD_TAX_RATE1");
    a.OLD_TAX_RATE2 = c.getCurrency("OLD_TAX_RATE2");
    a.OLD_TAX_RATE3 = c.getCurrency("OLD_TAX_RATE3");
    a.OLD_TAX_RATE4 = c.getCurrency("OLD_TAX_RATE4");
    a.OLD_TAX_RATE5 = c.getCurrency("OLD_TAX_RATE5");
    a.NEW_TAX_RATE1 = c.getCurrency("NEW_TAX_RATE1");
    a.NEW_TAX_RATE2 = c.getCurrency("NEW_TAX_RATE2");
    a.NEW_TAX_RATE3 = c.getCurrency("NEW_TAX_RATE3");
    a.NEW_TAX_RATE4 = c.getCurrency("NEW_TAX_RATE4");
    a.NEW_TAX_RATE5 = c.getCurrency("NEW_TAX_RATE5");
    a.CHG_DAYS1 = c.getDateTime("CHG_DAYS1");
    a.CHG_DAYS2 = c.getDateTime("CHG_DAYS2");
    a.CHG_DAYS3 = c.getDateTime("CHG_DAYS3");
    a.CHG_DAYS4 = c.getDateTime("CHG_DAYS4");
    a.CHG_DAYS5 = c.getDateTime("CHG_DAYS5");
    a.KANSA_FIXDATE = c.getDateTime("KANSA_FIXDATE");
    a.KANSA_DATE = c.getDateTime("KANSA_DATE");
    a.CALCU = c.getInt("CALCU");
    a.TAXU_HASUU = c.getInt("TAXU_HASUU");
    a.TAXH_HASUU = c.getInt("TAXH_HASUU");
    a.TAXDEFUH = c.getInt("TAXDEFUH");
    a.TAXKANNI = c.getInt("TAXKANNI");
    a.TAXJIGYOU = c.getInt("TAXJIGYOU");
    a.GENKAPRINT = c.getInt("GENKAPRINT");
    a.KANSA_LOCK = c.getInt("KANSA_LOCK");
    a.TEGATADICSW = c.getInt("TEGATADICSW");
    a.CASHFLOWSW = c.getInt("CASHFLOWSW");
    a.SDAI_HASUU1 = c.getInt("SDAI_HASUU1");
    a.SDAI_HASUU2 = c.getInt("SDAI_HASUU2");
    a.CONVERT = c.getInt("CONVERT");
    a.SHOUHYOU = c.getInt("SHOUHYOU");
    a.SITEN = c.getInt("SITEN");
    a.BUMON = c.getInt("BUMON");
    a.DATALOCK = c.getInt("DATALOCK");
    a.FUMEI_KCODE = c.getString("FUMEI_KCODE");
    a.GENKA_USE = c.getInt("GENKA_USE");
    a.GENKA_HWORD1 = c.getString("GENKA_HWORD1");
    a.GENKA_HWORD2 = c.getString("GENKA_HWORD2");
    a.GENKA_HWORD3 = c.getString("GENKA_HWORD3");
    a.GENKA_HWORD4 = c.getString("GENKA_HWORD4");
    a.GENKA_HWORD5 = c.getString("GENKA_HWORD5");
    a.PASWORD = c.getString("PASWORD");

    // Columns that older company databases lack: a missing one leaves its field as it was.
    if (c.hasField("KESSAN_KIKAN"))
        a.KESSAN_KIKAN = c.getInt("KESSAN_KIKAN");
    if (c.hasField("CASHFLOW_KIKAN1"))
        a.CASHFLOW_KIKAN1 = c.getInt("CASHFLOW_KIKAN1");
    if (c.hasField("CASHFLOW_KIKAN2"))
        a.CASHFLOW_KIKAN2 = c.getInt("CASHFLOW_KIKAN2");
    if (c.hasField("GENKA_HWORD6"))
        a.GENKA_HWORD6 = c.getString("GENKA_HWORD6");
    if (c.hasField("WEB_HOLDER"))
        a.WEB_HOLDER = c.getString("WEB_HOLDER");
    a.SDAI_HASUU3 = c.hasField("SDAI_HASUU3") ? c.getInt("SDAI_HASUU3") : 0;
    a.TaxDefUH2 = a.TAXDEFUH;
    a.KURIKOSI1 = c.hasField("KURIKOSI1") ? c.getInt("KURIKOSI1") : a.TAXDEFUH;
    a.KURIKOSI2 = c.hasField("KURIKOSI2") ? c.getInt("KURIKOSI2") : a.TAXDEFUH;
}

void setSystemCode(TDM& dm, const char* name, int index)
{
    dm.SetSystemCode(name, AccInf.SysKCodes[std::size_t(index)],
                     AccInf.SysUserCodes[std::size_t(index)]);
}

void setTegataCode(TDM& dm, const char* name, int index)
{
    dm.SetSystemCode(name, AccInf.TegataKCodes[std::size_t(index)],
                     AccInf.TegataUserCodes[std::size_t(index)]);
}

// Step 10: the typed company settings.
void readTypedSettings()
{
    TACCINF& a = AccInf;
    a.KakoMeisai = int(accReg(kBasicGroup, "過去明細取り込み", "整数", "0").asInt());
    try {
        a.GassanKubun = std::uint8_t(accReg(kBasicGroup, "合算データ区分", "整数", "0").asInt());
    } catch (const std::exception&) {
        a.GassanKubun = 0;
    }
    a.GassanCount = int(accReg(kBasicGroup, "合算データ数", "整数", "0").asInt());
    accReg(kBasicGroup, "一括税抜処理", "整数", "0");
    a.IkkatuZeinuki = 0;
    a.KamokuCodeLen = std::uint8_t(accReg(kBasicGroup, "科目コード桁数", "整数", "0").asInt());
    a.HojoCodeLen = std::uint8_t(accReg(kBasicGroup, "補助コード桁数", "整数", "0").asInt());
    a.BumonCodeLen = std::uint8_t(accReg(kBasicGroup, "部門コード桁数", "整数", "0").asInt());
    accReg("減価償却設定", "250%定率法で償却する経過措置", "整数", "0");
    accReg("減価償却設定", "200%定率法で償却する経過措置", "整数", "0");
    a.PrintKikanUse = int(accReg(kBasicGroup, "印刷用期間使用区分", "整数", "0").asInt());
    a.PrintKishu = accReg(kBasicGroup, "印刷用期間（期首）", "日付", "0").asDate();
    a.PrintKimatu = accReg(kBasicGroup, "印刷用期間（期末）", "日付", "0").asDate();
    a.KobetuGenkaUse = int(accReg(kBasicGroup, "個別原価使用区分", "整数", "0").asInt());
    a.KobetuGenkaName = accReg(kBasicGroup, "個別原価別名", "文字", "個別原価").asText();
    a.KobetuGenkaCodeLen =
        std::uint8_t(accReg(kBasicGroup, "個別原価コード桁数", "整数", "0").asInt());
    a.MyNumberUse = int(accReg(kBasicGroup, "＃USE", "整数", "0").asInt());
    for (auto [code, field] : {std::pair{"＃KEY", &a.MyNumberKey}, {"＃VALUE", &a.MyNumberValue}}) {
        const std::string stored = accReg(kBasicGroup, code, "文字", "").asText();
        *field = stored;
        if (!stored.empty())
            UnprotectText(stored, kEasyEncodeKey, int(kEasyEncodeKey.size()), *field);
    }
}

} // namespace

bool TDM::fnGetAccInfo()
{
    static const std::string kFailed = "基本情報の取得に失敗しました。\r";
    TACCINF& a = AccInf;
    try {
        if (!IBTransactionDAT.inTransaction())
            IBTransactionDAT.start();
        IBQACC1.setSql("SELECT * FROM ACCDEF1");
        {
            firebird::Cursor c = IBQACC1.open();
            if (!c.fetch())
                throw std::runtime_error("基本設定(ACCDEF1)のレコードが見つかりませんでした。");
            readAccDef1(c);
        }
        GetDataTypeName(a.DATATYPE, a.DataTypeName);
        GetCodeTypeName(a.DATATYPE, a.CODETYPE, false, a.CodeTypeName);

        a.IsMedical = fnIsMedicalData();
        // Total names by the code system's group codes (the general positions 67, 60, 62, 64, 86).
        const int totalPositions[] = {67, 60, 62, 64};
        for (std::size_t i = 0; i < 4; ++i)
            fnGetAccTotalName(KamokuGroupTable[std::size_t(totalPositions[i])], "PLUSNAME",
                              a.TotalNames[i]);
        fnGetAccTotalName(KamokuGroupTable[86], "PLUSNAME", a.TotalName5);
        a.SysCodesLoaded = 1;

        a.KaisiMonthIndex = fnKikanIndexOfMonth(a.KAISINO);
        a.KimatuKikanNo = fnKikanNoOfDate(a.SIME, 0, a.KISHU, a.KIMATU, a.KIMATU);
        a.KaisiMonthDiff = fnSimeMonthDiff(a.SIME, a.KISHU, a.KAISI);
        a.KimatuMonthDiff = fnSimeMonthDiff(a.SIME, a.KISHU, a.KIMATU);

        setSystemCode(*this, "現金", SysCodeCash);
        setSystemCode(*this, "仮払消費税", SysCodeInputTax);
        setSystemCode(*this, "仮受消費税", SysCodeOutputTax);
        setSystemCode(*this, "繰越利益剰余金", SysCodeRetainedEarnings);
        setSystemCode(*this, "諸口", SysCodeSundry);
        if (a.DATATYPE == 1) {
            setTegataCode(*this, "受取手形", TegataReceivable);
            setTegataCode(*this, "割引手形", TegataDiscounted);
            setTegataCode(*this, "裏書手形", TegataEndorsed);
        } else if (a.DATATYPE == 2) {
            setSystemCode(*this, "事業主貸", SysCodeOwnerDrawings);
            setSystemCode(*this, "事業主借", SysCodeOwnerContributions);
            setSystemCode(*this, "元入金", SysCodeCapital);
        } else if (a.DATATYPE == 3 && a.CODETYPE == 1) {
            setSystemCode(*this, "給料", SysCodeSalaries);
            setSystemCode(*this, "賞与", SysCodeBonuses);
            setSystemCode(*this, "賞与引当金繰入額", SysCodeBonusProvision);
            setSystemCode(*this, "退職給付費用", SysCodeRetirementBenefits);
            setSystemCode(*this, "前期繰越利益", SysCodeRetainedEarnings);
        }

        GetUserCodeOfKCode(a.FUMEI_KCODE, a.FumeiUserCode);
        a.TusinHolders[0] = a.WEB_HOLDER;
        a.TusinPasswords[0] = a.PASWORD;
        ReadTusinId(1, 1);

        a.YearFirstDays[0] = a.KISHU;
        a.YearLastDays[0] = a.KIMATU;
        a.YearStartDays[0] = a.KAISI;
        a.YearFirstDays[1] = a.zKISHU != 0 ? a.zKISHU : fnIncMonthClamp(-12, a.KISHU);
        a.YearLastDays[1] = fnIncDay(-1, a.KISHU);
        a.YearStartDays[1] = a.YearFirstDays[1];
        a.YearFirstDays[2] =
            a.zzKISHU != 0 ? a.zzKISHU : fnIncMonthClamp(-12, a.YearFirstDays[1]);
        a.YearLastDays[2] = fnIncDay(-1, a.YearFirstDays[1]);
        a.YearStartDays[2] = a.YearFirstDays[2];

        readTypedSettings();

        a.VerMajor = a.VerMinor1 = a.VerMinor2 = 0;
        IBQACC1.setSql("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION\n"
                       "ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC");
        {
            firebird::Cursor c = IBQACC1.open();
            if (c.fetch()) {
                a.VerMajor = c.getInt("MAJOR");
                a.VerMinor1 = c.getInt("MINOR1");
                a.VerMinor2 = c.getInt("MINOR2");
            }
        }
        IBTransactionDAT.commit();

        a.DataPassword = ZenkakuTrim(accReg(kBasicGroup, "データパスワード", "文字", "").asText());
        if (a.VerMajor >= 7) {
            const std::string stored =
                ZenkakuTrim(accReg(kBasicGroup, "データパスワードV2", "文字", "").asText());
            TEasyEncodeInfo info;
            InitEasyEncodeInfo(info);
            info.TotalLength = 8;
            info.RestoreCount = 8;
            info.Key = std::string(kDataPasswordKey);
            info.EncodedText = stored;
            EasyDecode(info);
            a.DataPassword = info.ClearText;
        }
        return true;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.fnGetAccInfo", kFailed, true);
    } catch (const std::exception& e) {
        ShowErrorDialog(kFailed, e.what(), 1);
    }
    commitQuietly(IBTransactionDAT);
    return false;
}

void TDM::fnGetAccTotalName(const std::string& KGroup, const std::string& ColumnName,
                            std::string& Name)
{
    StartedHere tr(IBTransactionDAT);
    try {
        IBQACC1.setSql("SELECT " + ColumnName + " FROM ACCTOTALNAME\nWHERE KGROUP=:KGROUP");
        IBQACC1.setString("KGROUP", KGroup);
        firebird::Cursor c = IBQACC1.open();
        while (c.fetch())
            Name = c.getString(0);
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.fnGetAccTotalName", "集計名称の取得に失敗しました。", true);
    } catch (const std::exception& e) {
        ShowErrorDialog("集計名称の取得に失敗しました。", e.what(), 1);
    }
    tr.commit();
}

void TDM::SetSystemCode(const std::string& AccountName, std::string& KCode, std::string& UserCode)
{
    StartedHere tr(IBTransactionDAT);
    try {
        IBQACC1.setSql("SELECT A.KCODE,K.USERCODE FROM ACCDEF2 A\n"
                       "INNER JOIN KAMOKUMST K ON (A.KCODE=K.KCODE)\n"
                       "WHERE A.KNAME=:NAME");
        IBQACC1.setString("NAME", AccountName);
        KCode.clear();
        UserCode.clear();
        {
            firebird::Cursor c = IBQACC1.open();
            if (c.fetch()) {
                KCode = c.getString("KCODE");
                UserCode = c.getString("USERCODE");
            }
        }
        tr.commit();
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.SetSystemCode", "", true);
        tr.rollback();
        throw;
    }
}

void TDM::GetUserCodeOfKCode(const std::string& KCode, std::string& UserCode)
{
    if (ZenkakuTrim(KCode).empty())
        return;
    StartedHere tr(IBTransactionDAT);
    try {
        IBQACC1.setSql("SELECT USERCODE FROM KAMOKUMST\nWHERE KCODE=:KCODE");
        IBQACC1.setString("KCODE", KCode);
        {
            firebird::Cursor c = IBQACC1.open();
            if (c.fetch())
                UserCode = c.getString("USERCODE");
        }
        tr.commit();
    } catch (const std::exception&) {
        tr.commit();
        throw;
    }
}

void TDM::ReadTusinId(int Rec, int Index)
{
    StartedHere tr(IBTransactionDAT);
    try {
        // Older company databases have no TUSIN_ID table.
        if (fnExistence_Table("TUSIN_ID")) {
            IBQACC1.setSql("SELECT REC,HOLDER,PASWORD FROM TUSIN_ID\nWHERE REC=:REC");
            IBQACC1.setInt("REC", Rec);
            firebird::Cursor c = IBQACC1.open();
            while (c.fetch()) {
                AccInf.TusinHolders[std::size_t(Index)] = c.getString("HOLDER");
                AccInf.TusinPasswords[std::size_t(Index)] = c.getString("PASWORD");
            }
        }
        tr.commit();
    } catch (const std::exception&) {
        tr.commit();
        throw;
    }
}

void TDM::fnGetDataBaseVer(std::string& Version)
{
    Version = "0.0.0";
    try {
        if (IBTransactionDAT.inTransaction())
            IBTransactionDAT.commit();
        IBTransactionDAT.start();
        IBQACC1.setSql("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION WHERE REC=1");
        std::string found;
        {
            firebird::Cursor c = IBQACC1.open();
            if (c.fetch())
                found = std::to_string(c.getInt("MAJOR")) + "." + std::to_string(c.getInt("MINOR1"))
                    + "." + std::to_string(c.getInt("MINOR2"));
        }
        IBTransactionDAT.commit();
        if (!found.empty())
            Version = found;
        return;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.fnGetDataBaseVer", "データベースのバージョンの取得に失敗しました。",
                      true);
    } catch (const std::exception& e) {
        ShowErrorDialog("データベースのバージョンの取得に失敗しました。", e.what(), 1);
    }
    try {
        if (IBTransactionDAT.inTransaction())
            IBTransactionDAT.rollback();
    } catch (const std::exception&) {
    }
}

bool TDM::fnIsMedicalData() { return fnIsMedicalKind(AccInf.DATATYPE, AccInf.CODETYPE); }

bool TDM::fnIsMedicalKind(int DataType, int CodeType)
{
    const bool medical = DataType == 3 && CodeType == 1;
    pcSisanhyouSetup(medical ? 1 : 0);
    pcSikinguriKamokuSetup(medical ? 1 : 0);
    return medical;
}

void TDM::GetDataTypeName(int DataType, std::string& Name)
{
    switch (DataType) {
    case 1: Name = "法人"; return;
    case 2: Name = "個人"; return;
    case 3: Name = "医療法人"; return;
    default:
        throw std::runtime_error("このプログラムでは、該当のデータタイプを処理することが出来ません。"
                                 "(DataType=" + std::to_string(DataType) + ")");
    }
}

void TDM::GetCodeTypeName(int DataType, int CodeType, bool WithKind, std::string& Name)
{
    if (WithKind) {
        std::string kind, code;
        GetDataTypeName(DataType, kind);
        GetCodeTypeName(DataType, CodeType, false, code);
        Name = code.empty() ? kind : kind + "／" + code;
        return;
    }
    auto refuse = [CodeType] {
        throw std::runtime_error("このプログラムでは、該当のコードタイプを処理することが出来ません。"
                                 "(CodeType=" + std::to_string(CodeType) + ")");
    };
    if (DataType == 2) {
        static const char* const kNames[] = {"一般", "不動産", "クリニック", "農業"};
        if (CodeType < 1 || CodeType > 4)
            refuse();
        Name = kNames[CodeType - 1];
    } else if (DataType == 1 || DataType == 3) {
        if (CodeType != 1)
            refuse();
        Name.clear();
    } else {
        std::string unused;
        GetDataTypeName(DataType, unused);
    }
}

int TDM::fnGetZeiKeisanKubun(int Kubun) { return Kubun; }

int TDM::fnGetTaxDefUH(int TaxDefUH) { return TaxDefUH; }
