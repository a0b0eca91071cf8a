#pragma once

// TPerfectGrid: the list grid of the dialogs, a QTableView over a model of our own.

#include "platform/Colors.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QPixmap>
#include <QTableView>

#include <map>
#include <optional>
#include <vector>

class QKeyEvent;

namespace ui {

// Rows of text and pictures with per-row colours, fonts and one hidden value each. The grid's
// current row paints its text in the highlight colour; nothing is filled as a selection.
class ListGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr platform::TColor kDefault = 0xFFFFFFFFu; // "use the grid's colour"

    explicit ListGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setColumnCount(int count);
    void setHeaderText(int col, const QString& text);
    QString headerText(int col) const;
    // 0 left, 1 right, 2 centre.
    void setColumnAlignment(int col, int code);
    int columnAlignment(int col) const;

    // Inserts count empty rows before row (row == rowCount() appends).
    void insertGridRows(int row, int count);
    void deleteGridRows(int row, int count);
    void clearRows();

    void setCellText(int row, int col, const QString& text);
    QString cellText(int row, int col) const;
    void setCellNumber(int row, int col, long long value);
    // The cell's text as a number; 0 when it is empty or not a number.
    long long cellNumber(int row, int col) const;
    void setCellPicture(int row, int col, const QPixmap& picture);
    QPixmap cellPicture(int row, int col) const;

    void setRowValue(int row, long long value);
    long long rowValue(int row) const;
    void setRowBackColor(int row, platform::TColor color);
    platform::TColor rowBackColor(int row) const;
    void setRowTextColor(int row, platform::TColor color);
    platform::TColor rowTextColor(int row) const;
    // Text colour of this row while it is the current one (kDefault: the grid's highlight).
    void setRowActiveTextColor(int row, platform::TColor color);
    platform::TColor rowActiveTextColor(int row) const;
    void setRowFont(int row, const QFont& font);
    std::optional<QFont> rowFont(int row) const;

    // The colours the painting uses, by property number (see TPerfectGrid::setColorProperty).
    void setColor(int property, platform::TColor color);
    platform::TColor color(int property) const;

    void setCurrentRow(int row);
    int currentRow() const { return m_current; }

private:
    struct Cell {
        QString text;
        QPixmap picture;
    };
    struct Row {
        std::vector<Cell> cells;
        long long value = 0;
        platform::TColor back = kDefault;
        platform::TColor text = kDefault;
        platform::TColor activeText = kDefault;
        std::optional<QFont> font;
    };
    bool valid(int row, int col) const;
    void rowChanged(int row);

    std::vector<Row> m_rows;
    std::vector<QString> m_headers;
    std::vector<int> m_alignment;
    std::map<int, platform::TColor> m_colors;
    int m_columns = 0;
    int m_current = -1;
};

// The grid. Column widths are given in pixels at 96 ppi (0 hides the column); colours are
// Windows colour values. Property numbers of setColorProperty:
//   -501 back colour, 101 alternate-row back colour (odd rows), 56 highlight text colour of the
//   current row, 109 header back colour, 112 header line colour, 79 grid line colour, 67 focus
//   frame colour, 50 fixed line colour, 145 text colour while disabled.
class TPerfectGrid : public QTableView {
    Q_OBJECT
public:
    explicit TPerfectGrid(QWidget* parent = nullptr);

    ListGridModel& model() const { return *m_model; }

    void setColumnCount(int count) { m_model->setColumnCount(count); }
    int columnCount() const { return m_model->columnCount(); }
    int rowCount() const { return m_model->rowCount(); }
    void setHeaderText(int col, const QString& text) { m_model->setHeaderText(col, text); }
    QString headerText(int col) const { return m_model->headerText(col); }
    // Width in pixels at 96 ppi, scaled by the grid's scale; 0 hides the column.
    void setColWidth(int col, int width);
    int colWidth(int col) const;
    void setColumnAlignment(int col, int code) { m_model->setColumnAlignment(col, code); }
    // 5 centres the column's pictures (the only picture alignment the dialogs use).
    void setPictureAlignment(int col, int code);
    int pictureAlignment(int col) const;

    // Height of the header row and of the data rows, in pixels at 96 ppi.
    void setFixedRowHeight(int height);
    int fixedRowHeight() const { return m_fixedRowHeight; }
    void setRowHeight(int height);
    int rowHeight() const { return m_rowHeight; }
    // Factor applied to the widths and heights above (the dialog's font scaling).
    void setScale(double scale);
    double scale() const { return m_scale; }

    // The most rows a list shows.
    void setMaxRowCount(int count) { m_maxRows = count; }
    int maxRowCount() const { return m_maxRows; }

    // Current row (-1 none) and the first row shown.
    int currentRow() const { return m_model->currentRow(); }
    void setCurrentRow(int row);
    int currentCol() const;
    int topRow() const;
    void setTopRow(int row);

    void setColorProperty(int property, platform::TColor color);
    platform::TColor colorProperty(int property) const { return m_model->color(property); }

signals:
    void headerClicked(int col);
    void cellClicked(int row, int col);
    void cellDoubleClicked(int row, int col);
    void cellGotFocus(int row, int col);
    void cellLostFocus(int row, int col);
    // The key before the grid acts on it; a handler that accepts the event consumes it.
    void keyDown(QKeyEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyColours();
    void applyHeights();

    ListGridModel* m_model;
    std::map<int, int> m_widths;
    std::map<int, int> m_pictureAlignment;
    int m_fixedRowHeight = 18;
    int m_rowHeight = 18;
    double m_scale = 1.0;
    int m_maxRows = 65535;
};

} // namespace ui
