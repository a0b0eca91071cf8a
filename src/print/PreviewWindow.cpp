// The preview window TImageDispForm, its paint box and ShowPreview's body.
#include "print/PreviewWindow.h"

#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Printers.h"
#include "platform/SpecialFolders.h"
#include "platform/Text.h"
#include "print/ErrorLog.h"
#include "print/MarginsDialog.h"
#include "print/PagePainter.h"
#include "print/PrintLoop.h"
#include "print/PrinterSetupDialog.h"
#include "print/ReportComponent.h"
#include "print/ReportEngine.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <exception>
#include <optional>
#include <sstream>

namespace print {

namespace {

using platform::MB_ICONERROR;
using platform::MB_OK;

// The files the preview shows.
std::string g_formPath;
std::string g_dataPath;

platform::PrinterHost& host() { return *reportEngine().printers; }

void logError(const char* tag, const std::exception& e)
{
    WriteErrorLog(std::string(tag) + ":" + e.what());
}

int answerPreview(TVL48DEF* job) { return RunPreview(job); }

bool blank(const std::string& s) { return QString::fromStdString(s).trimmed().isEmpty(); }

// "ページ指定": the page number the user wants to see.
class PageInputBox : public platform::Dialog {
public:
    explicit PageInputBox(QWidget* parent)
        : platform::Dialog(parent)
        , m_edit(new QLineEdit(QStringLiteral("1"), this))
    {
        setWindowTitle(QStringLiteral("ページ指定"));
        setObjectName(QStringLiteral("PageInputBox"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("表示したいページ番号を入力してください"), this));
        layout->addWidget(m_edit);
        auto* buttons = new QHBoxLayout;
        auto* ok = new QPushButton(QStringLiteral("ＯＫ"), this);
        auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
        ok->setDefault(true);
        buttons->addStretch();
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        layout->addLayout(buttons);
        connect(ok, &QPushButton::clicked, this, [this] { setModalResult(platform::mrOk); });
        connect(cancel, &QPushButton::clicked, this, [this] { setModalResult(platform::mrCancel); });
        m_edit->selectAll();
    }
    QLineEdit* edit() const { return m_edit; }

private:
    QLineEdit* m_edit;
};

} // namespace

void installPreview() { setPreviewEntry(&answerPreview); }

std::int16_t RunPreview(TVL48DEF* job)
{
    ReportEngineState& e = reportEngine();
    if (!e.ready || !job)
        return 0;
    try {
        g_formPath = job->FormFile;
        g_dataPath = job->DataFile;
        if (job != &JobDef) {
            JobDef.FormFile = job->FormFile;
            JobDef.DataFile = job->DataFile;
            CopyJobSettings(JobDef, *job);
            JobDef.Permit = job->Permit;
        }
        e.currentPage = 1;
        e.vRatio = 0;
        e.hRatio = 0;
        if (!platform::files::fileExists(g_dataPath)) {
            platform::messageBox("<" + g_dataPath + "> が見つかりません。", "", MB_OK | MB_ICONERROR);
            return 0;
        }
        if (!blank(g_formPath) && !platform::files::fileExists(g_formPath)) {
            platform::messageBox("<" + g_formPath + "> が見つかりません。", "", MB_OK | MB_ICONERROR);
            return 0;
        }
        if (blank(g_formPath)) {
            // A form path of blanks names no form: nothing may try to open it.
            g_formPath.clear();
            JobDef.FormFile.clear();
        }
        host().setIndex(JobDef.PrinterNum);
        if (JobDef.Copies < 1 || JobDef.Copies > 99)
            JobDef.Copies = 1;
        if (JobDef.Zoom < 5 || JobDef.Zoom > 20)
            JobDef.Zoom = 10;
        if (JobDef.PaperSize == 0)
            JobDef.PaperSize = e.vdbPrint->GetPaperNumber(JobDef.PaperName, JobDef.PaperLength, 9,
                                                          JobDef.PaperWidth);

        TImageDispForm form;
        if (!JobDef.Title.empty())
            form.setWindowTitle(QString::fromStdString(JobDef.Title));
        for (const char* name : {"PrintButton", "PrintSetupButton", "ImageOut", "ImageOpen",
                                 "CurrentPage"})
            form.button(name)->setEnabled(JobDef.Permit);
        form.button("CurrentPage")->setVisible(JobDef.CurrentPage);
        form.button("ImageOut")->setEnabled(JobDef.Permit && JobDef.ImageOut);
        form.button("ImageOpen")->setEnabled(JobDef.Permit && JobDef.ImageOut);

        e.vdbPrint->SetPaper(JobDef.OutPutPaper != 0 ? JobDef.OutPutPaper : JobDef.PaperSize);
        host().devMode().orientation = JobDef.Orientation == 1 ? 2 : 1;
        host().applyDevMode();
        e.vdbPrint->SetDevMode(JobDef);
        AdjustPaperRatio();
        form.FormResize();
        form.setWindowState(Qt::WindowMaximized);
        platform::execDialog(form);
        return form.resultFlag() ? 1 : 0;
    } catch (const std::exception& ex) {
        logError("PREVIEW.開始", ex);
    }
    return 0;
}

PreviewPaintBox::PreviewPaintBox(TImageDispForm& form, QWidget* parent)
    : QWidget(parent)
    , m_form(form)
{
    setObjectName(QStringLiteral("ImagePaintBox"));
    setToolTip(QStringLiteral("印刷可能範囲"));
}

void PreviewPaintBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_form.paintShownPage(painter);
}

void PreviewPaintBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_down = event->position().toPoint();
    m_dragging = true;
    setCursor(Qt::SizeAllCursor);
}

void PreviewPaintBox::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint d = event->position().toPoint() - m_down;
    QScrollBar* h = m_form.scrollBox()->horizontalScrollBar();
    QScrollBar* v = m_form.scrollBox()->verticalScrollBar();
    h->setValue(std::max(0, h->value() + d.x()));
    v->setValue(std::max(0, v->value() + d.y()));
}

void PreviewPaintBox::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
    unsetCursor();
}

TImageDispForm::TImageDispForm(QWidget* parent)
    : platform::Dialog(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"));
    setFont(QFont(QStringLiteral("ＭＳ 明朝"), 9));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("SpeedBar"));
    // Tight enough that the whole bar, page panel included, fits a screen 800 pixels wide.
    bar->layout()->setSpacing(0);
    layout->addWidget(bar);

    const auto add = [&](const char* name, const QString& text, const QString& hint) {
        QToolButton* b = addButton(name, text, hint);
        bar->addWidget(b);
        return b;
    };
    connect(add("CloseButton", QStringLiteral("閉じる"), QStringLiteral("プレビューを中止する。")),
            &QToolButton::clicked, this, [this] {
                m_result = false;
                done(platform::mrCancel);
            });
    connect(add("PrintButton", QStringLiteral("印刷"), QStringLiteral("印刷")),
            &QToolButton::clicked, this, [this] { printClick(false); });
    connect(add("PrintSetupButton", QStringLiteral("ﾌﾟﾘﾝﾀ"), QStringLiteral("ﾌﾟﾘﾝﾀ設定")),
            &QToolButton::clicked, this, [this] { printSetupClick(); });
    connect(add("SB_MARGIN", QStringLiteral("余白"), QStringLiteral("上余白・左余白を設定します")),
            &QToolButton::clicked, this, [this] { marginClick(); });
    connect(add("ImageOut", QStringLiteral("保存"), QStringLiteral("ファイルに保存")),
            &QToolButton::clicked, this, [this] { ImageSave_Click(); });
    connect(add("ImageOpen", QStringLiteral("読込"), QStringLiteral("ファイルの読込")),
            &QToolButton::clicked, this, [this] { ImageOpen_Click(); });
    QToolButton* openCancel =
        add("ImageOpenCancel", QStringLiteral("取消"), QStringLiteral("ファイルの読込を取り消す"));
    openCancel->setEnabled(false);
    connect(openCancel, &QToolButton::clicked, this, [this] { ImageOpenCancel_Click(); });
    bar->addSeparator();
    connect(add("ZoomJustButton", QStringLiteral("全体"), QStringLiteral("全体を表示する")),
            &QToolButton::clicked, this, [this] { ZoomJust(); });
    connect(add("SpeedButton3", QStringLiteral("100%"), QStringLiteral("１００％表示")),
            &QToolButton::clicked, this, [this] { setZoom(10); });
    connect(add("ZoomInButton", QStringLiteral("拡大"), QStringLiteral("拡大")),
            &QToolButton::clicked, this, [this] {
                if (m_zoom < 20)
                    setZoom(m_zoom + 1);
            });
    connect(add("ZoomOutButton", QStringLiteral("縮小"), QStringLiteral("縮小")),
            &QToolButton::clicked, this, [this] {
                if (m_zoom > 5)
                    setZoom(m_zoom - 1);
            });
    m_dispZoom = new QLabel(this);
    m_dispZoom->setObjectName(QStringLiteral("DispZoom"));
    m_dispZoom->setMinimumWidth(48);
    m_dispZoom->setAlignment(Qt::AlignCenter);
    m_dispZoom->setFrameShape(QFrame::Panel);
    m_dispZoom->setFrameShadow(QFrame::Sunken);
    bar->addWidget(m_dispZoom);
    bar->addSeparator();
    connect(add("PgJump", QStringLiteral("Jmp"), QStringLiteral("ﾍﾟｰｼﾞ指定")),
            &QToolButton::clicked, this, [this] { pageJumpClick(); });
    connect(add("TopPage", QStringLiteral("|◀"), QStringLiteral("先頭ﾍﾟｰｼﾞ")),
            &QToolButton::clicked, this, [this] { showPage(1); });
    connect(add("PrevPage", QStringLiteral("◀"), QStringLiteral("前ﾍﾟｰｼﾞ")),
            &QToolButton::clicked, this, [this] { showPage(shownPage() - 1); });
    connect(add("NextPage", QStringLiteral("▶"), QStringLiteral("次ﾍﾟｰｼﾞ")),
            &QToolButton::clicked, this, [this] { showPage(shownPage() + 1); });
    connect(add("LastPage", QStringLiteral("▶|"), QStringLiteral("最終ﾍﾟｰｼﾞ")),
            &QToolButton::clicked, this, [this] { showPage(reportEngine().totalPages); });
    connect(add("CurrentPage", QStringLiteral("頁印刷"), QStringLiteral("現在のページを印刷")),
            &QToolButton::clicked, this, [this] { printClick(true); });
    m_wherePage = new QLabel(this);
    m_wherePage->setObjectName(QStringLiteral("WherePage"));
    m_wherePage->setMinimumWidth(64);
    m_wherePage->setAlignment(Qt::AlignCenter);
    m_wherePage->setFrameShape(QFrame::Panel);
    m_wherePage->setFrameShadow(QFrame::Sunken);
    bar->addWidget(m_wherePage);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ImagePaintScrollBox"));
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Dark);
    layout->addWidget(m_scroll, 1);
    m_canvas = new QWidget;
    m_paper = new QWidget(m_canvas);
    m_paper->setObjectName(QStringLiteral("PaperPanel"));
    m_paper->setAutoFillBackground(true);
    QPalette white = m_paper->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_paper->setPalette(white);
    m_paintBox = new PreviewPaintBox(*this, m_paper);
    m_scroll->setWidget(m_canvas);
    connect(m_scroll->horizontalScrollBar(), &QScrollBar::sliderReleased, m_paper,
            qOverload<>(&QWidget::update));
    connect(m_scroll->verticalScrollBar(), &QScrollBar::sliderReleased, m_paper,
            qOverload<>(&QWidget::update));
    m_zoom = JobDef.Zoom;
    resize(1024, 720);
}

