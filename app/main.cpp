#include "form1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("wimbly"));
    // Ties the windows to the installed desktop entry, so a desktop shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wimbly.Wimbly"));
    wimbly::Form1 window;
    window.show();
    return app.exec();
}
