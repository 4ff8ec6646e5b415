#include "form3.h"

#include "catalogue.h"

namespace wimbly {

Form3::Form3(QWidget* mainWindow) : SecondaryWindow(mainWindow) {
    setWindowTitle(tr("帮助"));
    setFixedSize(view().size(res::HelpClientSize));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Label1.setGeometry(view().rect(res::HelpTextGeometry));
    Label1.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1.setWordWrap(true);
}

Form3* Form3::open(QWidget* mainWindow) {
    auto* window = new Form3(mainWindow);
    window->Form_Load();
    window->show();
    return window;
}

void Form3::Form_Load() {
    holdMainWindow();
    placeOnScreen(res::HelpScreenPosition);
    Label1.setText(tr("游戏目的：锻炼孩子的记忆力和观察能力\r\n\r\n"
                      "游戏方法：点击三角按钮开始游戏。"
                      "游戏开始后会播放单一的数码宝贝，"
                      "你要在随后播放的所有数码宝贝中"
                      "将它找出来。"));
}

} // namespace wimbly