QToolButton* TImageDispForm::addButton(const char* name, const QString& text, const QString& hint)
{
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(text) + 12);
    return b;
}

QToolButton* TImageDispForm::button(const char* name) const
{
    return findChild<QToolButton*>(QString::fromLatin1(name));
}

std::string TImageDispForm::shownFormFile() { return g_formPath; }
std::string TImageDispForm::shownDataFile() { return g_dataPath; }

int TImageDispForm::shownPage() const { return reportEngine().shownPage; }

int TImageDispForm::ppi() const { return logicalDpiX() > 0 ? logicalDpiX() : 96; }

double TImageDispForm::pixelsPerTenthMm() const { return ppi() / 254.0; }

void TImageDispForm::updateWherePage()
{
    m_wherePage->setText(
        QStringLiteral("%1/%2").arg(shownPage()).arg(reportEngine().totalPages));
}

void TImageDispForm::changeEvent(QEvent* event)
{
    platform::Dialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        FormCreate();
    } else {
        try {
            // Only shown again: raising it or taking the focus would fight other windows.
            if (!isVisible())
                show();
        } catch (const std::exception& ex) {
            logError("PREVIEW.FormDeactivate", ex);
        }
    }
}

void TImageDispForm::FormCreate()
{
    // A box raised here activates the window again when it closes: set-up must not rerun then.
    if (m_inSetup)
        return;
    m_inSetup = true;
    ReportEngineState& e = reportEngine();
    try {
        m_result = true;
        m_zoom = JobDef.Zoom;
        m_dispZoom->setText(QStringLiteral("%1%").arg(m_zoom * 10));
        if (!platform::files::fileExists(g_dataPath)) {
            // A data file gone since the preview opened is reported once; the count stays 1.
            if (!m_missingShown) {
                m_missingShown = true;
                platform::messageBox("<" + g_dataPath + "> が見つかりません。", "",
                                     MB_OK | MB_ICONERROR);
            }
            e.totalPages = 1;
            e.shownPage = 1;
            m_orientations.clear();
        } else {
            TotalPages();
            std::istringstream in(CollectPageOrientations(g_dataPath, JobDef.Orientation));
            std::string line;
            m_orientations.clear();
            while (std::getline(in, line))
                m_orientations.push_back(fieldInt(line, JobDef.Orientation));
        }
        updateWherePage();
        ZoomJust();
        applyPageOrientation();
    } catch (const std::exception& ex) {
        logError("PREVIEW.FormCreate", ex);
    }
    m_inSetup = false;
}

