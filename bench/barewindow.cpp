// The floors of the start-up benchmark: a Qt Widgets window of the main window's size, linked
// against Qt Widgets alone, either empty or holding only a label like the game's score ("0" in
// bold 12-point Simplified Chinese serif), which is what any window with Chinese text pays for
// its fonts.
//
//   bench_bare_window <idle seconds> [label]

#include "firstpaint.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    wimbly::bench::FirstPaint watch(argc > 1 ? QByteArray(argv[1]).toInt() : 0);
    QWidget window;
    window.setFixedSize(551, 459);
    QLabel score(QStringLiteral("0"));
    if (argc > 2 && QByteArray(argv[2]) == "label") {
        QFont font;
        font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC")});
        font.setPointSize(12);
        font.setBold(true);
        score.setFont(font);
        score.setParent(&window);
        score.setGeometry(472, 400, 65, 25);
    }
    window.installEventFilter(&watch);
    window.show();
    return app.exec();
}
