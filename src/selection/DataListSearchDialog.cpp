// The search-condition dialog of the data lists.
#include "selection/DataListSearchDialog.h"

#include "firebird/Transaction.h"
#include "records/DataModule.h"
#include "records/DisplayFormat.h"
#include "records/ProgramRecords.h"
#include "ui/CheckedComboBox.h"
#include "ui/OwnerDrawnButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

struct KindEntry {
    const char* name;
    int dataType;
    int codeType;
};
constexpr KindEntry kKinds[] = {
    {"選択なし", 0, 0},     {"法人", 1, 1},         {"個人(一般)", 2, 1},        {"個人(不動産)", 2, 2},
    {"医療法人", 3, 1},     {"個人(クリニック)", 2, 3}, {"個人(農業)", 2, 4},
};

std::vector<KindEntry> kindList(bool optionBlind)
{
    std::vector<KindEntry> out;
    for (const auto& k : kKinds)
        if (!(optionBlind && IsIryouDataKind(k.name)))
            out.push_back(k);
    return out;
}

} // namespace

namespace selection {

QStringList dataKindLines(bool optionBlind)
{
    QStringList lines;
    for (const auto& k : kindList(optionBlind))
        lines << QString::fromUtf8(k.name);
    return lines;
}

std::pair<int, int> dataKindOfIndex(int index, bool optionBlind)
{
    const auto kinds = kindList(optionBlind);
    if (index < 0 || index >= int(kinds.size()))
        return {0, 0};
    return {kinds[std::size_t(index)].dataType, kinds[std::size_t(index)].codeType};
}

int indexOfDataKind(int dataType, int codeType, bool optionBlind)
{
    int kind = 0;
    if (dataType == 1)
        kind = 1;
    else if (dataType == 3)
        kind = 4;
    else if (dataType == 2 && codeType >= 1 && codeType <= 4)
        kind = codeType == 1 ? 2 : codeType == 2 ? 3 : codeType == 3 ? 5 : 6;
    const auto kinds = kindList(optionBlind);
    for (std::size_t i = 0; i < kinds.size(); ++i)
        if (kinds[i].name == kKinds[kind].name)
            return int(i);
    return 0;
}

} // namespace selection

TDataListKensakuBox::TDataListKensakuBox(QWidget* parent) : TBSDI(Border::Fixed, parent)
{
    setWindowTitle(QStringLiteral("検索条件の設定"));
    // Its owner shows it again and again: closing only hides it.
    KeepOnClose = 1;
    resize(420, 300);
    auto label = [this](const char* text, int y) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setGeometry(16, y, 110, 22);
    };
    label("コード:", 16);
    m_code = new QLineEdit(this);
    m_code->setObjectName(QStringLiteral("edtCode"));
    m_code->setMaxLength(8);
    m_code->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_code->setGeometry(128, 16, 120, 22);
    label("データ区分:", 46);
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("cmbDataKind"));
    m_kind->setGeometry(128, 46, 270, 22);
    m_kind->addItems(selection::dataKindLines(OptionBlind));
    m_checkedKinds = new TxCheckedComboBox(this);
    m_checkedKinds->setObjectName(QStringLiteral("cmbCheckedKinds"));
    m_checkedKinds->hide();
    label("データリスト名:", 76);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("edtName"));
    m_name->setMaxLength(40);
    m_name->setGeometry(128, 76, 270, 22);
    label("担当者:", 106);
    m_tanto = new QComboBox(this);
    m_tanto->setObjectName(QStringLiteral("cmbTanto"));
    m_tanto->setGeometry(128, 106, 270, 22);
    label("データバージョン:", 136);
    m_version = new QComboBox(this);
    m_version->setObjectName(QStringLiteral("cmbVersion"));
    m_version->setGeometry(128, 136, 270, 22);
    m_always = new QCheckBox(QStringLiteral("この検索条件を毎回有効にする"), this);
    m_always->setObjectName(QStringLiteral("chkAlways"));
    m_always->setGeometry(16, 166, 380, 22);
    auto* hints = new QPlainTextEdit(this);
    hints->setObjectName(QStringLiteral("HintArea"));
    hints->setReadOnly(true);
    hints->setFocusPolicy(Qt::NoFocus);
    hints->setGeometry(16, 196, 388, 48);
    HintMemo = hints;
    m_ok = new TxPlButton(QStringLiteral("btnOK"), this);
    m_ok->CaptionA().setCaption(QStringLiteral("OK"));
    m_ok->setGeometry(224, 256, 84, 28);
    m_ok->OnClick = [this](QObject*) { btnOKClick(); };
    m_cancel = new TxPlButton(QStringLiteral("btnCancel"), this);
    m_cancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_cancel->setGeometry(316, 256, 84, 28);
    m_cancel->OnClick = [this](QObject*) { setModalResult(platform::mrCancel); };

    // The operator list reads in the dialog's own transaction on the system database.
    if (DM && DM->IBDatabaseDEF.connected()) {
        m_transaction = std::make_unique<firebird::Transaction>(DM->IBDatabaseDEF);
        UserList.SetTransaction(m_transaction.get(), 0);
        UserList.GroupId = SystemDef.GroupId;
        UserList.FirstName = "選択なし";
        try {
            m_transaction->start();
            UserList.Execute();
            m_transaction->commit();
        } catch (const std::exception&) {
            // the list keeps its first line
        }
    }
    if (UserList.Lines.empty())
        UserList.Lines.push_back("選択なし");
    for (const auto& line : UserList.Lines)
        m_tanto->addItem(q(line));
    VersionList.FirstName = "選択なし";
    VersionList.Execute(1);
    for (const auto& name : VersionList.Names)
        m_version->addItem(q(name));
    InitRecord(Conditions);
    Initialized = 1;
}

