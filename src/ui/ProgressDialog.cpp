#include "ui/ProgressDialog.h"

#include "platform/AnimationFrames.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "records/ProgramRecords.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <utility>

// --- ProgressAnimation --------------------------------------------------------------------

ProgressAnimation::ProgressAnimation(QWidget* parent) : QWidget(parent)
{
    m_timer = new QTimer(this);
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (!m_frames.empty())
            m_frame = (m_frame + 1) % int(m_frames.size());
        else
            m_step = (m_step + 1) % 12;
        update();
    });
}

ProgressAnimation::~ProgressAnimation() { delete m_movie; }

void ProgressAnimation::setSource(const QString& fileName, TCommonAVI common)
{
    setActive(false);
    delete m_movie;
    m_movie = nullptr;
    m_frames.clear();
    m_frame = 0;
    m_timer->setInterval(100);
    m_hasSource = false;
    if (!fileName.isEmpty() && QFileInfo::exists(fileName)) {
        m_hasSource = true;
        auto* movie = new QMovie(fileName);
        if (movie->isValid()) {
            m_movie = movie;
            connect(m_movie, &QMovie::frameChanged, this, [this] { update(); });
        } else {
            delete movie; // a format Qt cannot read (an AVI file): its frames, decoded once
            std::string error;
            platform::AnimationFrames decoded =
                platform::decodeAnimationFrames(fileName.toStdString(), error);
            m_frames = std::move(decoded.frames); // none: the busy indicator
            if (!m_frames.empty())
                m_timer->setInterval(decoded.intervalMs);
        }
    } else if (common != aviNone) {
        m_hasSource = true;
    }
    update();
}

void ProgressAnimation::setActive(bool on)
{
    m_active = on && m_hasSource;
    if (m_movie) {
        if (m_active)
            m_movie->start();
        else
            m_movie->stop();
    } else if (m_active) {
        m_timer->start();
    } else {
        m_timer->stop();
    }
    update();
}

void ProgressAnimation::paintEvent(QPaintEvent*)
{
    if (!m_hasSource)
        return;
    QPainter p(this);
    if (m_movie) {
        const QPixmap frame = m_movie->currentPixmap();
        p.drawPixmap((width() - frame.width()) / 2, (height() - frame.height()) / 2, frame);
        return;
    }
    if (!m_frames.empty()) {
        const QImage& frame = m_frames[m_frame];
        p.drawImage((width() - frame.width()) / 2, (height() - frame.height()) / 2, frame);
        return;
    }
    // Twelve spokes, the current one darkest.
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0;
    for (int i = 0; i < 12; ++i) {
        const int age = (m_step - i + 12) % 12;
        p.setPen(QPen(QColor(0, 0, 0, 255 - age * 18), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius * 0.9));
        p.rotate(30);
    }
}

// --- TxProgressForm -----------------------------------------------------------------------

TxProgressForm::TxProgressForm(QWidget* owner)
    : platform::Dialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TxProgressForm"));
}

void TxProgressForm::doClose(int)
{
    if (onCloseEvent)
        onCloseEvent();
}

// --- TxAnimeProgressDialog ----------------------------------------------------------------

TxAnimeProgressDialog::TxAnimeProgressDialog(QObject* owner) : QObject(owner) {}

TxAnimeProgressDialog::~TxAnimeProgressDialog()
{
    enableParent();
    delete m_form.data();
}

void TxAnimeProgressDialog::enableParent()
{
    if (m_parent && m_parentDisabled)
        m_parent->setEnabled(true);
    m_parentDisabled = false;
}

void TxAnimeProgressDialog::setCaption(const QString& caption)
{
    m_caption = caption;
    if (m_form)
        m_form->setWindowTitle(caption);
}

void TxAnimeProgressDialog::setInfoLabel(const QString& text)
{
    m_infoLabel = text;
    if (m_form && m_label) {
        m_label->setText(text);
        // The caller keeps the GUI thread busy: paint now.
        m_label->repaint();
        Wait(1);
    }
}

void TxAnimeProgressDialog::setLabelPosition(TxLabelPosition position)
{
    m_labelPosition = position;
    if (m_form && m_label)
        arrange();
}

void TxAnimeProgressDialog::setCommonAVI(TCommonAVI avi)
{
    m_commonAvi = avi;
    if (m_form && m_animation)
        m_animation->setSource(m_aviFile, m_commonAvi);
}

void TxAnimeProgressDialog::setAviFile(const QString& fileName)
{
    m_aviFile = fileName;
    if (m_form && m_animation) {
        if (!QFileInfo::exists(m_aviFile))
            m_aviFile.clear();
        m_animation->setSource(m_aviFile, m_commonAvi);
    }
}

bool TxAnimeProgressDialog::AnimeActive() const { return m_animation && m_animation->active(); }

void TxAnimeProgressDialog::setAnimeActive(bool on)
{
    if (m_animation)
        m_animation->setActive(on);
}

