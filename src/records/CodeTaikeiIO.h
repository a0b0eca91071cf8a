#pragma once

// Code-system definition files loaded into the USERCODE rows of the system database.

#include "records/TextSplitter.h"

#include <array>
#include <string>
#include <vector>

// `TCodeTaikeiRec2`: one code system as loaded from a file.
struct TCodeTaikeiRec2 {
    int RecNo = 0;
    std::string Name;
    int DataType = 0;
    int CodeType = 0;
    std::string Text1;      // left empty
    int Value1 = 0;         // left empty
    int Value2 = 0;
    int Value3 = 0;
    std::string SeihinKubun = "-";
    int Flag = 0;           // left 0
    std::array<std::vector<std::string>, 8> IniDat; // INIDAT1 .. INIDAT8
    std::string Text2;      // left empty
    int Value4 = 0;
    int Value5 = 0;
};

// `TCodeTaikeiIO`: works on the data module's system database with its default transaction.
class TCodeTaikeiIO {
public:
    // Repairs the kinds of existing rows at once (KubunSyufuku).
    TCodeTaikeiIO();

    // Loads the file (CP932 lines of comma-separated fields) into USERCODE row RecNo. False when
    // the product-kind check refuses it (after an information box) or the row is not written.
    // An unreadable file raises.
    bool LoadFromFile(const std::string& FileName, int RecNo);
    bool UpDateRecored(const TCodeTaikeiRec2& Rec);
    // Rows stored as data type 1, code type 1 take the types of their INIDAT1 line.
    void KubunSyufuku();
    bool CheckSeihinKubun(const std::string& KindText, std::string& Message) const;

private:
    TMojiBunkatu m_splitter;
};
