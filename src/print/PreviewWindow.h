// The preview window TImageDispForm, its paint box and ShowPreview's body.
#pragma once

#include "platform/Dialog.h"

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QScrollArea;
class QToolButton;

namespace print {

struct TVL48DEF;

// Previews a job; non-zero unless the window was closed with its close button, a file is missing
// or the engine is not ready. Installed as the engine's preview entry.
std::int16_t RunPreview(TVL48DEF* job);
void installPreview();

class TImageDispForm;

// The printable area of the paper: draws the shown page, and drags the view with the mouse.
class PreviewPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPaintBox(TImageDispForm& form, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TImageDispForm& m_form;
    QPoint m_down;
    bool m_dragging = false;
};

// "印刷ﾌﾟﾚﾋﾞｭｰ": pages of a job at a zoom, with printing, printer and margin settings.
class TImageDispForm : public platform::Dialog {
    Q_OBJECT
public:
    explicit TImageDispForm(QWidget* parent = nullptr);

    bool resultFlag() const { return m_result; }
    int zoom() const { return m_zoom; }
    int shownPage() const;
    QToolButton* button(const char* name) const;
    // The shown form and data files (the job's, or those of an opened print file).
    static std::string shownFormFile();
    static std::string shownDataFile();
    QLabel* wherePage() const { return m_wherePage; }
    QLabel* dispZoom() const { return m_dispZoom; }
    PreviewPaintBox* paintBox() const { return m_paintBox; }
    QScrollArea* scrollBox() const { return m_scroll; }

    // Set-up (runs on every activation) and layout.
    void FormCreate();
    void FormResize();
    void ZoomJust();
    void setZoom(int zoom);
    void showPage(int page);
    // Draws the shown page onto a painter at the preview's zoom (the paint box and tests).
    void paintShownPage(QPainter& painter);
    double pixelsPerTenthMm() const;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* addButton(const char* name, const QString& text, const QString& hint);
    void updateWherePage();
    void applyPageOrientation();
    void printClick(bool currentPageOnly);
    void printSetupClick();
    void marginClick();
    void pageJumpClick();
    void ImageSave_Click();
    void ImageOpen_Click();
    void ImageOpenCancel_Click();
    void renewShownFile();
    int ppi() const;

    QScrollArea* m_scroll = nullptr;
    QWidget* m_canvas = nullptr;
    QWidget* m_paper = nullptr;
    PreviewPaintBox* m_paintBox = nullptr;
    QLabel* m_dispZoom = nullptr;
    QLabel* m_wherePage = nullptr;
    std::vector<int> m_orientations;
    bool m_result = true;
    int m_zoom = 10;
    bool m_inSetup = false;
    bool m_missingShown = false;
    bool m_painting = false;
    // JobDef's values before a print file was opened.
    struct SavedJob {
        int PaperSize, OutPutPaper, Orientation, TopMargin, LeftMargin;
        std::uint32_t NetColor1, NetColor2, UserColor1, UserColor2;
        bool PrintFom;
        std::string FormFile, DataFile;
    };
    SavedJob m_saved{};
    bool m_fileOpened = false;
};

} // namespace print
