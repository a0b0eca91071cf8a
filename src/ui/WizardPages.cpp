#include "ui/WizardPages.h"

#include "ui/OwnerDrawnButton.h"

#include <QApplication>
#include <QLabel>

TxWizard::TxWizard(QWidget* parent)
    : QStackedWidget(parent),
      m_nextCap(QStringLiteral("次へ(&N) >")),
      m_nextFinCap(QStringLiteral("完了(&F)")),
      m_backCap(QStringLiteral("< 戻る(&B)"))
{
}

TxWizard::~TxWizard() = default;

int TxWizard::addPage(QWidget* page) { return addWidget(page); }

bool TxWizard::removePage(const QString& name)
{
    for (int i = 0; i < count(); ++i) {
        QWidget* page = widget(i);
        if (page->objectName() == name) {
            removeWidget(page);
            delete page;
            return true;
        }
    }
    return false;
}

QStringList TxWizard::Pages() const
{
    QStringList names;
    for (int i = 0; i < count(); ++i)
        names << widget(i)->objectName();
    return names;
}

void TxWizard::setPageIndex(int index)
{
    if (index == currentIndex() || index < 0 || index >= count())
        return;
    QWidget* focused = QApplication::focusWidget();
    const bool focusInside = focused && isAncestorOf(focused);
    setCurrentIndex(index);
    if (focusInside) {
        QWidget* page = widget(index);
        QWidget* target = nullptr;
        for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
            if (!page->isAncestorOf(w))
                break;
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(page) && w->isEnabled()) {
                target = w;
                break;
            }
        }
        (target ? target : page)->setFocus(Qt::TabFocusReason);
    }
    if (OnPageChanged)
        OnPageChanged(this);
}

void TxWizard::setButtonCaption(TxPlButton* button, const QString& caption)
{
    if (button)
        button->CaptionA().setCaption(caption);
}

void TxWizard::setNextButton(TxPlButton* button)
{
    m_nextButton = button;
    if (!button)
        return;
    button->OnClick = [this](QObject* sender) { NextButtonClick(sender); };
    setButtonCaption(button, count() == 1 ? m_nextFinCap : m_nextCap);
}

void TxWizard::setBackButton(TxPlButton* button)
{
    m_backButton = button;
    if (!button)
        return;
    button->OnClick = [this](QObject* sender) { BackButtonClick(sender); };
    button->hide();
    setButtonCaption(button, m_backCap);
}

void TxWizard::setLblHeader(QLabel* label)
{
    m_lblHeader = label;
    if (label && currentIndex() >= 0 && currentIndex() < m_headerCaption.size())
        label->setText(m_headerCaption[currentIndex()]);
}

void TxWizard::setLblInfo(QLabel* label)
{
    m_lblInfo = label;
    if (label && currentIndex() >= 0 && currentIndex() < m_infoCaption.size())
        label->setText(m_infoCaption[currentIndex()]);
}

void TxWizard::refreshLabels()
{
    const int i = currentIndex();
    if (m_lblHeader && i >= 0 && i < m_headerCaption.size())
        m_lblHeader->setText(m_headerCaption[i]);
    if (m_lblInfo && i >= 0 && i < m_infoCaption.size())
        m_lblInfo->setText(m_infoCaption[i]);
}

void TxWizard::NextButtonClick(QObject* sender)
{
    const bool wasLast = count() == currentIndex() + 1;
    bool finalState = false;
    bool allowChange = true;
    if (OnNextClicking)
        OnNextClicking(sender, finalState, allowChange);
    if (!allowChange)
        return;
    if (count() == 1 || wasLast) {
        finalState = true;
    } else {
        setPageIndex(currentIndex() + 1);
        refreshLabels();
        if (m_backButton)
            m_backButton->show();
    }
    if (count() == currentIndex() + 1 && m_nextButton)
        setButtonCaption(m_nextButton, m_nextFinCap);
    if (OnNextClick)
        OnNextClick(sender, finalState);
}

void TxWizard::BackButtonClick(QObject* sender)
{
    if (count() == 1 || currentIndex() == 0) {
        if (m_backButton)
            m_backButton->hide();
    } else {
        setPageIndex(currentIndex() - 1);
        refreshLabels();
        setButtonCaption(m_nextButton, m_nextCap);
        if (currentIndex() == 0 && count() > 1 && m_backButton)
            m_backButton->hide();
    }
    if (OnBackClick)
        OnBackClick(sender);
}
