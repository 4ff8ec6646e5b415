#include "form3.h"

#include <QCloseEvent>

namespace wimbly {

const QString Form3::HelpText = QStringLiteral("游戏目的：锻炼孩子的记忆力和观察能力\r\n\r\n"
                                               "游戏方法：点击三角按钮开始游戏。"
                                               "游戏开始后会播放单一的数码宝贝，"
                                               "你要在随后播放的所有数码宝贝中"
                                               "将它找出来。");

Form3::Form3(QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_mainWindow(mainWindow) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("帮助"));
    setFixedSize(ClientSize);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Label1.setGeometry(TextGeometry);
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
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
    move(ScreenPosition);
    Label1.setText(HelpText);
}

void Form3::closeEvent(QCloseEvent* event) {
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
    event->accept();
    emit closed();
}

} // namespace wimbly