void TImageDispForm::showEvent(QShowEvent* event)
{
    platform::Dialog::showEvent(event);
    HensuuYomikomi(g_formPath, 0, 0);
}

void TImageDispForm::resizeEvent(QResizeEvent* event)
{
    platform::Dialog::resizeEvent(event);
    FormResize();
}

void TImageDispForm::FormResize()
{
    try {
        ReportEngineState& e = reportEngine();
        m_scroll->horizontalScrollBar()->setValue(0);
        m_scroll->verticalScrollBar()->setValue(0);
        int w = 0;
        int h = 0;
        PaperSizeMM(e.vdbPrint->GetPaper(), w, h);
        e.vdbPrint->ResetUserPaperSize();
        const int horz = host().horzSizeMM();
        const int vert = host().vertSizeMM();
        const int dpi = ppi();
        const auto P = [&](double mm) {
            return static_cast<int>(roundHalfEven(dpi * mm / 25.4 * m_zoom * 0.1));
        };
        int panelW = 0;
        int panelH = 0;
        if (e.deviceSizedPaper < 2) {
            if (host().devMode().orientation == 2)
                std::swap(w, h);
            panelW = P(w);
            panelH = P(h);
        } else {
            panelW = P(horz + 10) + 2;
            panelH = P(vert + 10) + 2;
        }
        const int windowW = m_scroll->viewport()->width();
        int left = roundHalfEven((windowW - 15 - panelW) / 2.0);
        if (left <= 15)
            left = 15;
        constexpr int top = 15;
        m_paper->setGeometry(left, top, panelW, panelH);
        const int boxW = P(horz) + 2;
        const int boxH = P(vert) + 2;
        m_paintBox->setGeometry(roundHalfEven((panelW - boxW) / 2.0),
                                roundHalfEven((panelH - boxH) / 2.0), boxW, boxH);
        m_canvas->resize(std::max(windowW, left + panelW + 15),
                         std::max(m_scroll->viewport()->height(), top + panelH));
        const int offX = roundHalfEven((w - horz) / 2.0) * 10;
        const int offY = roundHalfEven((h - vert) / 2.0) * 10;
        e.pageLeft = JobDef.LeftMargin - offX;
        e.pageTop = JobDef.TopMargin - offY;
        m_paintBox->update();
    } catch (const std::exception& ex) {
        logError("PREVIEW.FormResize", ex);
    }
}

