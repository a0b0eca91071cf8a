// TPerfectGrid and its model: the dialogs' list grid over QTableView.
#include "ui/ListGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <cmath>

namespace ui {

namespace {

constexpr int kRoleRowBack = Qt::UserRole + 1;

platform::TColor defaultColor(int property)
{
    switch (property) {
    case -501: return platform::clWhite;
    case 101: return platform::clWhite;
    case 56: return platform::clHighlight;
    case 109: return platform::clBtnFace;
    case 145: return platform::clGrayText;
    default: return platform::clGray;
    }
}

Qt::Alignment alignmentOf(int code)
{
    switch (code) {
    case 1: return Qt::AlignRight | Qt::AlignVCenter;
    case 2: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// Paints cells without any selection fill: the model gives back and text colours, the current
// row's text colour included; pictures are centred where the grid says so.
class ListGridDelegate final : public QStyledItemDelegate {
public:
    explicit ListGridDelegate(TPerfectGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        painter->save();
        const QVariant back = index.data(Qt::BackgroundRole);
        painter->fillRect(option.rect, back.value<QColor>());
        const QVariant picture = index.data(Qt::DecorationRole);
        if (picture.canConvert<QPixmap>()) {
            const QPixmap pm = picture.value<QPixmap>();
            if (!pm.isNull()) {
                QRect target(QPoint(0, 0), pm.size().scaled(option.rect.size(), Qt::KeepAspectRatio)
                                               .boundedTo(pm.size()));
                if (m_grid->pictureAlignment(index.column()) == 5)
                    target.moveCenter(option.rect.center());
                else
                    target.moveTopLeft(option.rect.topLeft());
                painter->drawPixmap(target, pm);
            }
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty()) {
            const QVariant font = index.data(Qt::FontRole);
            painter->setFont(font.isValid() ? font.value<QFont>() : option.font);
            QColor fg = index.data(Qt::ForegroundRole).value<QColor>();
            if (!m_grid->isEnabled())
                fg = platform::toQColor(m_grid->colorProperty(145));
            painter->setPen(fg);
            const int margin = 2;
            const Qt::Alignment align =
                Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
            painter->drawText(option.rect.adjusted(margin, 0, -margin, 0), int(align),
                              painter->fontMetrics().elidedText(text, Qt::ElideNone,
                                                                 option.rect.width()));
        }
        painter->restore();
    }

private:
    TPerfectGrid* m_grid;
};

} // namespace

// ---- model --------------------------------------------------------------------------------

ListGridModel::ListGridModel(QObject* parent) : QAbstractTableModel(parent) {}

int ListGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ListGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

bool ListGridModel::valid(int row, int col) const
{
    return row >= 0 && row < int(m_rows.size()) && col >= 0 && col < m_columns;
}

QVariant ListGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !valid(index.row(), index.column()))
        return {};
    const Row& r = m_rows[std::size_t(index.row())];
    const Cell& c = r.cells[std::size_t(index.column())];
    const bool current = index.row() == m_current;
    switch (role) {
    case Qt::DisplayRole: return c.text;
    case Qt::DecorationRole: return c.picture.isNull() ? QVariant() : QVariant(c.picture);
    case Qt::TextAlignmentRole: return int(alignmentOf(columnAlignment(index.column())));
    case Qt::FontRole: return r.font ? QVariant(*r.font) : QVariant();
    case Qt::BackgroundRole:
    case kRoleRowBack: {
        platform::TColor back = r.back;
        if (back == kDefault)
            back = color(index.row() % 2 == 1 ? 101 : -501);
        return platform::toQColor(back);
    }
    case Qt::ForegroundRole: {
        platform::TColor fg = r.text == kDefault ? platform::clWindowText : r.text;
        if (current)
            fg = r.activeText == kDefault ? color(56) : r.activeText;
        return platform::toQColor(fg);
    }
    default: return {};
    }
}

QVariant ListGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < m_columns) {
        if (role == Qt::DisplayRole)
            return m_headers[std::size_t(section)];
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
    }
    if (orientation == Qt::Vertical && role == Qt::DisplayRole && section >= 0 &&
        section < int(m_rows.size()))
        return QString::number(m_rows[std::size_t(section)].value);
    return {};
}

void ListGridModel::setColumnCount(int count)
{
    count = std::max(0, count);
    beginResetModel();
    m_columns = count;
    m_headers.resize(std::size_t(count));
    m_alignment.resize(std::size_t(count), 0);
    for (Row& r : m_rows)
        r.cells.resize(std::size_t(count));
    endResetModel();
}

