// PaintPage: draws one page of a print data or form file onto a painter (printer or preview).
#include "print/PagePainter.h"

#include "platform/Files.h"
#include "platform/Fonts.h"
#include "platform/MetafileRenderer.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "print/ErrorLog.h"
#include "print/ReportComponent.h"
#include "print/ReportEngine.h"
#include "print/ReportPictures.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <vector>

namespace print {

namespace {

std::string upper(std::string s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

bool contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

std::string normalised(const std::string& raw)
{
    std::string line;
    for (char c : raw) {
        if (c != '"')
            line += c;
    }
    if (line.empty() || line.back() != ';')
        line += ';';
    return line;
}

// UTF-8 characters of a text.
std::vector<std::string> characters(const std::string& s)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = platform::text::charLength(s, i);
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

std::vector<std::string> splitTabs(const std::string& s)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t p = s.find('\t'); p != std::string::npos; p = s.find('\t', start)) {
        out.push_back(s.substr(start, p - start));
        start = p + 1;
    }
    out.push_back(s.substr(start));
    return out;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

Qt::PenStyle penStyle(int style)
{
    switch (style) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

Qt::BrushStyle brushStyle(int style)
{
    switch (style) {
    case 1: return Qt::NoBrush;
    case 2: return Qt::HorPattern;
    case 3: return Qt::VerPattern;
    case 4: return Qt::FDiagPattern;
    case 5: return Qt::BDiagPattern;
    case 6: return Qt::CrossPattern;
    case 7: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

// A text record, with the fields the text rules use.
struct TextRecord {
    std::string type; // TEXT, NTEXT, UTEXT, VTEXT or @
    int x = 0;
    int y = 0;
    std::string text;
    std::string face;
    int size = 10;
    std::string style;
    TColor colour = 0;
    TColor background = 1;
    int align = 0;
    int spread = 0;
    int centring = 0;
    int dy = 0;
};

class Painter {
public:
    Painter(const std::string& kind, PrintFile& file, QPainter& canvas, PaintTarget target,
            int originY, int originX, int formPageIndex, bool evenPage, double sy, double sx,
            int ppi)
        : m_kind(kind)
        , m_file(file)
        , m_canvas(canvas)
        , m_target(target)
        , m_ox(originX)
        , m_oy(originY)
        , m_formPage(std::clamp(formPageIndex, 0, kFormPages - 1))
        , m_even(evenPage)
        , m_sy(sy)
        , m_sx(sx)
        , m_ppi(ppi)
    {
    }

    bool run(int zoom);

private:
    int rx(double v) const { return roundHalfEven(v * m_sx); }
    int ry(double v) const { return roundHalfEven(v * m_sy); }
    int H(int d) const
    {
        const double r = reportEngine().hRatio;
        return r != 0 ? roundHalfEven(d * r * 0.001) : d;
    }
    int V(int d) const
    {
        const double r = reportEngine().vRatio;
        return r != 0 ? roundHalfEven(d * r * 0.001) : d;
    }
    int X(int v) const { return H(rx(v) + m_mx + m_ox); }
    int Y(int v) const { return V(ry(v) + m_my + m_oy); }
    QRect rectOf(int x1, int y1, int x2, int y2) const
    {
        return QRect(QPoint(X(x1), Y(y1)), QPoint(X(x2) - 1, Y(y2) - 1));
    }
    QColor colour(const std::string& word) const { return drawingColor(ColorFromName(word, m_kind)); }

    void computeOffsets();
    void readPage();
    void draw(const std::string& line);
    QPen pen(int deviceWidth, int style, const QColor& c) const;
    void setFont(const std::string& face, int size, const FontStyle& style, bool useRatio = true);
    void drawTextRecord(TextRecord r);
    void drawTextLine(const std::string& text, int anchorX, int top, const TextRecord& r);
    void drawSpread(const TextRecord& r, int top);
    void drawVertical(const TextRecord& r);
    void drawVariable(FieldCursor& c);
    void drawMemo(FieldCursor& c);
    void drawPicture(FieldCursor& c);

    std::string m_kind;
    PrintFile& m_file;
    QPainter& m_canvas;
    PaintTarget m_target;
    int m_ox;
    int m_oy;
    int m_formPage;
    bool m_even;
    double m_sy;
    double m_sx;
    int m_ppi;
    int m_L = 0;
    int m_T = 0;
    int m_mx = 0;
    int m_my = 0;
    int m_bottom = 0;
    int m_fontHeight = 0;
    QPoint m_current;
    bool m_endedByE = false;
    bool m_firstPass = false;
    static constexpr int kUnset = -2147483647 - 1;
    int m_entryL = kUnset; // page offsets at entry, restored for the next page
    int m_entryT = 0;
    std::vector<std::string> m_lines;
};

void Painter::computeOffsets()
{
    const bool printer = m_target == PaintTarget::Printer;
    const bool form = m_kind == "FOM";
    int l = m_L;
    int t = m_T;
    if (printer) {
        l += JobDef.LeftCorrect;
        t += JobDef.TopCorrect;
    }
    if (form) {
        l += JobDef.FormLeftMargin;
        t += JobDef.FormTopMargin;
    }
    m_mx = roundHalfEven(m_sx * l);
    m_my = roundHalfEven(m_sy * t);
}

void Painter::readPage()
{
    ReportEngineState& e = reportEngine();
    const TPAGEBANGO& pb = JobDef.PageBangoRec;
    const bool numbering =
        m_kind == "DAT" && pb.PageBango && (pb.PageBangoArgs == 1 || pb.PageBangoArgs == 2);
    if (numbering) {
        const int page = e.currentPage;
        if (page >= 1 && page <= static_cast<int>(e.pageNumbers.size())) {
            const std::string& entry = e.pageNumbers[page - 1];
            if (entry == "0") {
                m_lines.push_back("*");
            } else {
                const int n = fieldInt(entry, 0);
                std::vector<int> args{n};
                if (pb.PageBangoArgs == 2)
                    args.push_back(e.numberedPages);
                if (const auto text = formatPageNumber(pb.PageBangoFormat, args)) {
                    m_lines.push_back("TEXT;" + std::to_string(pb.PageBangoLeft) + ";" +
                                      std::to_string(pb.PageBangoTop) + ";" + *text + ";" +
                                      pb.PageBangoFontName + ";" +
                                      std::to_string(pb.PageBangoFontSize) + ";;黒;OFF;" +
                                      std::to_string(pb.PageBangoAlign) + ";0;0;*AUTO*");
                }
            }
        }
    }
    while (!m_file.eof()) {
        const std::string line = normalised(m_file.readLine());
        FieldCursor c(line);
        if (FirstField(c) == "E") {
            m_endedByE = true;
            break;
        }
        m_lines.push_back(line);
    }
    if (numbering && m_lines.size() < 3 && !m_lines.empty() && contains(m_lines[0], "*AUTO*")) {
        if (m_lines.size() == 1 ||
            contains(m_lines[1], "ORIENTATION") || contains(m_lines[1], "LINE"))
            m_lines[0] = "*" + m_lines[0];
    }
}

QPen Painter::pen(int deviceWidth, int style, const QColor& c) const
{
    QPen p(c);
    p.setWidth(std::max(0, deviceWidth));
    // Wide pens draw solid, as printer drivers do.
    p.setStyle(deviceWidth > 1 && style != 5 ? Qt::SolidLine : penStyle(style));
    p.setCapStyle(deviceWidth > 1 ? Qt::RoundCap : Qt::FlatCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

void Painter::setFont(const std::string& face, int size, const FontStyle& style, bool useRatio)
{
    if (size > 0) {
        const double r = reportEngine().vRatio;
        if (useRatio && r != 0 && r != 1000)
            m_fontHeight = roundHalfEven(size * m_ppi * r * 0.001) / 72;
        else
            m_fontHeight = roundHalfEven(size * static_cast<double>(m_ppi) / 72.0);
    }
    if (m_fontHeight <= 0)
        m_fontHeight = roundHalfEven(10.0 * m_ppi / 72.0);
    QFont f(platform::substituteFontFamily(q(FontFaceFor(face))));
    f.setPixelSize(std::max(1, m_fontHeight));
    f.setBold(style.bold);
    f.setItalic(style.italic);
    f.setUnderline(style.underline);
    f.setStrikeOut(style.strikeOut);
    m_canvas.setFont(f);
}

void Painter::drawTextLine(const std::string& text, int anchorX, int top, const TextRecord& r)
{
    const QFontMetrics fm = m_canvas.fontMetrics();
    const QString s = q(text);
    const int w = fm.horizontalAdvance(s);
    int x = anchorX;
    if (r.align == 1)
        x -= roundHalfEven(w / 2.0);
    else if (r.align == 2)
        x -= w;
    else if (r.centring == 1 && !s.isEmpty())
        x -= fm.horizontalAdvance(s.left(1)) / 2;
    x += H(m_ox + m_mx);
    const int h = fm.ascent() + fm.descent();
    if (static_cast<std::int32_t>(r.background) > 15)
        m_canvas.fillRect(QRect(x, top, w, h), drawingColor(r.background));
    m_canvas.drawText(QPoint(x, top + fm.ascent()), s);
}

void Painter::drawSpread(const TextRecord& r, int top)
{
    const std::vector<std::string> chars = characters(r.text);
    const QFontMetrics fm = m_canvas.fontMetrics();
    const std::string& last = chars.back();
    const std::size_t bytes = platform::text::cp932Width(r.text);
    const std::size_t lastBytes = platform::text::cp932Width(last);
    const double divisor = static_cast<double>(bytes) - (lastBytes == 2 ? 1 : 0) - 1;
    const double pitch = (r.spread - fm.horizontalAdvance(q(last)) / m_sx) / divisor;
    double pos = r.x;
    for (const std::string& ch : chars) {
        const int x = H(rx(pos) + m_ox + m_mx);
        if (static_cast<std::int32_t>(r.background) > 15)
            m_canvas.fillRect(QRect(x, top, fm.horizontalAdvance(q(ch)), fm.ascent() + fm.descent()),
                              drawingColor(r.background));
        m_canvas.drawText(QPoint(x, top + fm.ascent()), q(ch));
        pos += pitch * static_cast<double>(platform::text::cp932Width(ch));
    }
}

void Painter::drawVertical(const TextRecord& r)
{
    const std::vector<std::string> chars = characters(r.text);
    const QFontMetrics fm = m_canvas.fontMetrics();
    const int n = static_cast<int>(chars.size());
    const int ch = n > 0 ? fm.ascent() + fm.descent() : 0;
    int step = 0;
    if (n < 3)
        step = r.spread - roundHalfEven(ch / m_sy);
    else
        step = roundHalfEven((r.spread - ch / m_sy) / (n - 1));
    if (n < 2 || step < 1) {
        TextRecord flat = r;
        flat.type = "TEXT";
        drawTextLine(r.text, H(rx(r.x)), V(ry(r.y) + m_oy + m_my), flat);
        return;
    }
    for (int i = 0; i < n; ++i) {
        const int top = Y(r.y + i * step);
        const int x = X(r.x);
        if (chars[i] == "ー") {
            // The long-vowel mark stands upright in vertical text: a rotated bar.
            m_canvas.save();
            QFont f = m_canvas.font();
            f.setPixelSize(std::max(1, roundHalfEven((r.size - 1) * static_cast<double>(m_ppi) / 72.0)));
            m_canvas.setFont(f);
            const QFontMetrics rfm = m_canvas.fontMetrics();
            m_canvas.translate(x + rfm.horizontalAdvance(QStringLiteral("一")) / 2.0,
                               top + (rfm.ascent() + rfm.descent()) / 2.0);
            m_canvas.rotate(90);
            m_canvas.drawText(QPointF(-rfm.horizontalAdvance(QStringLiteral("一")) / 2.0,
                                      rfm.ascent() - (rfm.ascent() + rfm.descent()) / 2.0),
                              QStringLiteral("一"));
            m_canvas.restore();
        } else {
            m_canvas.drawText(QPoint(x, top + fm.ascent()), q(chars[i]));
        }
    }
}

void Painter::drawTextRecord(TextRecord r)
{
    m_canvas.save();
    setFont(r.face, r.size, FontStyleFromWord(r.style));
    m_canvas.setPen(drawingColor(r.colour));
    const QFontMetrics fm = m_canvas.fontMetrics();
    const int h = std::abs(m_fontHeight);
    const int raise = r.centring == 1 ? roundHalfEven(h * 0.5 - 0.55) : 0;
    const int top = V(ry(r.y) + m_oy + m_my - raise);
    const bool spread = (r.type == "UTEXT" || (r.type == "@" && r.spread > 0));
    const std::vector<std::string> chars = characters(r.text);
    if (r.type == "VTEXT") {
        drawVertical(r);
    } else if (spread && chars.size() >= 2) {
        const double divisor = static_cast<double>(platform::text::cp932Width(r.text)) -
            (platform::text::cp932Width(chars.back()) == 2 ? 1 : 0) - 1;
        const double pitch =
            (r.spread - fm.horizontalAdvance(q(chars.back())) / m_sx) / divisor;
        if (pitch <= 0) {
            drawTextLine(r.text, H(rx(r.x)), top, r);
        } else {
            if (r.type == "@" && fm.horizontalAdvance(q(chars.front())) / m_sx > pitch) {
                setFont(r.face, r.size - 1, FontStyleFromWord(r.style));
            }
            drawSpread(r, top);
        }
    } else {
        int blockTop = top;
        if (r.type == "@" && r.dy < 0)
            blockTop -= roundHalfEven(-r.dy * m_sy);
        const int lineHeight = fm.ascent() + fm.descent();
        const std::vector<std::string> pieces = splitTabs(r.text);
        for (std::size_t i = 0; i < pieces.size(); ++i)
            drawTextLine(pieces[i], H(rx(r.x)), blockTop + static_cast<int>(i) * lineHeight, r);
        if (r.style == "DU") {
            const std::size_t blanks =
                std::clamp<std::size_t>(platform::text::cp932Width(r.text), 1, 126);
            TextRecord under = r;
            under.background = 1;
            drawTextLine(std::string(blanks, ' '), H(rx(r.x)), V(ry(r.y) + m_oy + m_my - raise +
                                                                   ry(4)), under);
        }
    }
    m_canvas.restore();
}

void Painter::drawVariable(FieldCursor& c)
{
    ReportEngineState& e = reportEngine();
    const std::string name = NextField(c);
    const std::string value = NextField(c);
    const int size = fieldInt(NextField(c));
    const std::string style = NextField(c);
    const int dy = fieldInt(NextField(c));
    const int slotIndex = FindVariable(m_formPage, name);
    if (slotIndex < 1 || slotIndex > 200)
        return;
    TDataField& slot = e.fields[m_formPage][slotIndex];
    if (slot.Name.empty() || (slot.Once == 1 && slot.Count > 0))
        return;
    TextRecord r;
    r.type = "@";
    r.x = slot.X;
    r.y = slot.Y;
    const int pitch = e.fields[m_formPage][0].Width;
    if (pitch > 0) {
        r.y = std::min(r.y + slot.Count * pitch, std::max(slot.Y, m_bottom));
    }
    ++slot.Count;
    r.text = value;
    r.face = slot.FontName;
    r.size = size > 0 ? size : slot.FontSize;
    r.style = style.empty() ? slot.Style : upper(style);
    r.colour = slot.Color;
    r.background = slot.BackColor;
    r.align = slot.Align;
    r.spread = slot.Width;
    r.centring = slot.Center;
    r.dy = dy;
    drawTextRecord(r);
}

void Painter::drawMemo(FieldCursor& c)
{
    const int x1 = fieldInt(NextField(c));
    const int y1 = fieldInt(NextField(c));
    const int x2 = fieldInt(NextField(c));
    const int y2 = fieldInt(NextField(c));
    const std::string text = NextField(c);
    const int frame = fieldInt(NextField(c));
    const std::string face = NextField(c);
    const int size = fieldInt(NextField(c), 10);
    const std::string style = upper(NextField(c));
    const QColor ink = colour(NextField(c));
    m_canvas.save();
    if (frame >= 0) {
        m_canvas.setPen(pen(rx(frame), 0, ink));
        m_canvas.setBrush(Qt::white);
        m_canvas.drawRect(QRect(QPoint(X(x1) - 5, Y(y1) - 5), QPoint(X(x2) + 5, Y(y2) + 5)));
    }
    setFont(face, size, FontStyleFromWord(style), false);
    m_canvas.setPen(ink);
    const QFontMetrics fm = m_canvas.fontMetrics();
    const int lineHeight = fm.ascent() + fm.descent();
    const int width = X(x2) - X(x1);
    std::vector<QString> lines;
    QString current;
    for (const std::string& ch : characters(text)) {
        const QString next = current + q(ch);
        if (!current.isEmpty() && fm.horizontalAdvance(next) > width) {
            lines.push_back(current);
            current = q(ch);
        } else {
            current = next;
        }
    }
    if (!current.isEmpty())
        lines.push_back(current);
    int top = Y(y1);
    for (const QString& l : lines) {
        if (top >= Y(y2) - lineHeight)
            break;
        m_canvas.drawText(QPoint(X(x1), top + fm.ascent()), l);
        top += lineHeight;
    }
    m_canvas.restore();
}

void Painter::drawPicture(FieldCursor& c)
{
    const int x1 = fieldInt(NextField(c));
    const int y1 = fieldInt(NextField(c));
    const int x2 = fieldInt(NextField(c));
    const int y2 = fieldInt(NextField(c));
    const std::string file = NextField(c);
    const bool andMode = fieldInt(NextField(c)) != 0;
    if (file.empty() || !platform::files::fileExists(file))
        return;
    const std::string ext = upper(platform::paths::extractFileExt(file));
    const QRect target(QPoint(X(x1), Y(y1)), QPoint(X(x2) - 1, Y(y2) - 1));
    const std::string name = platform::paths::extractFileName(file);
    const std::string native = platform::paths::toNative(file).string();
    if (ext == ".BMP") {
        QImage img;
        if (!img.load(q(native), "BMP")) {
            WriteErrorLog(name + " ビットマップイメージの取得ができない　GETDIB()");
            return;
        }
        stretchPicture(m_canvas, target, img, andMode);
    } else if (ext == ".JPG") {
        std::string error;
        const QImage img = decodeJpeg(native, m_target == PaintTarget::Printer, error);
        if (img.isNull()) {
            WriteErrorLog(name + ":" + error);
            return;
        }
        stretchPicture(m_canvas, target, img, andMode);
    } else if (ext == ".WMF") {
        std::string error;
        const QImage img = platform::renderMetafile(native, target.size(), error);
        if (!img.isNull()) {
            stretchPicture(m_canvas, target, img, andMode);
            return;
        }
        // A metafile that cannot be read: mark the place so the gap is not silent.
        m_canvas.save();
        m_canvas.setPen(QPen(Qt::black, 0));
        m_canvas.setBrush(Qt::NoBrush);
        m_canvas.drawRect(target);
        m_canvas.drawLine(target.topLeft(), target.bottomRight());
        m_canvas.drawLine(target.topRight(), target.bottomLeft());
        QFont f(platform::substituteFontFamily(QStringLiteral("ＭＳ ゴシック")));
        f.setPixelSize(std::max(1, roundHalfEven(9.0 * m_ppi / 72.0)));
        m_canvas.setFont(f);
        m_canvas.drawText(target, Qt::AlignCenter, q(name));
        m_canvas.restore();
        WriteErrorLog(name + ":" + kMetafileNotDrawn + " (" + error + ")");
    }
}

void Painter::draw(const std::string& line)
{
    FieldCursor c(line);
    const std::string type = FirstField(c);
    const auto next = [&c] { return NextField(c); };
    const auto num = [&c](int def = 0) { return fieldInt(NextField(c), def); };
    if (type == "LEFTMARGIN" || type == "TOPMARGIN") {
        const int n = num();
        if (n != 0) {
            (type == "LEFTMARGIN" ? m_L : m_T) = n + (type == "LEFTMARGIN" ? m_entryL : m_entryT);
            computeOffsets();
        }
    } else if (type == "MESSAGE") {
        if (m_target == PaintTarget::Printer)
            reportEngine().pendingMessage = next();
    } else if (type == "FORM") {
        const std::string file = next();
        const bool vars = upper(next()) == "TRUE";
        const int x = num();
        const int y = num();
        // One level only: a form that names itself (or two that name each other) would never end.
        if (m_kind == "SUBFORM")
            return;
        if ((JobDef.PrintFom || m_target != PaintTarget::Printer) && !file.empty() &&
            platform::files::fileExists(file)) {
            if (vars)
                HensuuYomikomi(file, x, y);
            PrintFile sub(file);
            Painter inner("SUBFORM", sub, m_canvas, m_target, ry(y), rx(x), 0, m_even, m_sy,
                          m_sx, m_ppi);
            inner.m_entryL = m_entryL;
            inner.m_entryT = m_entryT;
            inner.run(0);
        }
    } else if (type == "TEXT" || type == "NTEXT" || type == "UTEXT" || type == "VTEXT") {
        TextRecord r;
        r.type = type;
        r.x = num();
        r.y = num();
        r.text = next();
        r.face = next();
        r.size = num(10);
        r.style = upper(next());
        r.colour = ColorFromName(next(), m_kind);
        r.background = BackColorFromName(next());
        r.align = AlignCode(next());
        r.spread = num();
        r.centring = num();
        drawTextRecord(r);
    } else if (type == "@") {
        drawVariable(c);
    } else if (type == "MEMO") {
        drawMemo(c);
    } else if (type == "BP") {
        const int x = num();
        const int y = num();
        const int w = num(1);
        const int style = num();
        const QColor ink = colour(next());
        m_ox = rx(x);
        m_oy = ry(y);
        m_canvas.setPen(pen(rx(w), style, ink));
        m_current = QPoint(X(0), Y(0));
    } else if (type == "LINEB") {
        const QPoint to(X(num()), Y(num()));
        m_canvas.drawLine(m_current, to);
        m_current = to;
    } else if (type == "LINE" || type == "ELINE") {
        const int x1 = num(), y1 = num(), x2 = num(), y2 = num();
        const int w = num(1);
        const int style = num();
        const QColor ink = colour(next());
        const int device = type == "ELINE" ? roundHalfEven(w * m_sx / 10.0) : rx(w);
        m_canvas.save();
        m_canvas.setPen(pen(device, style, ink));
        m_canvas.setBackgroundMode(Qt::TransparentMode);
        m_canvas.drawLine(QPoint(X(x1), Y(y1)), QPoint(X(x2), Y(y2)));
        m_canvas.restore();
    } else if (type == "BOX" || type == "CIRCLE") {
        const int x1 = num(), y1 = num(), x2 = num(), y2 = num();
        const int w = num(1);
        const int style = num();
        const QColor ink = colour(next());
        const std::string fillWord = next();
        const QColor fill = type == "BOX" ? colour(fillWord) : drawingColor(ColorFromName(fillWord));
        const int fillStyle = num();
        const QRect r = rectOf(x1, y1, x2, y2);
        m_canvas.save();
        if (fillStyle >= 2 && fillStyle <= 7) {
            // Hatching lies on an opaque white background.
            m_canvas.setPen(Qt::NoPen);
            m_canvas.setBrush(Qt::white);
            type == "BOX" ? m_canvas.drawRect(r) : m_canvas.drawEllipse(r);
        }
        m_canvas.setPen(pen(rx(w), style, ink));
        m_canvas.setBrush(QBrush(fill, brushStyle(fillStyle)));
        type == "BOX" ? m_canvas.drawRect(r) : m_canvas.drawEllipse(r);
        m_canvas.restore();
    } else if (type == "RRECT") {
        const int x1 = num(), y1 = num(), x2 = num(), y2 = num();
        const int cw = rx(num()) + 1;
        const int ch = ry(num()) + 1;
        const int w = num(1);
        const int style = num();
        const QColor ink = colour(next());
        const QColor fill = drawingColor(ColorFromName(next()));
        const int fillStyle = num();
        m_canvas.save();
        m_canvas.setPen(pen(rx(w), style, ink));
        m_canvas.setBrush(QBrush(fill, brushStyle(fillStyle)));
        m_canvas.drawRoundedRect(rectOf(x1, y1, x2, y2), cw / 2.0, ch / 2.0, Qt::AbsoluteSize);
        m_canvas.restore();
    } else if (type == "FRECT") {
        const int x1 = num(), y1 = num(), x2 = num(), y2 = num();
        const QColor fill = colour(next());
        const int mode = num();
        const QRect r(QPoint(X(x1), Y(y1)), QPoint(X(x2) - 1, Y(y2) - 1));
        if (mode == 2) {
            QImage img(std::max(1, r.width()), std::max(1, r.height()), QImage::Format_RGB32);
            img.fill(fill);
            stretchPicture(m_canvas, r, img, true);
        } else if (mode != 1 || m_firstPass) {
            m_canvas.fillRect(r, fill);
        }
    } else if (type == "SLINE") {
        const int x = num(), y1 = num(), y2 = num();
        const int count = num();
        const int w = num(1);
        const int style = num();
        const QColor ink = colour(next());
        const std::string face = next();
        const int size = num(10);
        m_canvas.save();
        m_canvas.setPen(pen(roundHalfEven(w * m_sx), style, ink));
        QFont f(platform::substituteFontFamily(q(FontFaceFor(face))));
        f.setPixelSize(std::max(1, roundHalfEven(size * static_cast<double>(m_ppi) / 72.0)));
        const int groupWidth = QFontMetrics(f, m_canvas.device()).horizontalAdvance(QStringLiteral("000"));
        for (int k = 1; k <= count; ++k) {
            const int d = k * groupWidth + 1;
            m_canvas.drawLine(QPoint(X(x) - d, Y(y1)), QPoint(X(x) - d, Y(y2)));
        }
        m_canvas.restore();
    } else if (type == "MARUMOJI") {
        const int x = num(), y = num();
        const int diameter = num();
        const std::string text = next();
        const std::string face = next();
        const int size = num(10);
        const std::string style = upper(next());
        const QColor ink = colour(next());
        if (text.empty())
            return;
        m_canvas.save();
        setFont(face, size, FontStyleFromWord(style), false);
        const QFontMetrics fm = m_canvas.fontMetrics();
        m_canvas.setPen(ink);
        const int w = fm.horizontalAdvance(q(text));
        const int top = Y(y) - (fm.ascent() + fm.descent()) / 2;
        m_canvas.drawText(QPoint(X(x) - w / 2, top + fm.ascent()), q(text));
        m_canvas.setPen(pen(rx(style == "B" ? 2 : 1), 0, ink));
        m_canvas.setBrush(Qt::NoBrush);
        const int radius = roundHalfEven(diameter * 0.5 * m_sy);
        m_canvas.drawEllipse(QPoint(X(x), Y(y)), radius, radius);
        m_canvas.restore();
    } else if (type == "IMAGE") {
        drawPicture(c);
    }
    // "CHART" and every other type draw nothing.
}

bool Painter::run(int zoom)
{
    ReportEngineState& e = reportEngine();
    auto& fieldSlots = e.fields[m_formPage];
    for (int i = 0; i <= 100; ++i)
        fieldSlots[i].Count = 0;
    if (m_entryL == kUnset) {
        m_entryL = e.pageLeft + (m_even ? JobDef.EvenLeftOffset : 0);
        m_entryT = e.pageTop;
    }
    m_L = m_entryL;
    m_T = m_entryT;
    computeOffsets();
    int w = 0;
    int h = 0;
    PaperSizeMM(e.vdbPrint ? e.vdbPrint->GetPaper() : JobDef.PaperSize, w, h);
    m_bottom = (h - 10) * 10;
    readPage();

    m_canvas.save();
    if (zoom > 0)
        m_canvas.scale(zoom / 10.0, zoom / 10.0);
    m_canvas.setRenderHint(QPainter::Antialiasing, false);
    m_canvas.setRenderHint(QPainter::TextAntialiasing, true);
    m_current = QPoint(m_ox, m_oy);
    m_firstPass = true;
    for (const std::string& line : m_lines) {
        FieldCursor c(line);
        if (FirstField(c) == "FRECT") {
            NextField(c), NextField(c), NextField(c), NextField(c), NextField(c);
            if (fieldInt(NextField(c)) == 1)
                draw(line);
        }
    }
    m_firstPass = false;
    computeOffsets();
    std::string type;
    try {
        for (const std::string& line : m_lines) {
            FieldCursor c(line);
            type = FirstField(c);
            if (type == "FRECT") {
                NextField(c), NextField(c), NextField(c), NextField(c), NextField(c);
                if (fieldInt(NextField(c)) == 1)
                    continue;
            }
            draw(line);
        }
    } catch (const std::exception& ex) {
        WriteErrorLog("ImageOut.(" + type + "):" + ex.what());
    } catch (...) {
        WriteErrorLog("ImageOut.(" + type + "):unknown error");
    }
    m_canvas.restore();
    return !m_endedByE;
}

} // namespace

bool PaintPage(const std::string& kind, PrintFile& file, QPainter& canvas, PaintTarget target,
               int originY, int originX, int formPageIndex, bool evenPage, int zoom, double sy,
               double sx, int ppi)
{
    Painter painter(kind, file, canvas, target, originY, originX, formPageIndex, evenPage, sy, sx,
                    ppi);
    return painter.run(zoom);
}

} // namespace print
