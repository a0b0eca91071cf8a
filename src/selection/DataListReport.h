// TPrDataList: the data-list report of the catalogue, written for the report engine.
#pragma once

#include "print/PrintOptionDialogs.h"
#include "catalogue/DataCatalogue.h"

#include <memory>
#include <string>

namespace print {
class TVellum48;
}

// One print of a data list: one line per entry in display order, each followed by its children.
class TPrDataList {
public:
    TPrDataList();
    ~TPrDataList();
    TPrDataList(const TPrDataList&) = delete;
    TPrDataList& operator=(const TPrDataList&) = delete;

    std::unique_ptr<print::TVellum48> Engine;
    int ListKind = 0; // 0 the local list, 1 the shared-server list
    print::TDefaultPrintRec PrintRec;
    const TDataSentakuRecArray* ListData = nullptr;
    const TDataSentakuRecDispArray* DispOrder = nullptr;
    int ListOrientation = 0; // 0 portrait, 1 landscape

    // Builds the report, then prints it (true) or previews it (false). A failed write deletes
    // the data file and passes the error on.
    void PrintOut(bool Print);

private:
    void PrintPageHeader();
    void writeLine(const TDataListRec& rec, int number, bool withNumber);
    void separator();
    std::string font() const;
    std::string folderText(const std::string& path) const;

    int m_page = 1;
    int m_line = 0;
    int m_y = 0;
    int m_linesPerPage = 55;
    int m_right = 2000;
    int m_bottom = 2820;
};

class QWidget;

// F8 of a selection dialog: asks for the print options, then prints or previews the list.
// Errors of the report are shown to the user. Returns the action taken (0 none, 1 print,
// 2 preview).
int DataListPrint(QWidget* owner, int listKind, const TDataSentakuRecArray& data,
                  const TDataSentakuRecDispArray& order);