TDataListKensakuBox::~TDataListKensakuBox() = default;

void TDataListKensakuBox::InitRecord(TDataKensakuRec& Rec) const
{
    Rec = TDataKensakuRec{};
    Rec.OPCODE = SystemDef.LoginId;
    Rec.LISTTYPE = ListType;
}

void TDataListKensakuBox::Prepare(int /*Mode*/)
{
    ShowRecord();
    // Later showings keep where the user put the window.
    Reposition = 0;
}

void TDataListKensakuBox::SetHints()
{
    SetControlHint(m_kind, QStringLiteral("選択した区分に該当するデータを抽出して表示します。|選択した区分に該当するデータを抽出して表示します。"));
    SetControlHint(m_code, QStringLiteral("入力したコードを前方一致（先頭一致）で抽出して表示します。|入力したコード前方一致（先頭一致）で抽出して表示します。"));
    SetControlHint(m_name, QStringLiteral("入力した文字を含むデータを抽出して表示します。|入力した文字を含むデータを抽出して表示します。"));
    SetControlHint(m_tanto, QStringLiteral("選択したｵﾍﾟﾚｰﾀが担当するデータを抽出して表示します。|選択したｵﾍﾟﾚｰﾀが担当するデータを抽出して表示します。"));
    SetControlHint(m_version, QStringLiteral("選択したﾊﾞｰｼﾞｮﾝのデータを抽出して表示します。| 選択したﾊﾞｰｼﾞｮﾝのデータを抽出して表示します。"));
    SetControlHint(m_always, QStringLiteral("ここで設定した条件に該当するデータだけを常時表示させる場合にﾁｪｯｸします。| ここで設定した条件に該当するデータだけを常時表示させる場合にﾁｪｯｸします。"));
    SetControlHint(m_ok, QStringLiteral("設定した条件に該当するデータを表示します。| 設定した条件に該当するデータを表示します。"));
    SetControlHint(m_cancel, QStringLiteral("データの検索を中止します。| データの検索を中止します。"));
}

void TDataListKensakuBox::ShowRecord()
{
    SetHints();
    m_kind->setCurrentIndex(selection::indexOfDataKind(Conditions.DATATYPE, Conditions.CODETYPE, OptionBlind));
    m_code->setText(q(Conditions.DATACODE));
    m_name->setText(q(Conditions.DATANAME));
    int tanto = 0;
    for (std::size_t i = 0; i < UserList.Items.size(); ++i)
        if (Conditions.TANTO != 0 && UserList.Items[i].OpCode == Conditions.TANTO)
            tanto = int(i);
    m_tanto->setCurrentIndex(tanto);
    const int version = VersionList.IndexOfVersionName(Conditions.SEIHINNAME);
    m_version->setCurrentIndex(version < 0 ? 0 : version);
    m_always->setChecked(Conditions.JYOKENUSE != 0);
}

void TDataListKensakuBox::btnOKClick()
{
    const auto [dataType, codeType] = selection::dataKindOfIndex(m_kind->currentIndex(), OptionBlind);
    Conditions.DATATYPE = dataType;
    Conditions.CODETYPE = codeType;
    Conditions.DATACODE = m_code->text().toStdString();
    Conditions.DATANAME = m_name->text().toStdString();
    const int tanto = m_tanto->currentIndex();
    Conditions.TANTO = tanto >= 0 && tanto < int(UserList.Items.size()) ? UserList.Items[std::size_t(tanto)].OpCode : 0;
    Conditions.DATAVER = VersionList.GetVersionText(m_version->currentIndex());
    Conditions.SpareText1.clear();
    Conditions.VerMatch = 0;
    Conditions.SEIHINNAME = VersionList.GetVersionName(m_version->currentIndex());
    Conditions.JYOKENUSE = m_always->isChecked() ? 1 : 0;
    setModalResult(platform::mrOk);
}
