#include "ui/OwnerDrawnButton.h"

#include "ui/KeyStyle.h"

#include <QApplication>
#include <QBitmap>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

#include <cstdlib>

using platform::toQColor;

// --- TxPlBtnCaption -----------------------------------------------------------------------

TxPlBtnCaption& TxPlBtnCaption::operator=(const TxPlBtnCaption& other)
{
    if (this != &other) {
        m_caption = other.m_caption;
        m_alignment = other.m_alignment;
        m_left = other.m_left;
        m_right = other.m_right;
        changed();
    }
    return *this;
}

void TxPlBtnCaption::changed()
{
    if (m_owner)
        m_owner->update();
}

void TxPlBtnCaption::setCaption(const QString& caption)
{
    if (caption != m_caption) {
        m_caption = caption;
        changed();
    }
}

void TxPlBtnCaption::setAlignment(TxPlBtnAlignment alignment)
{
    if (alignment != m_alignment) {
        m_alignment = alignment;
        changed();
    }
}

void TxPlBtnCaption::setLeft(int left)
{
    if (left != m_left) {
        m_left = left;
        changed();
    }
}

void TxPlBtnCaption::setRight(int right)
{
    if (right != m_right) {
        m_right = right;
        changed();
    }
}

// --- TxPlBtnImage -------------------------------------------------------------------------

TxPlBtnImage& TxPlBtnImage::operator=(const TxPlBtnImage& other)
{
    if (this != &other) {
        m_bitmap = other.m_bitmap.copy();
        m_icon = other.m_icon;
        m_left = other.m_left;
        m_top = other.m_top;
        m_transparent = other.m_transparent;
        m_visible = other.m_visible;
        m_vertCenter = other.m_vertCenter;
        m_horzCenter = other.m_horzCenter;
        changed();
    }
    return *this;
}

void TxPlBtnImage::changed()
{
    if (m_owner)
        m_owner->update();
}

void TxPlBtnImage::loadPicture(const QString& fileName)
{
    m_bitmap = QPixmap();
    m_icon = QIcon();
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QStringLiteral("bmp"))
        m_bitmap = QPixmap(fileName, "BMP");
    else if (suffix == QStringLiteral("ico"))
        m_icon = QIcon(fileName);
    changed();
}

void TxPlBtnImage::setBitmap(const QPixmap& bitmap)
{
    m_icon = QIcon();
    m_bitmap = bitmap;
    changed();
}

void TxPlBtnImage::setIcon(const QIcon& icon)
{
    m_bitmap = QPixmap();
    m_icon = icon;
    changed();
}

void TxPlBtnImage::clearPicture()
{
    m_bitmap = QPixmap();
    m_icon = QIcon();
    changed();
}

QSize TxPlBtnImage::pictureSize() const
{
    if (!m_bitmap.isNull())
        return m_bitmap.size();
    if (!m_icon.isNull()) {
        const auto sizes = m_icon.availableSizes();
        return sizes.isEmpty() ? QSize(32, 32) : sizes.front();
    }
    return {};
}

void TxPlBtnImage::setLeft(int left)
{
    m_horzCenter = false;
    if (left != m_left) {
        m_left = left;
        changed();
    }
}

void TxPlBtnImage::setTop(int top)
{
    m_vertCenter = false;
    if (top != m_top) {
        m_top = top;
        changed();
    }
}

void TxPlBtnImage::setVisible(bool visible)
{
    if (visible != m_visible) {
        m_visible = visible;
        changed();
    }
}

void TxPlBtnImage::setTransParent(bool transparent)
{
    if (transparent != m_transparent) {
        m_transparent = transparent;
        changed();
    }
}

void TxPlBtnImage::setVertCenter(bool on)
{
    if (on != m_vertCenter) {
        m_vertCenter = on;
        if (on)
            changed();
    }
}

void TxPlBtnImage::setHorzCenter(bool on)
{
    if (on != m_horzCenter) {
        m_horzCenter = on;
        if (on)
            changed();
    }
}

