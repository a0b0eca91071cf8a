#pragma once

#include "platform/Dialog.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <exception>
#include <functional>
#include <vector>

class QLabel;
class QMovie;
class QPushButton;
class QTimer;

// Where the information line goes: right of the animation or below it.
enum TxLabelPosition { xlpRight, xlpBottom };
// The system's standard animations; any of them is shown as our busy indicator.
enum TCommonAVI { aviNone, aviFindFolder, aviFindFile, aviFindComputer, aviCopyFiles, aviCopyFile,
                  aviRecycleFile, aviEmptyRecycle, aviDeleteFile };

// The animation square of the progress window: plays a file Qt can decode, or the frames of an
// AVI file decoded once, otherwise turns a busy indicator.
class ProgressAnimation : public QWidget {
    Q_OBJECT
public:
    explicit ProgressAnimation(QWidget* parent = nullptr);
    ~ProgressAnimation() override;
    // An empty name and aviNone: no animation.
    void setSource(const QString& fileName, TCommonAVI common);
    bool hasSource() const { return m_hasSource; }
    bool usesMovie() const { return m_movie != nullptr; }
    bool usesFrames() const { return !m_frames.empty(); }
    void setActive(bool on);
    bool active() const { return m_active; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QMovie* m_movie = nullptr;
    std::vector<QImage> m_frames;
    int m_frame = 0;
    QTimer* m_timer = nullptr;
    bool m_hasSource = false;
    bool m_active = false;
    int m_step = 0;
};

// The window of TxAnimeProgressDialog, built in code.
class TxProgressForm : public platform::Dialog {
    Q_OBJECT
public:
    explicit TxProgressForm(QWidget* owner);
    std::function<void()> onCloseEvent;

protected:
    void doClose(int result) override;
};

// A small waiting window that a form shows over itself (disabled meanwhile) while it works on
// the GUI thread: title, one information line, an animation and an optional Cancel button.
class TxAnimeProgressDialog : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TxAnimeProgressDialog(QObject* owner = nullptr);
    ~TxAnimeProgressDialog() override;

    // The progress window while it exists, else nullptr.
    QWidget* Handle() const { return m_form; }
    QWidget* ParentHandle() const { return m_parent; }
    void setParentHandle(QWidget* parent) { m_parent = parent; }
    const QString& Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    const QString& InfoLabel() const { return m_infoLabel; }
    void setInfoLabel(const QString& text);
    TxLabelPosition LabelPosition() const { return m_labelPosition; }
    void setLabelPosition(TxLabelPosition position);
    TCommonAVI CommonAVI() const { return m_commonAvi; }
    void setCommonAVI(TCommonAVI avi);
    const QString& AviFile() const { return m_aviFile; }
    void setAviFile(const QString& fileName);
    bool AnimeActive() const;
    void setAnimeActive(bool on);
    bool CancelBtnShow() const { return m_cancelBtnShow; }
    void setCancelBtnShow(bool on) { m_cancelBtnShow = on; }
    // Set when Cancel is clicked; cleared by every Show.
    bool Cancelled = false;

    // When set, Show runs the window modally and calls it from inside.
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

    void Show(QWidget* form = nullptr);
    int Close();
    // Returns after `msec` milliseconds, without processing events.
    static int Wait(int msec);
    void PlayAnime(bool on);
    bool shown() const { return m_shown; }

    // The children of the window, for its owner's tests.
    QLabel* infoLabelWidget() const { return m_label; }
    ProgressAnimation* animationWidget() const { return m_animation; }
    QPushButton* cancelButton() const { return m_cancelButton; }

private:
    void buildChildren();
    void arrange();
    void placeOverParent(const QRect& target);
    void enableParent();

    QPointer<QWidget> m_parent;
    QPointer<QWidget> m_form0;
    QString m_caption;
    QString m_infoLabel;
    TxLabelPosition m_labelPosition = xlpRight;
    TCommonAVI m_commonAvi = aviNone;
    QString m_aviFile;
    bool m_cancelBtnShow = true;
    bool m_shown = false;
    bool m_parentDisabled = false;
    QPointer<TxProgressForm> m_form;
    QLabel* m_label = nullptr;
    ProgressAnimation* m_animation = nullptr;
    QPushButton* m_cancelButton = nullptr;
    std::exception_ptr m_modalError;
};

// The waiting window, without a cancel button, that a form shows over itself for one step;
// closed however the step ends.
class ProgressScope {
public:
    ProgressScope(QWidget* form, const char* caption, const char* info);
    ~ProgressScope() { m_dialog.Close(); }
    void stopAnimation() { m_dialog.PlayAnime(false); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    TxAnimeProgressDialog m_dialog;
};
