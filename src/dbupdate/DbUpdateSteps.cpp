#include "dbupdate/DbUpdateSteps.h"

#include "dbupdate/CompanyDbSteps.h"
#include "dbupdate/SystemDbSteps.h"

#include <cstdio>

namespace dbupdate {

std::string versionText(const DbVersion& version)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%d.%d.%d", version.Major, version.Minor1, version.Minor2);
    return buffer;
}

TArrayDbUpdateListRec systemUpdateSteps(const std::string& appTitle, bool lumeran)
{
    const auto step = [](int major, int minor1, int minor2, int backup, std::string title,
                         std::string description) {
        const DbVersion v{major, minor1, minor2};
        return TDbUpdateListRec{major, minor1, minor2, [v] { return ExecSystemStep(v); },
                                backup, std::move(title), std::move(description)};
    };
    return {
        step(0, 3, 1, 1, "共有サーバー機能の追加", "共有サーバー機能を追加します。"),
        step(0, 3, 2, 0, "電子帳簿用ユーザーの追加", "電子帳簿用ユーザーを追加します。"),
        step(0, 3, 3, 0, "経営ヴェルトリンユーザーの追加", "経営ヴェルトリンユーザーを追加します。"),
        step(1, 0, 1, 0, "データリスト上のデータフォルダ名を大文字に統一",
             "データリスト上のデータフォルダ名が大文字と小文字の混在表記のため全て大文字に統一します。"),
        step(3, 0, 0, 0, "旧バージョンデータの更新を禁止する機能を追加",
             "旧バージョンデータの更新を設定により禁止することが可能になります。"),
        step(3, 0, 5, 0, "データ合算機能の追加", "データの合算処理が可能になります。"),
        step(3, 0, 7, 0, "処理コントロールデータの改修",
             "処理レベルによる処理コントロールのデータ関連性を改修します。"),
        step(4, 0, 0, 1, "データ選択に会社コード列を追加 他",
             "１）データ選択で会社コードをキーとした検索機能が利用可能となります。\r"
             "２）コード体系保存件数が20件へ拡張となります。"),
        step(4, 0, 2, 1, "データ選択でデータの破損検証",
             "１）データ選択でデータの破損を検証する機能が追加されます。"),
        step(5, 0, 0, 1, "Ｃ／Ｓ版でフォルダ毎にデータを管理する機能を追加",
             "１）Ｃ／Ｓ版でフォルダ毎にデータを管理する機能を追加する。"),
        step(7, 0, 0, 0,
             lumeran ? std::string("個別原価管理機能の追加") : appTitle + "１５のデータ形式に変換",
             lumeran ? std::string("１）個別原価管理機能を追加する。")
                     : "１）" + appTitle + "１５のデータ形式に変換する。"),
        step(7, 0, 4, 0, "消費税・特定課税仕入れ に対応", "１）特定課税仕入れの取引 に対応します。"),
        step(8, 0, 0, 0, "マイナンバー制度に対応", "１）マイナンバー制度に対応する。"),
    };
}

