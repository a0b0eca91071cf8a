#pragma once

#include <QStackedWidget>
#include <QStringList>

#include <functional>

class QLabel;
class TxPlButton;

// A page notebook that runs as a step-by-step wizard: it drives the host's Back and Next
// buttons and optional header and information labels, and lets the host refuse or follow
// every step. Pages are child widgets named "page1", "page2", ...
class TxWizard : public QStackedWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TNextClickEvent = std::function<void(QObject* sender, bool FinalState)>;
    using TNextClickingEvent =
        std::function<void(QObject* sender, bool FinalState, bool& AllowChange)>;

    explicit TxWizard(QWidget* parent = nullptr);
    ~TxWizard() override;

    // The notebook.
    int addPage(QWidget* page);
    // Removes (and deletes) the page of that name; false when there is none.
    bool removePage(const QString& name);
    QStringList Pages() const;
    int PageCount() const { return count(); }
    int PageIndex() const { return currentIndex(); }
    // Shows another page; the current one, a negative one or one past the end changes nothing.
    void setPageIndex(int index);
    TNotifyEvent OnPageChanged;

    const QString& NextButtonCap() const { return m_nextCap; }
    void setNextButtonCap(const QString& caption) { m_nextCap = caption; }
    const QString& NextButtonFinCap() const { return m_nextFinCap; }
    void setNextButtonFinCap(const QString& caption) { m_nextFinCap = caption; }
    const QString& BackButtonCap() const { return m_backCap; }
    void setBackButtonCap(const QString& caption) { m_backCap = caption; }

    TxPlButton* NextButton() const { return m_nextButton; }
    void setNextButton(TxPlButton* button);
    TxPlButton* BackButton() const { return m_backButton; }
    void setBackButton(TxPlButton* button);
    QLabel* LblHeader() const { return m_lblHeader; }
    void setLblHeader(QLabel* label);
    QLabel* LblInfo() const { return m_lblInfo; }
    void setLblInfo(QLabel* label);
    const QStringList& HeaderCaption() const { return m_headerCaption; }
    void setHeaderCaption(const QStringList& lines) { m_headerCaption = lines; }
    const QStringList& InfoCaption() const { return m_infoCaption; }
    void setInfoCaption(const QStringList& lines) { m_infoCaption = lines; }

    TNotifyEvent OnBackClick;
    TNextClickEvent OnNextClick;
    TNextClickingEvent OnNextClicking;

    // The two buttons' click handlers, taken over from the buttons.
    void NextButtonClick(QObject* sender);
    void BackButtonClick(QObject* sender);

private:
    void refreshLabels();
    static void setButtonCaption(TxPlButton* button, const QString& caption);

    QString m_nextCap;
    QString m_nextFinCap;
    QString m_backCap;
    TxPlButton* m_nextButton = nullptr;
    TxPlButton* m_backButton = nullptr;
    QLabel* m_lblHeader = nullptr;
    QLabel* m_lblInfo = nullptr;
    QStringList m_headerCaption;
    QStringList m_infoCaption;
};