void ListGridModel::setHeaderText(int col, const QString& text)
{
    if (col < 0 || col >= m_columns)
        return;
    m_headers[std::size_t(col)] = text;
    emit headerDataChanged(Qt::Horizontal, col, col);
}

QString ListGridModel::headerText(int col) const
{
    return col >= 0 && col < m_columns ? m_headers[std::size_t(col)] : QString();
}

void ListGridModel::setColumnAlignment(int col, int code)
{
    if (col < 0 || col >= m_columns)
        return;
    m_alignment[std::size_t(col)] = code;
    if (!m_rows.empty())
        emit dataChanged(index(0, col), index(int(m_rows.size()) - 1, col));
}

int ListGridModel::columnAlignment(int col) const
{
    return col >= 0 && col < m_columns ? m_alignment[std::size_t(col)] : 0;
}

void ListGridModel::insertGridRows(int row, int count)
{
    if (count <= 0)
        return;
    row = std::clamp(row, 0, int(m_rows.size()));
    beginInsertRows({}, row, row + count - 1);
    Row empty;
    empty.cells.resize(std::size_t(m_columns));
    m_rows.insert(m_rows.begin() + row, std::size_t(count), empty);
    if (m_current >= row)
        m_current += count;
    endInsertRows();
}

void ListGridModel::deleteGridRows(int row, int count)
{
    if (row < 0 || row >= int(m_rows.size()) || count <= 0)
        return;
    count = std::min(count, int(m_rows.size()) - row);
    beginRemoveRows({}, row, row + count - 1);
    m_rows.erase(m_rows.begin() + row, m_rows.begin() + row + count);
    if (m_current >= row + count)
        m_current -= count;
    else if (m_current >= row)
        m_current = m_rows.empty() ? -1 : std::min(row, int(m_rows.size()) - 1);
    endRemoveRows();
}

void ListGridModel::clearRows()
{
    beginResetModel();
    m_rows.clear();
    m_current = -1;
    endResetModel();
}

void ListGridModel::rowChanged(int row)
{
    if (row >= 0 && row < int(m_rows.size()) && m_columns > 0)
        emit dataChanged(index(row, 0), index(row, m_columns - 1));
}

void ListGridModel::setCellText(int row, int col, const QString& text)
{
    if (!valid(row, col))
        return;
    m_rows[std::size_t(row)].cells[std::size_t(col)].text = text;
    emit dataChanged(index(row, col), index(row, col));
}

QString ListGridModel::cellText(int row, int col) const
{
    return valid(row, col) ? m_rows[std::size_t(row)].cells[std::size_t(col)].text : QString();
}

void ListGridModel::setCellNumber(int row, int col, long long value)
{
    setCellText(row, col, QString::number(value));
}

long long ListGridModel::cellNumber(int row, int col) const
{
    bool ok = false;
    const long long v = cellText(row, col).trimmed().toLongLong(&ok);
    return ok ? v : 0;
}

void ListGridModel::setCellPicture(int row, int col, const QPixmap& picture)
{
    if (!valid(row, col))
        return;
    m_rows[std::size_t(row)].cells[std::size_t(col)].picture = picture;
    emit dataChanged(index(row, col), index(row, col));
}

QPixmap ListGridModel::cellPicture(int row, int col) const
{
    return valid(row, col) ? m_rows[std::size_t(row)].cells[std::size_t(col)].picture : QPixmap();
}

void ListGridModel::setRowValue(int row, long long value)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_rows[std::size_t(row)].value = value;
    emit headerDataChanged(Qt::Vertical, row, row);
}

long long ListGridModel::rowValue(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)].value : 0;
}

void ListGridModel::setRowBackColor(int row, platform::TColor color)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_rows[std::size_t(row)].back = color;
    rowChanged(row);
}

platform::TColor ListGridModel::rowBackColor(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)].back : kDefault;
}

void ListGridModel::setRowTextColor(int row, platform::TColor color)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_rows[std::size_t(row)].text = color;
    rowChanged(row);
}

platform::TColor ListGridModel::rowTextColor(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)].text : kDefault;
}

void ListGridModel::setRowActiveTextColor(int row, platform::TColor color)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_rows[std::size_t(row)].activeText = color;
    rowChanged(row);
}

platform::TColor ListGridModel::rowActiveTextColor(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)].activeText : kDefault;
}

void ListGridModel::setRowFont(int row, const QFont& font)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_rows[std::size_t(row)].font = font;
    rowChanged(row);
}

std::optional<QFont> ListGridModel::rowFont(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)].font : std::nullopt;
}

void ListGridModel::setColor(int property, platform::TColor color)
{
    m_colors[property] = color;
    if (!m_rows.empty() && m_columns > 0)
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, m_columns - 1));
}

