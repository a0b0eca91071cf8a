// print-render: draws a print data file with its form file to PNG pages and a PDF (tests/README.md).
//   print-render DATAFILE FORMFILE|- OUTDIR
#include "../RenderJob.h"

#include "print/ReportEngine.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: print-render DATAFILE FORMFILE|- OUTDIR\n");
        return 2;
    }
    if (!print::StartReportEngine()) {
        std::fprintf(stderr, "print-render: the report engine did not start\n");
        return 1;
    }
    const std::string form = std::string(argv[2]) == "-" ? std::string() : argv[2];
    const std::string out = argv[3];
    try {
        testsupport::loadJobFromHeader(argv[1], form);
        const auto pages = testsupport::renderPreviewPages();
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const QString name = QString::fromStdString(out) + QStringLiteral("/page-%1.png").arg(i + 1);
            if (!pages[i].save(name, "PNG")) {
                std::fprintf(stderr, "print-render: cannot write %s\n", name.toLocal8Bit().constData());
                return 1;
            }
        }
        std::string error;
        if (!testsupport::renderPdf(out + "/report.pdf", error)) {
            std::fprintf(stderr, "print-render: %s\n", error.c_str());
            return 1;
        }
        std::printf("%zu page(s)\n", pages.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "print-render: %s\n", e.what());
        return 1;
    }
    print::StopReportEngine();
    return 0;
}