// --- geometry -----------------------------------------------------------------------------

namespace plbutton {

QColor gradientRow(const QColor& begin, const QColor& end, int y, int height)
{
    if (height <= 1)
        return begin;
    auto channel = [&](int b, int e) { return b + y * (e - b) / (height - 1); };
    return QColor(channel(begin.red(), end.red()), channel(begin.green(), end.green()),
                  channel(begin.blue(), end.blue()));
}

CaptionPlacement placeCaptions(int height, int hA, int hB, bool firstEmpty, bool secondEmpty,
                               bool vertCenter, int captionTop, int lineSpace)
{
    CaptionPlacement r;
    r.captionTop = captionTop;
    if (vertCenter) {
        if (!secondEmpty)
            r.yA = (height - 2 * hA - lineSpace) / 2;
        else
            r.yA = (height - hA) / 2 + 1;
        r.captionTop = r.yA;
        if (!firstEmpty) {
            r.yB = r.yA + hA + lineSpace;
        } else {
            r.yB = (height - hB) / 2;
            r.captionTop = r.yB;
        }
    } else {
        r.yA = captionTop;
        r.yB = captionTop + (firstEmpty ? 0 : hA + lineSpace);
    }
    return r;
}

std::vector<int> evenGaps(int freeSpace, int n)
{
    std::vector<int> gaps;
    if (n < 2)
        return gaps;
    const int base = freeSpace / (n - 1);
    const int rest = freeSpace % (n - 1);
    for (int i = 0; i < n - 1; ++i) {
        int g = base;
        if (i < std::abs(rest))
            g += rest > 0 ? 1 : -1;
        gaps.push_back(g);
    }
    return gaps;
}

} // namespace plbutton

// --- TxPlButton ---------------------------------------------------------------------------

TxPlButton::TxPlButton(QWidget* parent) : QWidget(parent) { init(); }

TxPlButton::TxPlButton(const QString& name, QWidget* parent) : QWidget(nullptr)
{
    setObjectName(name);
    init();
    if (parent)
        setParent(parent);
}

TxPlButton::~TxPlButton() = default;

void TxPlButton::init()
{
    resize(75, 26);
    setAttribute(Qt::WA_Hover, false);
    updateFocusPolicy();
    if (parentWidget() && !m_captionNamed) {
        m_captionNamed = true;
        m_captionA.setCaption(objectName());
    }
}

void TxPlButton::updateFocusPolicy()
{
    if (!m_hasFocus)
        setFocusPolicy(Qt::NoFocus);
    else
        setFocusPolicy(m_tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void TxPlButton::setButtonStyle(TxPlButtonStyle style)
{
    if (style != m_style) {
        m_style = style;
        updateShape();
    }
    update();
}

void TxPlButton::updateShape()
{
    if (m_style == bsRoundRect || m_style == bsRoundRectNoFrame) {
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, width() + 1, height() + 1), m_cornerSize / 2.0,
                            m_cornerSize / 2.0);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
    } else {
        clearMask();
    }
}

void TxPlButton::setCaptionLineSpace(int space)
{
    m_lineSpace = space;
    update();
}

void TxPlButton::setCaptionTop(int top)
{
    m_captionTop = top;
    m_captionVertCenter = false;
    update();
}

void TxPlButton::setCaptionVertCenter(bool on)
{
    m_captionVertCenter = on;
    if (on)
        update();
}

void TxPlButton::setFlatFrameType(TxPlBtnFrameType type)
{
    m_frameType = type;
    update();
}

void TxPlButton::setGradation(bool on)
{
    m_gradation = on;
    if (on)
        m_parentColor = false;
    update();
}

void TxPlButton::setGradBeginColor(platform::TColor color)
{
    m_gradBegin = color;
    update();
}

void TxPlButton::setGradEndColor(platform::TColor color)
{
    m_gradEnd = color;
    update();
}

