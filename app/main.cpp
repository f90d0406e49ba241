#include "mainwindow.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    MainWindow window;
    window.setWindowIcon(QIcon(QPixmap(QStringLiteral(":/proxyicon.png"))));
    window.show();
    return QApplication::exec();
}
