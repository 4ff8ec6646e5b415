#include "helpwindow.h"

#include "catalogue.h"

namespace wimbly {

HelpWindow::HelpWindow(QWidget* mainWindow) : SecondaryWindow(mainWindow) {
    setWindowTitle(tr("帮助"));
    setFixedSize(view().size(res::HelpClientSize));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    m_text.setGeometry(view().rect(res::HelpTextGeometry));
    m_text.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text.setWordWrap(true);
}

HelpWindow* HelpWindow::open(QWidget* mainWindow) {
    auto* window = new HelpWindow(mainWindow);
    window->load();
    window->show();
    return window;
}

void HelpWindow::load() {
    holdMainWindow();
    placeOnScreen(res::HelpScreenPosition);
    m_text.setText(tr("游戏目的：锻炼孩子的记忆力和观察能力\r\n\r\n"
                      "游戏方法：点击三角按钮开始游戏。"
                      "游戏开始后会播放单一的数码宝贝，"
                      "你要在随后播放的所有数码宝贝中"
                      "将它找出来。"));
}

} // namespace wimbly
