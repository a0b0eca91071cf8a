#pragma once

// TxCheckedComboBox: looks like a drop-down combo box but drops down a list with a check box on
// every item. The box shows the number of ticked items ("%d件選択") or the ticked items joined
// with ",". The ticked set is kept per item, so items holding commas, blanks or quotes stay apart.

#include <QFrame>
#include <QStringList>

#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QAction;

enum TCHBDispStyle { dsKensu, dsItems };
enum TCHBQuoteStyle { qsNone, qsSingle, qsDouble };

class TxCheckedComboBox;

namespace checkedcombo {

// The arrow of the button picture: drawn by us in three states (the product's bitmaps are not
// available here).
class ArrowButton : public QWidget {
    Q_OBJECT
public:
    enum State { Normal, Hot, Press };
    explicit ArrowButton(TxCheckedComboBox* owner, QWidget* parent);
    State state() const { return m_state; }
    void setState(State state);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TxCheckedComboBox* m_owner;
    State m_state = Normal;
};

// The drop-down window: a popup that closes itself when the user clicks elsewhere.
class DropDown : public QFrame {
    Q_OBJECT
public:
    explicit DropDown(TxCheckedComboBox* owner);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TxCheckedComboBox* m_owner;
};

} // namespace checkedcombo

class TxCheckedComboBox : public QFrame {
    Q_OBJECT
public:
    using NotifyHook = std::function<void(QObject* sender)>;
    using KeyDownHook = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers)>;
    using KeyPressHook = std::function<void(QObject* sender, QChar& key)>;

    explicit TxCheckedComboBox(QWidget* parent = nullptr);
    ~TxCheckedComboBox() override;

    const QStringList& Items() const { return m_items; }
    // Any change reloads the list, all unticked.
    void setItems(const QStringList& items);
    const QString& CapSelectAll() const { return m_capSelectAll; }
    void setCapSelectAll(const QString& caption) { m_capSelectAll = caption; }
    const QString& CapDeSelectAll() const { return m_capDeSelectAll; }
    void setCapDeSelectAll(const QString& caption) { m_capDeSelectAll = caption; }
    bool Sorted() const { return m_sorted; }
    void setSorted(bool on);
    TCHBQuoteStyle QuoteStyle() const { return m_quoteStyle; }
    void setQuoteStyle(TCHBQuoteStyle style) { m_quoteStyle = style; }
    int Columns() const { return m_columns; }
    void setColumns(int columns);
    // 1 to 20 only.
    int DropDownLines() const { return m_dropDownLines; }
    void setDropDownLines(int lines);
    const QString& EmptyValue() const { return m_emptyValue; }
    void setEmptyValue(const QString& value);
    bool SortDisplay() const { return m_sortDisplay; }
    void setSortDisplay(bool on);
    int DropDownWidth() const { return m_dropDownWidth; }
    void setDropDownWidth(int width) { m_dropDownWidth = width; }
    TCHBDispStyle DispStyle() const { return m_dispStyle; }
    void setDispStyle(TCHBDispStyle style);
    const QString& KensuValueFormat() const { return m_kensuFormat; }
    void setKensuValueFormat(const QString& format);
    bool KeyUse() const { return m_keyUse; }
    void setKeyUse(bool on) { m_keyUse = on; }
    int KeyLength() const { return m_keyLength; }
    void setKeyLength(int length) { m_keyLength = length; }
    const QString& KeyDelimiter() const { return m_keyDelimiter; }
    void setKeyDelimiter(const QString& delimiter) { m_keyDelimiter = delimiter; }
    QString Version() const { return QStringLiteral("1.0.3"); }
    void setVersion(const QString&) {}
    bool MultiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool on);

    // The ticked items in the order they were ticked, and their number.
    QStringList TickedItems() const;
    int TickedCount() const { return int(m_ticked.size()); }
    // What the box shows.
    QString DisplayText() const;

    // The list's parts, for hosts that drive it as the user would.
    QListWidget* list() const { return m_list; }
    QMenu* menu() const { return m_menu; }
    QAction* selectAllAction() const { return m_selectAll; }
    QAction* deselectAllAction() const { return m_deselectAll; }
    QWidget* dropDown() const;
    checkedcombo::ArrowButton* picture() const { return m_picture; }
    QLabel* textPanel() const { return m_text; }
    bool isListOpen() const;
    // The rows the drop-down window shows for the current items.
    int dropDownRows() const;

    // A click on the button picture (also F4): opens the list, or only clears the flag of a
    // close caused by that same click.
    void ButtonClick();
    void SelectAll();
    void DeSelectAll();

    NotifyHook OnChange;
    NotifyHook OnEnter;
    NotifyHook OnExit;
    NotifyHook OnCloseUp;
    NotifyHook OnClickCheck;
    NotifyHook OnPanelClick;
    NotifyHook OnButtonClick;
    NotifyHook OnClick;
    KeyDownHook OnKeyDown;
    KeyPressHook OnKeyPress;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class checkedcombo::DropDown;
    friend class checkedcombo::ArrowButton;

    void reloadList();
    void refreshDisplay();
    void applyLayout();
    void itemChanged(QListWidgetItem* item);
    void listClosed();
    void pressOutsideList(const QPoint& globalPos);
    void setTicked(int row, bool on);

    QStringList m_items;
    QString m_capSelectAll;
    QString m_capDeSelectAll;
    bool m_sorted = false;
    TCHBQuoteStyle m_quoteStyle = qsNone;
    int m_columns = 0;
    int m_dropDownLines = 15;
    QString m_emptyValue;
    bool m_sortDisplay = false;
    int m_dropDownWidth = 120;
    TCHBDispStyle m_dispStyle = dsKensu;
    QString m_kensuFormat;
    bool m_keyUse = false;
    int m_keyLength = 0;
    QString m_keyDelimiter = QStringLiteral(":");
    bool m_multiSelect = true;

    std::vector<int> m_ticked; // rows of Items in the order they were ticked
    bool m_closedByPicture = false;
    bool m_updating = false;
    bool m_inLayout = false;

    QLabel* m_text = nullptr;
    checkedcombo::ArrowButton* m_picture = nullptr;
    checkedcombo::DropDown* m_dropDown = nullptr;
    QListWidget* m_list = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_selectAll = nullptr;
    QAction* m_deselectAll = nullptr;
};