void TImageDispForm::setZoom(int zoom)
{
    m_zoom = zoom;
    m_dispZoom->setText(QStringLiteral("%1%").arg(m_zoom * 10));
    FormResize();
}

void TImageDispForm::ZoomJust()
{
    int w = 0;
    int h = 0;
    PaperSizeMM(reportEngine().vdbPrint->GetPaper(), w, h);
    if (host().devMode().orientation == 2)
        std::swap(w, h);
    const int dpi = ppi();
    const QSize room = m_scroll->viewport()->size();
    for (int n = 20; n >= 5; --n) {
        const int needW = roundHalfEven(dpi * w / 25.4 * n / 10.0) + 15;
        const int needH = roundHalfEven(dpi * h / 25.4 * n / 10.0) + m_paper->y();
        if (room.width() >= needW && room.height() >= needH) {
            setZoom(n);
            return;
        }
    }
}

void TImageDispForm::showPage(int page)
{
    ReportEngineState& e = reportEngine();
    if (page < 1 || page > e.totalPages)
        return;
    e.shownPage = page;
    e.currentPage = page;
    applyPageOrientation();
    m_paintBox->update();
    updateWherePage();
}

void TImageDispForm::applyPageOrientation()
{
    const int index = shownPage() - 1;
    if (index < 0 || index >= static_cast<int>(m_orientations.size()))
        return;
    const int wanted = m_orientations[index] == 1 ? 2 : 1;
    if (wanted != host().devMode().orientation) {
        host().devMode().orientation = wanted;
        host().applyDevMode();
        FormResize();
    }
}

void TImageDispForm::pageJumpClick()
{
    try {
        PageInputBox box(this);
        if (platform::execDialog(box) == platform::mrOk) {
            bool ok = false;
            int page = box.edit()->text().trimmed().toInt(&ok);
            if (!ok)
                page = 1;
            showPage(page);
        }
    } catch (const std::exception& ex) {
        logError("ImageDispForm.PgJumpClick", ex);
    }
}

