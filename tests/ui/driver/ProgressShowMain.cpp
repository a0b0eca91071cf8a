// Shows the progress window with an animation file until it is ended, for the test that looks
// at it on a virtual display. Prints "ANIMATION x y w h" (screen pixels) once it is shown.
#include "ui/ProgressDialog.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: progress-show AVIFILE\n");
        return 2;
    }
    TxAnimeProgressDialog dialog;
    dialog.setCaption(QStringLiteral("処理中"));
    dialog.setAviFile(QString::fromLocal8Bit(argv[1]));
    dialog.setInfoLabel(QStringLiteral("データを読み込んでいます"));
    dialog.Show();
    QTimer::singleShot(0, [&] {
        const QWidget* box = dialog.animationWidget();
        const QPoint at = box->mapToGlobal(QPoint(0, 0));
        std::printf("ANIMATION %d %d %d %d\n", at.x(), at.y(), box->width(), box->height());
        std::fflush(stdout);
    });
    return app.exec();
}
