#pragma once

#include "platform/Colors.h"
#include "platform/Dialog.h"

#include <QIcon>
#include <QPixmap>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <vector>

class TxPlButton;

// Horizontal placement of a caption line.
enum TxPlBtnAlignment { taCenter, taLeft, taRight, taEven };
// Frame and shape of the button.
enum TxPlButtonStyle { bsNormal, bsFlat, bsFlatNoFrame, bsRoundRect, bsRoundRectNoFrame };
// Frame of the flat style.
enum TxPlBtnFrameType { bffFlat, bffEtched, bffBump };

// One caption line of a TxPlButton; every change repaints the owning button.
class TxPlBtnCaption {
public:
    explicit TxPlBtnCaption(TxPlButton* owner) : m_owner(owner) {}
    TxPlBtnCaption(const TxPlBtnCaption&) = delete;
    // Copies the four values and repaints.
    TxPlBtnCaption& operator=(const TxPlBtnCaption& other);

    const QString& Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    TxPlBtnAlignment Alignment() const { return m_alignment; }
    void setAlignment(TxPlBtnAlignment alignment);
    int Left() const { return m_left; }
    void setLeft(int left);
    int Right() const { return m_right; }
    void setRight(int right);

private:
    void changed();
    TxPlButton* m_owner;
    QString m_caption;
    TxPlBtnAlignment m_alignment = taCenter;
    int m_left = 0;
    int m_right = 0;
};

// The picture of a TxPlButton: a bitmap or an icon, nothing else.
class TxPlBtnImage {
public:
    explicit TxPlBtnImage(TxPlButton* owner) : m_owner(owner) {}
    TxPlBtnImage(const TxPlBtnImage&) = delete;
    // Copies the picture and the six other values and repaints.
    TxPlBtnImage& operator=(const TxPlBtnImage& other);

    // Loads a picture file: a bitmap (.bmp) or an icon (.ico); any other kind leaves it empty.
    void loadPicture(const QString& fileName);
    void setBitmap(const QPixmap& bitmap);
    void setIcon(const QIcon& icon);
    void clearPicture();
    bool hasPicture() const { return !m_bitmap.isNull() || !m_icon.isNull(); }
    bool isIcon() const { return !m_icon.isNull(); }
    const QPixmap& bitmap() const { return m_bitmap; }
    const QIcon& icon() const { return m_icon; }
    QSize pictureSize() const;

    int Left() const { return m_left; }
    void setLeft(int left);
    int Top() const { return m_top; }
    void setTop(int top);
    bool Visible() const { return m_visible; }
    void setVisible(bool visible);
    bool TransParent() const { return m_transparent; }
    void setTransParent(bool transparent);
    bool VertCenter() const { return m_vertCenter; }
    void setVertCenter(bool on);
    bool HorzCenter() const { return m_horzCenter; }
    void setHorzCenter(bool on);

private:
    friend class TxPlButton;
    void changed();
    TxPlButton* m_owner;
    QPixmap m_bitmap;
    QIcon m_icon;
    int m_left = 10;
    int m_top = 0;
    bool m_transparent = false;
    bool m_visible = true;
    bool m_vertCenter = true;
    bool m_horzCenter = false;
};

// Geometry of the painting, apart from the widget so it can be checked alone.
namespace plbutton {

// The colour of gradient row y of a button `height` rows high (truncating per channel).
QColor gradientRow(const QColor& begin, const QColor& end, int y, int height);

struct CaptionPlacement {
    int yA = 0;          // top of the first line
    int yB = 0;          // top of the second line
    int captionTop = 0;  // CaptionTop after painting
};
// Where the two lines go; hA, hB are the text heights of the lines.
CaptionPlacement placeCaptions(int height, int hA, int hB, bool firstEmpty, bool secondEmpty,
                               bool vertCenter, int captionTop, int lineSpace);

// Gaps between the n characters of a letter-spaced line: free space spread over n-1 gaps.
std::vector<int> evenGaps(int freeSpace, int n);

} // namespace plbutton

// The owner-drawn push button of every dialog: vertical gradient, two caption lines, a picture,
// five frame styles; passes its ModalResult to the dialog when clicked.
class TxPlButton : public QWidget, public platform::DialogKeyTarget {
    Q_OBJECT
public:
    using ClickHook = std::function<void(QObject* sender)>;
    using MouseMoveHook = std::function<void(QObject* sender, Qt::KeyboardModifiers shift, int x,
                                             int y)>;
    using MouseHook = std::function<void(QObject* sender, Qt::MouseButton button,
                                         Qt::KeyboardModifiers shift, int x, int y)>;
    using KeyHook = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>;
    using NotifyHook = std::function<void(QObject* sender)>;