void TImageDispForm::paintShownPage(QPainter& painter)
{
    if (m_painting)
        return;
    m_painting = true;
    try {
        const QRect box(0, 0, m_paintBox->width(), m_paintBox->height());
        painter.fillRect(box, Qt::white);
        if (g_dataPath.empty()) {
            m_painting = false;
            platform::messageBox("印刷ファイルの指定がありません。", "", MB_OK | MB_ICONERROR);
            return;
        }
        if (!platform::files::fileExists(g_dataPath)) {
            m_painting = false;
            platform::messageBox("\"" + g_dataPath + "\"が見つかりません。", "", MB_OK | MB_ICONERROR);
            return;
        }
        painter.save();
        painter.setPen(QPen(Qt::blue, 1, Qt::DotLine));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.restore();
        painter.translate(1, 1);
        const int p = shownPage();
        const int k = std::max(1, formPagesInCycle());
        const int formIndex = ((p % k) == 0 ? k : p % k) - 1;
        const double s = pixelsPerTenthMm();
        if (!g_formPath.empty() && platform::files::fileExists(g_formPath)) {
            PrintFile form(g_formPath);
            SeekPage(form, p, true);
            PaintPage("FOM", form, painter, PaintTarget::Preview, 0, 0, formIndex, p % 2 == 0,
                      m_zoom, s, s, ppi());
        }
        PrintFile dataFile(g_dataPath);
        if (SeekPage(dataFile, p, false))
            PaintPage("DAT", dataFile, painter, PaintTarget::Preview, 0, 0, formIndex, p % 2 == 0,
                      m_zoom, s, s, ppi());
    } catch (const std::exception& ex) {
        logError("PREVIEW.ImageBoxPaint", ex);
    }
    m_painting = false;
}

void TImageDispForm::printClick(bool currentPageOnly)
{
    ReportEngineState& e = reportEngine();
    const int page = shownPage();
    const std::string form = JobDef.FormFile;
    const std::string jobData = JobDef.DataFile;
    const int orientation = host().devMode().orientation;
    try {
        JobDef.FormFile = g_formPath;
        JobDef.DataFile = g_dataPath;
        JobDef.Zoom = 10;
        JobDef.PrinterNum = host().index();
        AdjustPaperRatio();
        if (currentPageOnly)
            PrintCurrentPage(&JobDef, page, orientation == 2 ? 1 : 0);
        else
            PrintJob(&JobDef);
    } catch (const std::exception& ex) {
        logError("PREVIEW.開始", ex);
    }
    e.shownPage = page;
    e.currentPage = page;
    updateWherePage();
    JobDef.FormFile = form;
    JobDef.DataFile = jobData;
    host().devMode().orientation = orientation;
    host().applyDevMode();
    FormResize();
}

void TImageDispForm::printSetupClick()
{
    try {
        PrinterSetupDialog dialog(host(), this);
        platform::execDialog(dialog);
        AdjustPaperRatio();
        FormResize();
    } catch (const std::exception& ex) {
        // No error may leave a click handler: it is logged and the window stays.
        logError("PREVIEW.ﾌﾟﾘﾝﾀ設定", ex);
    }
}

void TImageDispForm::marginClick()
{
    try {
        Tfmyohaku dialog(this);
        const bool corrections = reportEngine().vdbPrint->GetPaper() == JobDef.PaperSize;
        const auto shown = [](int ratio) {
            return ratio < 950 || ratio > 1050 ? 0 : ratio - 1000;
        };
        dialog.setValues(JobDef.TopMargin, JobDef.LeftMargin, shown(JobDef.VRATIO),
                         shown(JobDef.HRATIO));
        dialog.setCorrectionShown(corrections);
        if (platform::execDialog(dialog) == platform::mrOk) {
            JobDef.TopMargin = dialog.top;
            JobDef.LeftMargin = dialog.left;
            if (corrections) {
                JobDef.VRATIO = 1000 + dialog.vertical;
                JobDef.HRATIO = 1000 + dialog.horizontal;
            }
        }
        AdjustPaperRatio();
        FormResize();
        m_paintBox->update();
    } catch (const std::exception& ex) {
        logError("PREVIEW.余白設定", ex);
    }
}

} // namespace print

