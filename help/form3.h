#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>

namespace wimbly {

// The help window: the aim of the game and how to play. While it is open the main window
// takes no input.
class Form3 : public QWidget {
    Q_OBJECT
public:
    // Creates the window, disables `mainWindow`, shows it and returns it. The window deletes
    // itself when closed and enables `mainWindow` again.
    static Form3* open(QWidget* mainWindow);

    static const QString HelpText;
    static constexpr QSize ClientSize{324, 303};
    static constexpr QPoint ScreenPosition{147, 133};
    static constexpr QRect TextGeometry{16, 40, 297, 249};

    QLabel& text() { return Label1; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit Form3(QWidget* mainWindow);
    void Form_Load();

    QPointer<QWidget> m_mainWindow;
    QLabel Label1{this};
};

} // namespace wimbly
