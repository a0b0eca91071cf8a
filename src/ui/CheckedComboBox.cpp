// The checked combo box.
#include "ui/CheckedComboBox.h"

#include "platform/Colors.h"
#include "ui/KeyStyle.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace checkedcombo {

ArrowButton::ArrowButton(TxCheckedComboBox* owner, QWidget* parent)
    : QWidget(parent), m_owner(owner)
{
    setObjectName(QStringLiteral("ButtonPicture"));
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_Hover);
}

void ArrowButton::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    update();
}

void ArrowButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    const bool enabled = isEnabled();
    QColor face = platform::toQColor(platform::clBtnFace);
    if (m_state == Hot)
        face = face.lighter(112);
    else if (m_state == Press)
        face = face.darker(115);
    p.fillRect(r, face);
    // A raised edge, or a sunken one while the list opens.
    const QColor light = platform::toQColor(platform::clBtnHighlight);
    const QColor dark = platform::toQColor(platform::clBtnShadow);
    const QColor& topLeft = m_state == Press ? dark : light;
    const QColor& bottomRight = m_state == Press ? light : dark;
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    // The down arrow, one pixel lower while pressed.
    const int w = std::max(3, std::min(r.width() - 4, 7) | 1);
    const int h = (w + 1) / 2;
    const int x = (r.width() - w) / 2;
    const int y = (r.height() - h) / 2 + (m_state == Press ? 1 : 0);
    QPolygon arrow;
    arrow << QPoint(x, y) << QPoint(x + w - 1, y) << QPoint(x + w / 2, y + h - 1);
    const QColor ink = enabled ? (m_state == Hot ? platform::toQColor(platform::clHighlight)
                                                 : platform::toQColor(platform::clBtnText))
                               : platform::toQColor(platform::clGrayText);
    p.setPen(ink);
    p.setBrush(ink);
    p.drawPolygon(arrow);
}

void ArrowButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_owner->ButtonClick();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ArrowButton::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (!m_owner->isListOpen())
        setState(Hot);
}

void ArrowButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (!m_owner->isListOpen())
        setState(Normal);
}

DropDown::DropDown(TxCheckedComboBox* owner)
    : QFrame(owner, Qt::Popup | Qt::FramelessWindowHint), m_owner(owner)
{
    setObjectName(QStringLiteral("DropDown"));
    // The click that closes the list is handled here, never passed on a second time.
    setAttribute(Qt::WA_NoMouseReplay);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, platform::toQColor(platform::clWindow));
    setPalette(pal);
}

void DropDown::mousePressEvent(QMouseEvent* event)
{
    if (rect().contains(event->position().toPoint())) {
        QFrame::mousePressEvent(event);
        return;
    }
    m_owner->pressOutsideList(event->globalPosition().toPoint());
}

void DropDown::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    m_owner->listClosed();
}

} // namespace checkedcombo

using checkedcombo::ArrowButton;

TxCheckedComboBox::TxCheckedComboBox(QWidget* parent)
    : QFrame(parent),
      m_capSelectAll(QStringLiteral("&全て選択")),
      m_capDeSelectAll(QStringLiteral("&選択解除")),
      m_emptyValue(QStringLiteral("未選択")),
      m_kensuFormat(QStringLiteral("%d件選択"))
{
    setFocusPolicy(Qt::StrongFocus);
    // The single border of the text panel, drawn by the control around it.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("TextPanel"));
    m_text->setFrameStyle(QFrame::NoFrame);
    m_text->setAutoFillBackground(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_text->setFocusPolicy(Qt::NoFocus);
    m_text->installEventFilter(this);
    m_picture = new ArrowButton(this, m_text);

    m_dropDown = new checkedcombo::DropDown(this);
    m_list = new QListWidget(m_dropDown);
    m_list->setObjectName(QStringLiteral("CheckList"));
    m_list->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_list->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->installEventFilter(this);
    connect(m_list, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { itemChanged(item); });
    m_menu = new QMenu(m_list);
    m_selectAll = m_menu->addAction(m_capSelectAll, this, [this] { SelectAll(); });
    m_deselectAll = m_menu->addAction(m_capDeSelectAll, this, [this] { DeSelectAll(); });
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_menu->popup(m_list->viewport()->mapToGlobal(pos)); });

    resize(120, 20);
    m_dropDownWidth = 120;
    applyLayout();
    refreshDisplay();
}

TxCheckedComboBox::~TxCheckedComboBox()
{
    OnCloseUp = nullptr;
    if (isListOpen())
        m_dropDown->hide();
    m_text->removeEventFilter(this);
    m_list->removeEventFilter(this);
}

QWidget* TxCheckedComboBox::dropDown() const { return m_dropDown; }

bool TxCheckedComboBox::isListOpen() const { return m_dropDown && m_dropDown->isVisible(); }