namespace print {

namespace {

std::vector<std::string> fileLines(const std::string& path)
{
    std::vector<std::string> lines;
    PrintFile file(path);
    while (!file.eof())
        lines.push_back(file.readLine());
    return lines;
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out;
    FieldCursor c(line.back() == ';' ? line : line + ";");
    while (c.position < c.line().size())
        out.push_back(NextField(c));
    return out;
}

std::string nameOf(const std::string& path)
{
    const std::size_t p = path.find_last_of("/\\");
    return p == std::string::npos ? path : path.substr(p + 1);
}

int headerInt(const std::string& value, int fallback)
{
    if (!value.empty() && value[0] == '$') {
        bool ok = false;
        const uint v = QString::fromStdString(value.substr(1)).toUInt(&ok, 16);
        return ok ? static_cast<int>(v) : fallback;
    }
    return fieldInt(value, fallback);
}

} // namespace

void TImageDispForm::ImageSave_Click()
{
    if (m_painting)
        return;
    m_painting = true;
    try {
        platform::FileDialogRequest r;
        r.caption = "ファイルに保存";
        r.initialDir = platform::documentsFolder();
        QString title = QString::fromStdString(nameOf(JobDef.Title));
        if (const int dot = static_cast<int>(title.lastIndexOf(u'.')); dot > 0)
            title.truncate(dot);
        r.fileName = title.toStdString() + ".V48";
        r.filter = "印刷（プレビュー）ファイルの保存 (*.V48)";
        r.defaultExt = "V48";
        if (const auto chosen = platform::messageService().saveFileName(r)) {
            const QFileInfo info(QString::fromStdString(*chosen));
            const std::string F = QDir::toNativeSeparators(info.absolutePath()).toStdString();
            const std::string B = info.completeBaseName().toStdString();
            const std::string base = F + "/" + B;
            std::vector<std::string> lines = fileLines(g_dataPath);
            bool formLine = false;
            int forms = 0;
            for (std::string& line : lines) {
                if (!formLine && line.rfind("*FORMFILE=", 0) == 0) {
                    formLine = true;
                    line = g_formPath.empty() ? "*FORMFILE=" : "*FORMFILE=" + base + ".VXF";
                } else if (line.rfind("FORM;", 0) == 0) {
                    const auto f = fields(line);
                    if (f.size() < 5)
                        continue;
                    const std::string copy = base + "_FORMAT-" + std::to_string(++forms) + ".VXF";
                    platform::files::copyFile(f[1], copy, true);
                    line = "FORM;" + copy + ";" + f[2] + ";" + std::to_string(fieldInt(f[3])) +
                           ";" + std::to_string(fieldInt(f[4])) + ";";
                } else if (line.rfind("IMAGE;", 0) == 0) {
                    const auto f = fields(line);
                    if (f.size() < 6)
                        continue;
                    const std::string copy = base + "_" + nameOf(f[5]);
                    platform::files::copyFile(f[5], copy, true);
                    line = "IMAGE;" + std::to_string(fieldInt(f[1])) + ";" +
                           std::to_string(fieldInt(f[2])) + ";" + std::to_string(fieldInt(f[3])) +
                           ";" + std::to_string(fieldInt(f[4])) + ";" + copy + ";0;";
                }
            }
            std::string bytes;
            for (const std::string& line : lines)
                bytes += platform::text::toCp932(line) + "\r\n";
            platform::files::writeAllAtomic(base + ".V48", bytes);
            if (!g_formPath.empty())
                platform::files::copyFile(g_formPath, base + ".VXF", true);
        }
    } catch (const std::exception& ex) {
        logError("PREVIEW.Text作成", ex);
    }
    m_painting = false;
    FormResize();
}

void TImageDispForm::renewShownFile()
{
    JobDef.FormFile = g_formPath;
    JobDef.DataFile = g_dataPath;
    TotalPages();
    updateWherePage();
    HensuuYomikomi(g_formPath, 0, 0);
    std::istringstream in(CollectPageOrientations(g_dataPath, JobDef.Orientation));
    std::string line;
    m_orientations.clear();
    while (std::getline(in, line))
        m_orientations.push_back(fieldInt(line, JobDef.Orientation));
    applyPageOrientation();
}

void TImageDispForm::ImageOpen_Click()
{
    if (m_painting)
        return;
    try {
        platform::FileDialogRequest r;
        r.caption = "ファイルの読込";
        r.initialDir = platform::documentsFolder();
        r.filter = "プレビュー画面の復元 (*.V48)";
        r.defaultExt = "V48";
        const auto chosen = platform::messageService().openFileName(r);
        if (chosen) {
            if (!m_fileOpened) {
                m_saved = {JobDef.PaperSize, JobDef.OutPutPaper, JobDef.Orientation,
                           JobDef.TopMargin, JobDef.LeftMargin, JobDef.NetColor1,
                           JobDef.NetColor2, JobDef.UserColor1, JobDef.UserColor2,
                           JobDef.PrintFom, JobDef.FormFile, JobDef.DataFile};
            }
            const std::vector<std::string> lines = fileLines(*chosen);
            if (lines.empty() || lines[0].compare(0, 10, "*VELLUM48*") != 0) {
                platform::messageBox("[VELLUM48]印刷ファイルではありません。", "",
                                     MB_OK | MB_ICONERROR);
            } else {
                const auto header = [&](const std::string& key) -> std::optional<std::string> {
                    for (const std::string& l : lines)
                        if (l.rfind("*" + key + "=", 0) == 0)
                            return l.substr(key.size() + 2);
                    return std::nullopt;
                };
                const std::string form = header("FORMFILE").value_or("");
                if (blank(form) || platform::files::fileExists(form)) {
                    g_dataPath = *chosen;
                    g_formPath = blank(form) ? std::string() : form;
                    const auto number = [&](const char* key, int fallback) {
                        const auto v = header(key);
                        return v ? headerInt(*v, fallback) : fallback;
                    };
                    JobDef.PaperSize = number("PAPERSIZE", 9);
                    JobDef.OutPutPaper = number("OUTPUTPAPER", 9);
                    JobDef.Orientation = number("ORIENTATION", 0);
                    JobDef.TopMargin = number("TOPMARGIN", 0);
                    JobDef.LeftMargin = number("LEFTMARGIN", 0);
                    JobDef.NetColor1 = static_cast<TColor>(number("NETC1", 0));
                    JobDef.NetColor2 = static_cast<TColor>(number("NETC2", 0));
                    JobDef.UserColor1 = static_cast<TColor>(number("USERC1", 0));
                    JobDef.UserColor2 = static_cast<TColor>(number("USERC2", 0));
                    JobDef.PrintFom = header("FORMPRINT").value_or("") == "TRUE";
                    m_fileOpened = true;
                    renewShownFile();
                    button("ImageOpenCancel")->setEnabled(true);
                }
            }
        }
    } catch (const std::exception& ex) {
        logError("PREVIEW.Text読込", ex);
    }
    FormResize();
    m_paintBox->update();
}

void TImageDispForm::ImageOpenCancel_Click()
{
    if (m_painting)
        return;
    try {
        button("ImageOpenCancel")->setEnabled(false);
        if (m_fileOpened) {
            m_fileOpened = false;
            JobDef.PaperSize = m_saved.PaperSize;
            JobDef.OutPutPaper = m_saved.OutPutPaper;
            JobDef.Orientation = m_saved.Orientation;
            JobDef.TopMargin = m_saved.TopMargin;
            JobDef.LeftMargin = m_saved.LeftMargin;
            JobDef.NetColor1 = m_saved.NetColor1;
            JobDef.NetColor2 = m_saved.NetColor2;
            JobDef.UserColor1 = m_saved.UserColor1;
            JobDef.UserColor2 = m_saved.UserColor2;
            JobDef.PrintFom = m_saved.PrintFom;
            g_formPath = m_saved.FormFile;
            g_dataPath = m_saved.DataFile;
            renewShownFile();
        }
    } catch (const std::exception& ex) {
        logError("PREVIEW.読込取消", ex);
    }
    FormResize();
    m_paintBox->update();
}

} // namespace print