void TxPlButton::setHasFocus(bool on)
{
    m_hasFocus = on;
    updateFocusPolicy();
    update();
}

void TxPlButton::setTabStop(bool on)
{
    m_tabStop = on;
    updateFocusPolicy();
}

void TxPlButton::setColor(platform::TColor color)
{
    m_color = color;
    m_parentColor = false;
    update();
}

void TxPlButton::setParentColor(bool on)
{
    m_parentColor = on;
    update();
}

bool TxPlButton::acceptsCancelKey() const
{
    return m_cancel && m_hasFocus && isVisible() && isEnabled();
}

void TxPlButton::notifyClick()
{
    if (OnClick)
        OnClick(this);
}

void TxPlButton::Click()
{
    m_pressed = false;
    if (auto* form = dynamic_cast<platform::Dialog*>(window()))
        form->setModalResult(m_modalResult);
    notifyClick();
    update();
}

bool TxPlButton::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange && parentWidget() && !m_captionNamed) {
        m_captionNamed = true;
        m_captionA.setCaption(objectName());
    }
    return QWidget::event(event);
}

void TxPlButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange ||
        (event->type() == QEvent::PaletteChange && m_parentColor))
        update();
    QWidget::changeEvent(event);
}

void TxPlButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateShape();
    update();
}

void TxPlButton::keyPressEvent(QKeyEvent* event)
{
    const int original = event->key();
    const bool enter = original == Qt::Key_Return || original == Qt::Key_Enter;
    if (enter && ui::noShiftCtrlAlt(event->modifiers()) && m_hasFocus) {
        Click();
        event->accept();
        return;
    }
    int key = original;
    if (OnKeyDown)
        OnKeyDown(this, key, event->modifiers());
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && isEnabled()) {
        notifyClick();
        event->accept();
        return;
    }
    if (key == 0) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TxPlButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_pressed = false;
        update();
    }
    int key = event->key();
    if (OnKeyUp)
        OnKeyUp(this, key, event->modifiers());
    QWidget::keyReleaseEvent(event);
}

void TxPlButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (m_hasFocus)
            setFocus(Qt::MouseFocusReason);
        m_pressed = true;
        update();
    }
    if (OnMouseDown) {
        const QPoint pos = event->position().toPoint();
        OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
    }
    event->accept();
}

void TxPlButton::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const bool wasPressed = m_pressed;
        if (wasPressed && rect().contains(pos))
            Click();
        m_pressed = false;
        update();
    }
    if (OnMouseUp)
        OnMouseUp(this, event->button(), event->modifiers(), pos.x(), pos.y());
    event->accept();
}

void TxPlButton::pointerEntered(const QPoint& pos)
{
    if (m_pointerInside)
        return;
    m_pointerInside = true;
    if (OnMouseEnter)
        OnMouseEnter(this, {}, pos.x(), pos.y());
    if (QApplication::mouseButtons() & Qt::LeftButton)
        update();
}

void TxPlButton::pointerLeft(const QPoint& pos)
{
    if (!m_pointerInside)
        return;
    m_pointerInside = false;
    if (OnMouseLeave)
        OnMouseLeave(this, {}, pos.x(), pos.y());
    m_pressed = false;
    update();
}

void TxPlButton::mouseMoveEvent(QMouseEvent* event)
{
    // While a button is held Qt keeps the pointer grabbed and sends no enter or leave.
    const QPoint pos = event->position().toPoint();
    if (rect().contains(pos))
        pointerEntered(pos);
    else
        pointerLeft(pos);
    QWidget::mouseMoveEvent(event);
}

void TxPlButton::enterEvent(QEnterEvent* event)
{
    pointerEntered(event->position().toPoint());
    QWidget::enterEvent(event);
}

void TxPlButton::leaveEvent(QEvent* event)
{
    pointerLeft(mapFromGlobal(QCursor::pos()));
    QWidget::leaveEvent(event);
}

void TxPlButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (m_hasFocus) {
        if (OnEnter)
            OnEnter(this);
        update();
    }
}

void TxPlButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (m_hasFocus) {
        if (OnExit)
            OnExit(this);
        update();
    }
}

// --- painting -----------------------------------------------------------------------------

void TxPlButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    const int h = height();

    if (m_gradation) {
        const QColor begin = toQColor(m_gradBegin);
        const QColor end = toQColor(m_gradEnd);
        for (int y = 0; y < h; ++y) {
            p.setPen(plbutton::gradientRow(begin, end, y, h));
            p.drawLine(0, y, w - 1, y);
        }
    } else {
        p.fillRect(rect(), m_parentColor && parentWidget()
                               ? parentWidget()->palette().color(QPalette::Window)
                               : toQColor(m_color));
    }

    const int offset = (m_pressed && m_hasFocus) ? 1 : 0;
    drawPicture(p, offset);

    p.setFont(font());
    const QFontMetrics fm(font());
    const int hA = fm.height();
    const int hB = fm.height();
    const auto placed = plbutton::placeCaptions(h, hA, hB, m_captionA.Caption().isEmpty(),
                                                m_captionB.Caption().isEmpty(),
                                                m_captionVertCenter, m_captionTop, m_lineSpace);
    m_captionTop = placed.captionTop;
    drawCaption(p, m_captionA, placed.yA, offset);
    drawCaption(p, m_captionB, placed.yB, offset);

    drawFrame(p);
    if (hasFocus() && m_hasFocus)
        drawFocusMark(p);
}

void TxPlButton::drawPicture(QPainter& p, int offset)
{
    if (!m_image.m_visible || !m_image.hasPicture())
        return;
    const QSize size = m_image.pictureSize();
    if (m_image.m_vertCenter)
        m_image.m_top = (height() - size.height()) / 2;
    if (m_image.m_horzCenter)
        m_image.m_left = (width() - size.width()) / 2;
    const bool disabledLook = !isEnabled() && m_hasFocus;
    QPixmap pm;
    if (!m_image.m_bitmap.isNull()) {
        pm = m_image.m_bitmap.copy();
        if (m_image.m_transparent) {
            // The bitmap's own transparent colour: its bottom-left pixel.
            const QImage img = pm.toImage();
            const QColor key = img.pixelColor(0, img.height() - 1);
            pm.setMask(pm.createMaskFromColor(key, Qt::MaskInColor));
            p.drawPixmap(m_image.m_left, m_image.m_top, pm);
            return;
        }
    } else {
        pm = m_image.m_icon.pixmap(size);
    }
    if (disabledLook) {
        QStyleOption opt;
        opt.initFrom(this);
        pm = style()->generatedIconPixmap(QIcon::Disabled, pm, &opt);
    }
    p.drawPixmap(m_image.m_left + offset, m_image.m_top + offset, pm);
}