void TxCheckedComboBox::setItems(const QStringList& items)
{
    m_items = items;
    if (m_sorted)
        std::sort(m_items.begin(), m_items.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
    reloadList();
}

void TxCheckedComboBox::setSorted(bool on)
{
    m_sorted = on;
    if (on)
        setItems(m_items);
}

void TxCheckedComboBox::reloadList()
{
    m_updating = true;
    m_list->clear();
    m_ticked.clear();
    refreshDisplay();
    for (const QString& text : m_items) {
        auto* item = new QListWidgetItem(text, m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_updating = false;
}

void TxCheckedComboBox::setColumns(int columns)
{
    m_columns = columns;
}

void TxCheckedComboBox::setDropDownLines(int lines)
{
    if (lines >= 1 && lines <= 20)
        m_dropDownLines = lines;
}

void TxCheckedComboBox::setEmptyValue(const QString& value)
{
    if (value == m_emptyValue)
        return;
    m_emptyValue = value;
    refreshDisplay();
    if (!hasFocus() && isVisible())
        update();
}

void TxCheckedComboBox::setSortDisplay(bool on)
{
    m_sortDisplay = on;
    refreshDisplay();
}

void TxCheckedComboBox::setDispStyle(TCHBDispStyle style)
{
    m_dispStyle = style;
    refreshDisplay();
}

void TxCheckedComboBox::setKensuValueFormat(const QString& format)
{
    m_kensuFormat = format;
    refreshDisplay();
}

void TxCheckedComboBox::setMultiSelect(bool on)
{
    m_multiSelect = on;
    m_selectAll->setEnabled(on);
}

QStringList TxCheckedComboBox::TickedItems() const
{
    QStringList out;
    for (int row : m_ticked)
        out << m_items.at(row);
    return out;
}

QString TxCheckedComboBox::DisplayText() const
{
    if (m_dispStyle == dsKensu) {
        if (m_ticked.empty())
            return m_emptyValue;
        if (m_ticked.size() == 1)
            return m_items.at(m_ticked.front());
        // Only the count goes into the format: a user's format never reads other arguments.
        QString text = m_kensuFormat;
        return text.replace(QStringLiteral("%d"), QString::number(m_ticked.size()));
    }
    if (m_ticked.empty())
        return m_emptyValue;
    if (!m_sortDisplay)
        return TickedItems().join(QLatin1Char(','));
    QStringList inOrder;
    for (int row = 0; row < m_items.size(); ++row)
        if (std::find(m_ticked.begin(), m_ticked.end(), row) != m_ticked.end())
            inOrder << m_items.at(row);
    return inOrder.join(QLatin1Char(','));
}

void TxCheckedComboBox::refreshDisplay() { m_text->setText(DisplayText()); }

int TxCheckedComboBox::dropDownRows() const
{
    const int count = int(m_items.size());
    const int rows = m_columns < 2 ? std::min(m_dropDownLines, count) : count / m_columns + 1;
    return std::clamp(rows, 1, 20);
}

void TxCheckedComboBox::itemChanged(QListWidgetItem* item)
{
    if (m_updating)
        return;
    const int row = m_list->row(item);
    const bool on = item->checkState() == Qt::Checked;
    if (on) {
        if (!m_multiSelect) {
            m_updating = true;
            for (int other : m_ticked)
                if (other != row)
                    m_list->item(other)->setCheckState(Qt::Unchecked);
            m_updating = false;
            m_ticked.clear();
        }
        if (std::find(m_ticked.begin(), m_ticked.end(), row) == m_ticked.end())
            m_ticked.push_back(row);
    } else {
        std::erase(m_ticked, row);
    }
    refreshDisplay();
    if (OnChange)
        OnChange(this);
    if (OnClickCheck)
        OnClickCheck(this);
}

void TxCheckedComboBox::SelectAll()
{
    if (!m_multiSelect)
        return;
    m_updating = true;
    m_ticked.clear();
    for (int row = 0; row < m_list->count(); ++row) {
        m_list->item(row)->setCheckState(Qt::Checked);
        m_ticked.push_back(row);
    }
    m_updating = false;
    refreshDisplay();
    m_text->repaint();
    if (OnChange)
        OnChange(this);
}

void TxCheckedComboBox::DeSelectAll()
{
    m_updating = true;
    m_ticked.clear();
    for (int row = 0; row < m_list->count(); ++row)
        m_list->item(row)->setCheckState(Qt::Unchecked);
    m_updating = false;
    refreshDisplay();
    if (OnChange)
        OnChange(this);
}

void TxCheckedComboBox::ButtonClick()
{
    // A click on the picture while the list is open only closes it.
    if (isListOpen()) {
        m_closedByPicture = true;
        m_dropDown->hide();
    }
    m_picture->setState(ArrowButton::Press);
    setFocus(Qt::MouseFocusReason);
    if (OnButtonClick)
        OnButtonClick(this);
    if (m_items.isEmpty() || m_closedByPicture) {
        m_closedByPicture = false;
        m_picture->setState(ArrowButton::Normal);
        return;
    }
    if (OnClick)
        OnClick(this);
    const int rows = dropDownRows();
    m_selectAll->setText(m_capSelectAll);
    m_deselectAll->setText(m_capDeSelectAll);
    m_dropDown->setFont(font());
    m_list->setFont(font());
    const int itemHeight =
        m_list->count() > 0 ? std::max(m_list->sizeHintForRow(0), 1) : fontMetrics().height();
    const int w = std::max(width(), m_dropDownWidth);
    const int h = rows * itemHeight + 4;
    if (m_columns >= 2) {
        m_list->setFlow(QListView::TopToBottom);
        m_list->setWrapping(true);
        m_list->setGridSize(QSize((w - 4) / m_columns, itemHeight));
    } else {
        m_list->setFlow(QListView::TopToBottom);
        m_list->setWrapping(false);
        m_list->setGridSize(QSize());
    }
    QPoint pos = mapToGlobal(QPoint(0, height()));
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect area = s ? s->geometry() : QRect(0, 0, 1024, 768);
    // Too close to the bottom of the screen: above the control instead.
    if (pos.y() + h > area.bottom() + 1 - 20)
        pos.setY(pos.y() - h - height());
    m_dropDown->setGeometry(pos.x(), pos.y(), w, h);
    m_list->setGeometry(0, 0, w, h);
    m_dropDown->show();
    m_list->setFocus(Qt::PopupFocusReason);
    if (m_list->currentRow() < 0 && m_list->count() > 0)
        m_list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    update();
}

void TxCheckedComboBox::pressOutsideList(const QPoint& globalPos)
{
    const QPoint p = m_picture->mapFromGlobal(globalPos);
    const bool onPicture =
        p.x() > 0 && p.x() < m_picture->width() && p.y() > 0 && p.y() < m_picture->height();
    if (onPicture) {
        // The same click then reaches the picture, which only clears the flag.
        ButtonClick();
        return;
    }
    m_dropDown->hide();
}

void TxCheckedComboBox::listClosed()
{
    m_picture->setState(ArrowButton::Normal);
    update();
    if (window())
        setFocus(Qt::OtherFocusReason);
    if (OnCloseUp)
        OnCloseUp(this);
}

void TxCheckedComboBox::applyLayout()
{
    const int h = fontMetrics().height() + 8;
    if (height() != h && !m_inLayout) {
        m_inLayout = true;
        resize(width(), h);
        m_inLayout = false;
    }
    const int w = width();
    const int pw = int(w * 0.1);
    const int f = frameWidth();
    m_text->setGeometry(f, f, w - 2 * f, h - 2 * f);
    m_text->setContentsMargins(2, 0, pw + 3, 0);
    // The picture sits at the right of the text panel.
    m_picture->setGeometry(w - 2 * f - pw - 1, 1, pw, h - 2 * f - 2);
    m_picture->setEnabled(isEnabled());
    m_text->setEnabled(isEnabled());
    QPalette pal = m_text->palette();
    if (!isEnabled()) {
        pal.setColor(QPalette::Window, platform::toQColor(platform::clWindow));
        pal.setColor(QPalette::WindowText, platform::toQColor(platform::clGrayText));
    } else if (hasFocus()) {
        pal.setColor(QPalette::Window, platform::toQColor(platform::clHighlight));
        pal.setColor(QPalette::WindowText, Qt::white);
    } else {
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    }
    m_text->setPalette(pal);
}

void TxCheckedComboBox::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    applyLayout();
}

void TxCheckedComboBox::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) {
        m_text->setFont(font());
        applyLayout();
        update();
    }
}

