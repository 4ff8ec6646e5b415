// The floor of the start-up benchmark: a Qt Widgets window of the main window's size with
// nothing in it, linked against Qt Widgets alone.

#include "firstpaint.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    wimbly::bench::FirstPaint watch(argc > 1 ? QByteArray(argv[1]).toInt() : 0);
    QWidget window;
    window.setFixedSize(551, 459);
    window.installEventFilter(&watch);
    window.show();
    return app.exec();
}