platform::TColor ListGridModel::color(int property) const
{
    const auto it = m_colors.find(property);
    return it != m_colors.end() ? it->second : defaultColor(property);
}

void ListGridModel::setCurrentRow(int row)
{
    if (row < -1 || row >= int(m_rows.size()) || row == m_current)
        return;
    const int old = m_current;
    m_current = row;
    rowChanged(old);
    rowChanged(row);
}

// ---- view ---------------------------------------------------------------------------------

TPerfectGrid::TPerfectGrid(QWidget* parent) : QTableView(parent), m_model(new ListGridModel(this))
{
    QTableView::setModel(m_model);
    setItemDelegate(new ListGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    applyHeights();
    applyColours();

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TPerfectGrid::headerClicked);
    connect(this, &QTableView::clicked, this,
            [this](const QModelIndex& i) { emit cellClicked(i.row(), i.column()); });
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& i) { emit cellDoubleClicked(i.row(), i.column()); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) {
                const int oldRow = m_model->currentRow();
                if (before.isValid() || oldRow >= 0)
                    emit cellLostFocus(before.isValid() ? before.row() : oldRow, before.column());
                m_model->setCurrentRow(now.isValid() ? now.row() : -1);
                if (now.isValid())
                    emit cellGotFocus(now.row(), now.column());
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        for (const auto& [col, width] : m_widths)
            setColWidth(col, width);
    });
}

void TPerfectGrid::setColWidth(int col, int width)
{
    m_widths[col] = width;
    if (col < 0 || col >= columnCount())
        return;
    if (width <= 0) {
        setColumnHidden(col, true);
        return;
    }
    setColumnHidden(col, false);
    QTableView::setColumnWidth(col, int(std::lround(width * m_scale)));
}

int TPerfectGrid::colWidth(int col) const
{
    const auto it = m_widths.find(col);
    return it != m_widths.end() ? it->second : 0;
}

void TPerfectGrid::setPictureAlignment(int col, int code)
{
    m_pictureAlignment[col] = code;
    viewport()->update();
}

int TPerfectGrid::pictureAlignment(int col) const
{
    const auto it = m_pictureAlignment.find(col);
    return it != m_pictureAlignment.end() ? it->second : 0;
}

void TPerfectGrid::setFixedRowHeight(int height)
{
    m_fixedRowHeight = height;
    applyHeights();
}

void TPerfectGrid::setRowHeight(int height)
{
    m_rowHeight = height;
    applyHeights();
}

void TPerfectGrid::setScale(double scale)
{
    m_scale = scale > 0 ? scale : 1.0;
    applyHeights();
    for (const auto& [col, width] : m_widths)
        setColWidth(col, width);
}

void TPerfectGrid::applyHeights()
{
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(std::max(1, int(std::lround(m_rowHeight * m_scale))));
    horizontalHeader()->setFixedHeight(std::max(1, int(std::lround(m_fixedRowHeight * m_scale))));
}

void TPerfectGrid::setCurrentRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        selectionModel()->clearCurrentIndex();
        m_model->setCurrentRow(-1);
        return;
    }
    int col = currentIndex().isValid() ? currentIndex().column() : 0;
    while (col < columnCount() - 1 && isColumnHidden(col))
        ++col;
    setCurrentIndex(m_model->index(row, col));
}

int TPerfectGrid::currentCol() const
{
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

int TPerfectGrid::topRow() const
{
    return rowCount() == 0 ? -1 : verticalScrollBar()->value();
}

void TPerfectGrid::setTopRow(int row)
{
    verticalScrollBar()->setValue(std::max(0, row));
}

void TPerfectGrid::setColorProperty(int property, platform::TColor color)
{
    m_model->setColor(property, color);
    applyColours();
}

void TPerfectGrid::applyColours()
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, platform::toQColor(m_model->color(-501)));
    pal.setColor(QPalette::Window, platform::toQColor(m_model->color(-501)));
    // The style draws the grid lines in the palette's mid colour.
    pal.setColor(QPalette::Mid, platform::toQColor(m_model->color(79)));
    setPalette(pal);
    QPalette head = horizontalHeader()->palette();
    head.setColor(QPalette::Button, platform::toQColor(m_model->color(109)));
    head.setColor(QPalette::Window, platform::toQColor(m_model->color(109)));
    horizontalHeader()->setPalette(head);
    viewport()->update();
}

void TPerfectGrid::keyPressEvent(QKeyEvent* event)
{
    event->ignore();
    emit keyDown(event);
    if (event->isAccepted())
        return;
    event->accept();
    QTableView::keyPressEvent(event);
}

void TPerfectGrid::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        viewport()->update();
}

} // namespace ui