    explicit TxPlButton(QWidget* parent = nullptr);
    // A button with a component name: on a parent, its first caption line starts as that name.
    TxPlButton(const QString& name, QWidget* parent);
    ~TxPlButton() override;

    TxPlButtonStyle ButtonStyle() const { return m_style; }
    void setButtonStyle(TxPlButtonStyle style);
    bool Cancel() const { return m_cancel; }
    void setCancel(bool on) { m_cancel = on; }
    TxPlBtnCaption& CaptionA() { return m_captionA; }
    const TxPlBtnCaption& CaptionA() const { return m_captionA; }
    TxPlBtnCaption& CaptionB() { return m_captionB; }
    const TxPlBtnCaption& CaptionB() const { return m_captionB; }
    int CaptionLineSpace() const { return m_lineSpace; }
    void setCaptionLineSpace(int space);
    int CaptionTop() const { return m_captionTop; }
    void setCaptionTop(int top);
    bool CaptionVertCenter() const { return m_captionVertCenter; }
    void setCaptionVertCenter(bool on);
    TxPlBtnFrameType FlatFrameType() const { return m_frameType; }
    void setFlatFrameType(TxPlBtnFrameType type);
    bool Gradation() const { return m_gradation; }
    void setGradation(bool on);
    platform::TColor GradBeginColor() const { return m_gradBegin; }
    void setGradBeginColor(platform::TColor color);
    platform::TColor GradEndColor() const { return m_gradEnd; }
    void setGradEndColor(platform::TColor color);
    bool HasFocus() const { return m_hasFocus; }
    void setHasFocus(bool on);
    bool TabStop() const { return m_tabStop; }
    void setTabStop(bool on);
    int ModalResult() const { return m_modalResult; }
    void setModalResult(int result) { m_modalResult = result; }
    TxPlBtnImage& Image() { return m_image; }
    const TxPlBtnImage& Image() const { return m_image; }
    platform::TColor Color() const { return m_color; }
    void setColor(platform::TColor color);
    bool ParentColor() const { return m_parentColor; }
    void setParentColor(bool on);
    bool pressed() const { return m_pressed; }

    // Clicks the button: the dialog takes ModalResult, then OnClick runs.
    void Click();

    // DialogKeyTarget: Esc clicks a visible, enabled cancel button that takes part in focus.
    bool acceptsCancelKey() const override;
    void clickByDialogKey() override { Click(); }

    ClickHook OnClick;
    MouseMoveHook OnMouseEnter;
    MouseMoveHook OnMouseLeave;
    MouseHook OnMouseDown;
    MouseHook OnMouseUp;
    KeyHook OnKeyDown;
    KeyHook OnKeyUp;
    NotifyHook OnEnter;
    NotifyHook OnExit;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void init();
    void updateFocusPolicy();
    void updateShape();
    void notifyClick();
    void pointerEntered(const QPoint& pos);
    void pointerLeft(const QPoint& pos);
    void drawCaption(QPainter& p, const TxPlBtnCaption& caption, int y, int offset);
    void drawFrame(QPainter& p);
    void drawFocusMark(QPainter& p);
    void drawPicture(QPainter& p, int offset);

    TxPlButtonStyle m_style = bsNormal;
    bool m_cancel = false;
    TxPlBtnCaption m_captionA{this};
    TxPlBtnCaption m_captionB{this};
    int m_lineSpace = 4;
    int m_captionTop = 0;
    bool m_captionVertCenter = true;
    TxPlBtnFrameType m_frameType = bffFlat;
    bool m_gradation = true;
    platform::TColor m_gradBegin = platform::clWhite;
    platform::TColor m_gradEnd = platform::clSilver;
    bool m_hasFocus = true;
    bool m_tabStop = true;
    int m_modalResult = 0;
    TxPlBtnImage m_image{this};
    int m_cornerSize = 10;
    platform::TColor m_color = platform::clBtnFace;
    bool m_parentColor = false;
    bool m_pressed = false;
    bool m_captionNamed = false;
    bool m_pointerInside = false;
};
