#pragma once

#include "progresschart.h"
#include "progresssummary.h"
#include "secondarywindow.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

class QFileDialog;

namespace wimbly {

class Recorder;

// What the progress window is opened with.
struct ProgressSetup {
    // The history to show and export; null when it could not be opened.
    Recorder* history = nullptr;
    // The children to choose from, in the order offered; "" stands for games played with no
    // child chosen.
    QStringList children;
    // The child shown first; offered first as well when `children` lacks it.
    QString child;
    // Say that the history found damaged was moved aside (Recorder::movedAside()) and a new one
    // started.
    bool tellMovedAside = false;
    // The moment that ends "this week"; the current time when invalid.
    QDateTime now;
};

// The progress window, for grown-ups: for one child, the longest parade recalled in each game
// over the days, this week's games and minutes, the best score, and the export of the whole
// history as CSV. It is not modal; it disables the main window while it is open.
// Its controls carry object names: "childBox", "weekGames", "weekMinutes", "bestScore",
// "chart", "status" and "exportButton".
class ProgressWindow : public SecondaryWindow {
    Q_OBJECT
public:
    // Creates the window (deleted when it closes), reads the shown child's games, disables
    // `mainWindow` and shows the window. `setup.history` must outlive the window.
    static ProgressWindow* open(const ProgressSetup& setup, QWidget* mainWindow);

    // The child shown, and its games summed up.
    const QString& child() const { return m_child; }
    const ProgressSummary& summary() const { return m_summary; }
    // Shows the games of `child`, one of those offered.
    void showChild(const QString& child);

    // "导出…": asks where to write the CSV, in a dialog that does not block.
    void chooseExportFile();
    // Writes the whole history as CSV to `filePath`, replacing the file only once it is written
    // whole, and says in the status line whether it worked.
    bool exportTo(const QString& filePath);

    QString statusText() const { return m_status.text(); }

private:
    explicit ProgressWindow(const ProgressSetup& setup, QWidget* mainWindow);
    void load(const ProgressSetup& setup);
    bool recording() const;

    Recorder* m_history = nullptr;
    QDateTime m_now;
    QString m_child;
    ProgressSummary m_summary;
    QPointer<QFileDialog> m_exportDialog;

    QLabel m_childLabel{this};
    QComboBox m_childBox{this};
    QLabel m_weekGames{this};
    QLabel m_weekMinutes{this};
    QLabel m_bestScore{this};
    ProgressChart m_chart{this};
    QLabel m_status{this};
    QPushButton m_exportButton{this};
};

} // namespace wimbly
