#include "export/main.h"

#include <QApplication>
#include <QMainWindow>

int ProgramMain(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("連動ﾃﾞｰﾀの作成"));
    w.show();
    return app.exec();
}