TArrayDbUpdateListRec companyUpdateSteps(const std::string& appTitle, bool lumeran)
{
    const auto step = [](int major, int minor1, int minor2, int backup, std::string title,
                         std::string description) {
        const DbVersion v{major, minor1, minor2};
        return TDbUpdateListRec{major, minor1, minor2, [v] { return ExecCompanyStep(v); },
                                backup, std::move(title), std::move(description)};
    };
    const auto step1to2 = [](int major, int minor1, int minor2, std::string title, std::string description) {
        const DbVersion v{major, minor1, minor2};
        return TDbUpdateListRec{major, minor1, minor2, [v] { return ExecCompanyStep1to2(v); },
                                1, std::move(title), std::move(description)};
    };
    // Steps from 3.0.0 on take their statements from the installed step files.
    const auto fileStep = [](int major, int minor1, int minor2, std::string title, std::string description) {
        const DbVersion v{major, minor1, minor2};
        return TDbUpdateListRec{major, minor1, minor2, [v] { return ExecCompanyFileStep(v); }, 1,
                                std::move(title), std::move(description)};
    };
    return {
        step(0, 1, 1, 1, "減価償却処理を追加　他",
             "1)減価償却処理用のテーブルを作成します。\r2)３期比較経営分析用のプロシジャーを作成します。"),
        step(0, 1, 2, 1, "当座残高調整表を追加", "当座残高調整表用のプロシジャーを作成します。"),
        step(0, 1, 3, 1, "監査処理機能を追加", "監査処理用のテーブルを作成します。"),
        step(0, 1, 4, 1, "キャッシュ・フロー計算書を追加", "キャッシュ・フロー計算書用のテーブルを作成します。"),
        step(0, 1, 5, 1, "ページ辞書機能の仕様変更 他",
             "1)補助または部門を削除したときに、削除対象の補助または部門がページ辞書仕訳に使用されていた場合に削除されないように仕様を変更しました。\r"
             "2)決算書の注記表「タイトルと会計期間を印刷する」のフィールドを追加しました。\r"
             "3)青色申告書用テーブルを作成します。"),
        step(0, 2, 0, 0, "モラビー財務０９評価版 Ver0.2.0", "モラビー財務０９評価版 Ver0.2.0データへ更新します。"),
        step(0, 2, 1, 1, "過年度残高の修復 ", "過年度残高を修復します。"),
        step(0, 2, 2, 1, "科目マスタの構造変更 他",
             "1)科目マスタの構造を変更します。\r2)キャッシュフロー項目を再作成します。\r"
             "3)青色申告決算書で上書入力に対応します。\r4)内訳書用テーブルを作成します。"),
        step(0, 3, 0, 0, "モラビー財務０９評価版 Ver0.3.0", "モラビー財務０９評価版 Ver0.3.0データへ更新します。"),
        step(0, 3, 1, 1, "３期比較集計プログラムの更新 他",
             "３期比較集計プログラムを更新します。\r基本情報に通信フォルダー列を追加します。"),
        step(0, 3, 2, 0, "電子帳簿用ユーザーの追加", "電子帳簿用ユーザーを追加します。"),
        step(0, 3, 3, 1, "経営ヴェルトリン機能の追加 他",
             "比較経営分析表の初期値を設定します。\r元入金の繰り入れ計算を更新します。"),
        step(0, 3, 4, 1, "特定科目コード取得プログラムの変更 他",
             "特定科目コード取得プログラムを変更します。\r試算表用の当座資産分類コードを変更します。"),
        step(0, 4, 0, 0, "モラビー財務０９評価版 Ver0.4.0", "モラビー財務０９評価版 Ver0.4.0データへ更新します。"),
        step(0, 4, 1, 1, "監査処理項目の変更", "監査処理の規定項目を変更します。"),
        step(1, 0, 0, 1, "モラビー財務０９ Ver1.0.0", "モラビー財務０９ Ver1.0.0データへ更新します。"),
        step(1, 0, 1, 1, "財務分析で期中開始データが適正に集計されない不具合を修正 他",
             "１）財務分析で期中開始データが適正に集計されるように修正します。\r"
             "２）比較経営分析の科目内訳表示範囲を修正します。（経営ヴェルトリン）"),
        step1to2(1, 0, 2, "コンバートデータの減価償却資産の修復 他",
                 "１）コンバートデータの減価償却資産を修復します。\r"
                 "２）前期末残高が正しいか評価し、異常があった場合は修復します。"),
        step1to2(1, 0, 3, "本・支店管理データの予算または過年度残高を調整 他",
                 "１）本・支店管理データの予算または過年度残高を調整します。\r"
                 "２）定形試算表の共通部門集計を適正に処理出来るように修正します。"),
        step1to2(1, 0, 5, "合計残高試算表の集計項目名称の変更機能を追加",
                 "１）合計残高試算表の集計項目名称の変更機能を追加します。"),
        step1to2(2, 0, 0, "モラビー財務１０のデータ形式に変換", "１）モラビー財務１０のデータ形式に変換します。"),
        step1to2(2, 0, 4, "出納帳スペシャル機能の追加", "１）出納帳スペシャル機能を追加します。"),
        fileStep(3, 0, 0, "モラビー財務１１のデータ形式に変換", "１）モラビー財務１１のデータ形式に変換します。"),
        fileStep(3, 0, 1, "仕訳更新プログラムの改修", "１）仕訳の更新プログラムを改修します。"),
        fileStep(3, 0, 3, "科目設定プログラムの改修 他",
                 "１）医療法人用の科目設定の更新プログラムを改修します。\r２）医療法人用の残高集計プログラムを改修します。"),
        fileStep(3, 0, 4, "現金出納帳の送受信処理の改修", "１）現金出納帳の送受信処理の更新プログラムを改修します。"),
        fileStep(3, 0, 6, "医療法人データの既定科目数の増加 他", "１）医療法人データの既定の科目数を増やします。"),
        fileStep(3, 0, 7, "医療法人データの施設グループ集計を追加 他",
                 "１）医療法人データの施設グループ集計を追加します。\r２）窓口日報の参照キーを変更します。\r"
                 "３）支店比較パターンの保持情報を変更します。"),
        fileStep(4, 0, 0, appTitle + "１２のデータ形式に変換",
                 "１）" + appTitle + "１２のデータ形式に変換します。\r２）過年度残高集計処理を高速化します。"),
        fileStep(4, 0, 2, "消費税の仕入税額控除制度における追加要件に対応 他",
                 "１）消費税の仕入税額控除制度における追加要件に対応します。\r"
                 "２）還付申告書への「消費税の還付申告に関する明細書」に対応します。\r"
                 "３）減価償却制度の平成23年12月改正に対応します。"),
        fileStep(5, 0, 0, appTitle + "１３のデータ形式に変換", "１）" + appTitle + "１３のデータ形式に変換します。\r"),
        fileStep(5, 0, 2, "法人・個人データの日報入力に対応 他", "１）法人・個人データの日報入力に対応します。"),
        fileStep(5, 0, 5, "法人決算書の手形相殺機能に対応", "１）法人決算書の手形相殺機能に対応します。"),
        fileStep(6, 0, 0, appTitle + "１４のデータ形式に変換 他",
                 "１）" + appTitle + "１４のデータ形式に変換します。\r２）過年度残高に税込・税抜額の記録が可能になります。\r"
                 "３）法人・個人データの製造原価報告書に外注費ブロックを追加します。"),
        fileStep(6, 1, 0, appTitle + "１４ 消費税改正版のデータ形式に変換 他", "１）２０１４年４月の消費税改正 に対応します。\r"),
        fileStep(6, 1, 3, "仕訳変更時の並び順の調整 他",
                 "１）決算同日仕訳変更時の並び順を調整します。\r"
                 "２）定形試算表の販売費及び一般管理費の集計項目名称（縦）の入力文字数を拡張します。"),
        fileStep(7, 0, 0, appTitle + "１５のデータ形式に変換 他",
                 "１）" + appTitle + "１５のデータ形式に変換します。\r"
                 "２）「個人／農業」体系を新たに追加し、青色申告決算書（農業所得用）を作成します。" +
                     (lumeran ? std::string("\r３）個別原価管理機能を新たに追加します。") : std::string())),
        fileStep(7, 0, 2, "簡易課税制度のみなし仕入率の見直し", "１）簡易課税制度のみなし仕入率の見直しに対応します。\r"),
        lumeran ? fileStep(7, 0, 3, "消費税試算表の仕訳帳ジャンプ機能の仕様変更",
                           "１）消費税試算表の仕訳帳ジャンプ機能の仕様を変更しました。\r")
                : fileStep(7, 0, 3, "医療法人データの決算書レイアウトを変更",
                           "１）医療法人データの決算書レイアウトを変更しました。\r"),
        fileStep(7, 0, 4, "消費税・特定課税仕入れ に対応", "１）消費税申告書・付表の新様式に対応します。\r"),
        fileStep(8, 0, 0, appTitle + "１６のデータ形式に変換 他",
                 "１）" + appTitle + "１６のデータ形式に変換する。\r２）マイナンバー制度に対応する。"),
    };
}

} // namespace dbupdate