void TxAnimeProgressDialog::PlayAnime(bool on)
{
    if (!m_form || !m_animation)
        return;
    if (m_commonAvi != aviNone || !m_aviFile.isEmpty())
        m_animation->setActive(on);
    m_form->repaint();
}

int TxAnimeProgressDialog::Wait(int msec)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < msec)
        QThread::msleep(1);
    return 1;
}

void TxAnimeProgressDialog::buildChildren()
{
    delete m_label;
    delete m_animation;
    delete m_cancelButton;
    m_cancelButton = nullptr;

    m_animation = new ProgressAnimation(m_form);
    m_animation->setObjectName(QStringLiteral("Animate"));
    m_animation->setGeometry(20, 16, 32, 32);
    if (!m_aviFile.isEmpty() && !QFileInfo::exists(m_aviFile))
        m_aviFile.clear(); // a missing file is dropped
    m_animation->setSource(m_aviFile, m_commonAvi);

    m_label = new QLabel(m_form);
    m_label->setObjectName(QStringLiteral("InfoLabel"));
    m_label->setText(m_infoLabel);
    m_label->setGeometry(60, 24, 300, QFontMetrics(m_form->font()).height());

    Cancelled = false;
    if (m_cancelBtnShow) {
        m_cancelButton = new QPushButton(QStringLiteral("キャンセル"), m_form);
        m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
        m_cancelButton->setGeometry(152, 67, 76, 23);
        connect(m_cancelButton, &QPushButton::clicked, this, [this] { Cancelled = true; });
    }
}

void TxAnimeProgressDialog::arrange()
{
    const int labelHeight = m_label->height();
    m_animation->setGeometry(20, 16, 32, 32);
    if (m_labelPosition == xlpRight)
        m_label->setGeometry(60, 24, 300, labelHeight);
    else
        m_label->setGeometry(20, 52, 300, labelHeight);
    if (!m_cancelButton) {
        // Half the client height, a half going to the even neighbour.
        const int h = int(std::nearbyint(m_form->height() / 2.0));
        m_animation->move(m_animation->x(), h - 20);
        m_label->move(m_label->x(), m_labelPosition == xlpRight ? h - 8 : h + 20);
    }
    m_form->repaint();
}

void TxAnimeProgressDialog::placeOverParent(const QRect& target)
{
    const QSize size = m_form->frameGeometry().size();
    m_form->move(target.left() + (target.width() - size.width()) / 2,
                 target.top() + (target.height() - size.height()) / 2);
}

void TxAnimeProgressDialog::Show(QWidget* form)
{
    m_form0 = form;
    if (form)
        m_parent = form->window();
    QRect target = m_parent ? m_parent->frameGeometry() : QRect();

    if (!m_form) {
        // No Qt parent: disabling the owner must not disable this window too.
        m_form = new TxProgressForm(nullptr);
        m_form->onCloseEvent = [this] {
            if (OnClose)
                OnClose(m_form.data());
        };
    }
    if (m_parent) {
        m_form->winId();
        if (QWindow* owner = m_parent->windowHandle())
            m_form->windowHandle()->setTransientParent(owner);
    }
    if (form)
        m_form->setFont(form->font());

    m_form->setWindowTitle(m_caption);
    m_form->setFixedSize(380, 100);
    buildChildren();
    arrange();

    m_shown = true;
    PlayAnime(true);

    if (OnShow) {
        m_modalError = nullptr;
        QMetaObject::invokeMethod(
            m_form.data(),
            [this] {
                try {
                    OnShow(m_form.data());
                } catch (...) {
                    m_modalError = std::current_exception();
                }
                if (m_form)
                    m_form->done(platform::mrOk);
            },
            Qt::QueuedConnection);
        platform::execDialog(*m_form);
        m_shown = false;
        delete m_form.data();
        m_label = nullptr;
        m_animation = nullptr;
        m_cancelButton = nullptr;
        if (m_modalError)
            std::rethrow_exception(std::exchange(m_modalError, nullptr));
        return;
    }

    if (m_parent && !target.isEmpty()) {
        placeOverParent(target);
        m_parent->setEnabled(false);
        m_parentDisabled = true;
        m_form->show();
    } else {
        if (m_parent) {
            m_parent->setEnabled(false);
            m_parentDisabled = true;
        }
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            m_form->move(area.center() - QPoint(m_form->width() / 2, m_form->height() / 2));
        }
        m_form->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        m_form->show();
    }
    QCoreApplication::processEvents();
    Wait(50);
}

int TxAnimeProgressDialog::Close()
{
    enableParent();
    m_shown = false;
    delete m_form.data();
    m_label = nullptr;
    m_animation = nullptr;
    m_cancelButton = nullptr;
    return 0;
}

ProgressScope::ProgressScope(QWidget* form, const char* caption, const char* info)
{
    m_dialog.setCaption(QString::fromUtf8(caption));
    m_dialog.setInfoLabel(QString::fromUtf8(info));
    m_dialog.setAviFile(QString::fromStdString(
        platform::paths::toNative(SystemDef.ExeFolder + "\\progress.avi").string()));
    m_dialog.setCancelBtnShow(false);
    m_dialog.Show(form);
}