namespace {

// A caption is drawn the way a Windows button draws its text: "&" marks the access key and is
// not shown ("&&" shows one "&"). The key itself is handled by the form's shortcuts.
QString withoutAccessMarks(const QString& caption)
{
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

} // namespace

void TxPlButton::drawCaption(QPainter& p, const TxPlBtnCaption& caption, int y, int offset)
{
    const QString text = withoutAccessMarks(caption.Caption());
    if (text.isEmpty())
        return;
    const QFontMetrics fm(p.font());
    const int w = width();

    struct Piece {
        QString text;
        int x; // left edge
    };
    std::vector<Piece> pieces;
    TxPlBtnAlignment alignment = caption.Alignment();
    const int n = int(text.size());
    if (alignment == taEven && n < 2)
        alignment = taCenter;
    switch (alignment) {
    case taCenter:
        pieces.push_back({text, w / 2 - fm.horizontalAdvance(text) / 2});
        break;
    case taLeft:
        pieces.push_back({text, caption.Left() + 2});
        break;
    case taRight:
        pieces.push_back({text, w - caption.Right() - 2 - fm.horizontalAdvance(text)});
        break;
    case taEven: {
        const int freeSpace =
            (w - caption.Left() - caption.Right() - 4) - fm.horizontalAdvance(text);
        const auto gaps = plbutton::evenGaps(freeSpace, n);
        int x = caption.Left() + 2;
        for (int i = 0; i < n; ++i) {
            const QString ch = text.mid(i, 1);
            pieces.push_back({ch, x});
            x += fm.horizontalAdvance(ch) + (i < n - 1 ? gaps[std::size_t(i)] : 0);
        }
        break;
    }
    }

    auto drawAll = [&](const QColor& color, int dx) {
        p.setPen(color);
        for (const auto& piece : pieces)
            p.drawText(piece.x + offset + dx, y + offset + dx + fm.ascent(), piece.text);
    };
    if (isEnabled()) {
        drawAll(palette().color(QPalette::ButtonText), 0);
    } else if (m_hasFocus) {
        drawAll(toQColor(platform::clBtnHighlight), 1);
        drawAll(toQColor(platform::clBtnShadow), 0);
    } else {
        drawAll(toQColor(platform::clGrayText), 0);
    }
}

namespace {

// One bevel ring: top-left in one colour, bottom-right in the other.
void bevel(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    p.setPen(topLeft);
    p.drawLine(r.left(), r.bottom(), r.left(), r.top());
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.setPen(bottomRight);
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
}

} // namespace

void TxPlButton::drawFrame(QPainter& p)
{
    const QRect r = rect();
    const QColor light = toQColor(platform::cl3DLight);
    const QColor dark = toQColor(platform::cl3DDkShadow);
    const QColor highlight = toQColor(platform::clBtnHighlight);
    const QColor shadow = toQColor(platform::clBtnShadow);
    p.setBrush(Qt::NoBrush);
    switch (m_style) {
    case bsNormal:
        if (m_pressed) {
            p.setPen(shadow);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.setPen(toQColor(platform::clGray));
            p.drawRect(r.adjusted(1, 1, -2, -2));
        } else {
            bevel(p, r, light, dark);
            bevel(p, r.adjusted(1, 1, -1, -1), highlight, shadow);
        }
        break;
    case bsFlat:
        if (m_frameType == bffFlat) {
            p.setPen(shadow);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        } else if (m_frameType == bffEtched) {
            bevel(p, r, shadow, highlight);
            bevel(p, r.adjusted(1, 1, -1, -1), highlight, shadow);
        } else {
            bevel(p, r, light, dark);
            bevel(p, r.adjusted(1, 1, -1, -1), shadow, highlight);
        }
        break;
    case bsRoundRect:
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(117, 117, 117));
        p.drawRoundedRect(QRect(0, 0, width() - 1, height() - 1), m_cornerSize / 2.0,
                          m_cornerSize / 2.0);
        break;
    case bsFlatNoFrame:
    case bsRoundRectNoFrame:
        break;
    }
}

void TxPlButton::drawFocusMark(QPainter& p)
{
    QPen pen(QColor(32, 32, 32));
    pen.setStyle(Qt::DotLine);
    pen.setCosmetic(true);
    p.setBrush(Qt::NoBrush);
    if (m_style == bsRoundRect || m_style == bsRoundRectNoFrame) {
        p.setPen(pen);
        p.drawRoundedRect(QRect(2, 2, width() - 4, height() - 4), 4, 4);
        return;
    }
    QRect r = rect().adjusted(3, 3, -3, -3);
    if (m_style == bsFlat && m_frameType == bffBump)
        r.adjust(0, 0, 1, 1);
    else if (m_style == bsFlat && m_frameType == bffEtched)
        r.adjust(0, 0, -1, -1);
    pen.setColor(QColor(0, 0, 0));
    p.setPen(pen);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}