void TxCheckedComboBox::focusInEvent(QFocusEvent* event)
{
    QFrame::focusInEvent(event);
    if (event->reason() == Qt::PopupFocusReason)
        return;
    if (OnEnter)
        OnEnter(this);
    applyLayout();
    update();
}

void TxCheckedComboBox::focusOutEvent(QFocusEvent* event)
{
    QFrame::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || isListOpen())
        return;
    if (OnExit)
        OnExit(this);
    applyLayout();
    update();
}

void TxCheckedComboBox::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    if (OnKeyDown)
        OnKeyDown(this, key, event->modifiers());
    if (key == Qt::Key_F4) {
        ButtonClick();
        event->accept();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        QChar ch(u'\r');
        if (OnKeyPress)
            OnKeyPress(this, ch);
        ui::moveFocusFrom(this, true);
        event->accept();
        return;
    }
    const QString text = event->text();
    if (OnKeyPress && text.size() == 1 && text[0] >= QChar(u' ')) {
        QChar ch = text[0];
        OnKeyPress(this, ch);
    }
    QFrame::keyPressEvent(event);
}

void TxCheckedComboBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        update();
    }
    QFrame::mousePressEvent(event);
}

void TxCheckedComboBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        update();
    QFrame::mouseReleaseEvent(event);
}

bool TxCheckedComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text && event->type() == QEvent::MouseButtonPress) {
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
        if (OnPanelClick)
            OnPanelClick(this);
        return true;
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        const auto mods = ke->modifiers() & ~Qt::KeypadModifier;
        switch (ke->key()) {
        case Qt::Key_Escape:
            m_dropDown->hide();
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (mods == Qt::NoModifier) {
                m_dropDown->hide();
                setFocus();
                ui::moveFocusFrom(this, true);
                return true;
            }
            break;
        case Qt::Key_Backtab:
            m_dropDown->hide();
            setFocus();
            ui::moveFocusFrom(this, false);
            return true;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}
