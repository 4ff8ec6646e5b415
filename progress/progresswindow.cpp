#include "progresswindow.h"

#include "catalogue.h"
#include "recorder.h"
#include "windowstyle.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPalette>
#include <QSaveFile>

namespace wimbly {

namespace {

// Texts in Chinese, the program's own language; tr() gives them in the language in effect.
const char* const Title = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "进步");
const char* const ChildCaption = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "孩子：");
const char* const NoChild = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "（未选孩子）");
const char* const WeekGames = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "本周游戏：%1 局");
const char* const WeekMinutes = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "本周时间：%1 分钟");
const char* const BestScore = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "最高分：%1");
const char* const ExportCaption = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "导出…");
const char* const ExportTitle = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "导出游戏记录");
const char* const CsvFiles = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "CSV 文件 (*.csv)");
const char* const Exported = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "已导出到 %1。");
const char* const NotExported = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "无法导出到 %1。");
const char* const NotRecording = QT_TRANSLATE_NOOP("wimbly::ProgressWindow", "游戏没有被记录。");
const char* const MovedAside = QT_TRANSLATE_NOOP(
    "wimbly::ProgressWindow", "游戏记录已损坏：原文件已改名为 %1，新的记录已经开始。");

const QString ExportFileName = QStringLiteral("wimbly-history.csv");
const QColor ScoreRed(255, 0, 0);

QFont chineseFont(int pointSize, bool bold = false) {
    QFont font;
    font.setFamilies(ChineseFamilies);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

void colourText(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, colour);
    widget.setPalette(palette);
}

} // namespace

ProgressWindow::ProgressWindow(const ProgressSetup& setup, QWidget* mainWindow)
    : SecondaryWindow(mainWindow), m_history(setup.history), m_now(setup.now) {
    setWindowTitle(tr(Title));
    setFixedSize(view().size(res::ProgressClientSize));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    const QColor navy = QColor::fromRgb(res::Navy);
    const QFont text = view().font(chineseFont(10));
    const QFont figures = view().font(chineseFont(10, true));

    m_childLabel.setGeometry(view().rect(res::ProgressChildLabelGeometry));
    m_childLabel.setFont(text);
    colourText(m_childLabel, navy);
    m_childLabel.setText(tr(ChildCaption));
    m_childBox.setObjectName(QStringLiteral("childBox"));
    m_childBox.setGeometry(view().rect(res::ProgressChildBoxGeometry));
    m_childBox.setFont(text);
    m_childLabel.setBuddy(&m_childBox);

    const auto figure = [&](QLabel& label, const char* name, const QRect& design,
                            const QColor& colour) {
        label.setObjectName(QString::fromLatin1(name));
        label.setGeometry(view().rect(design));
        label.setFont(figures);
        label.setTextFormat(Qt::PlainText);
        colourText(label, colour);
    };
    figure(m_weekGames, "weekGames", res::ProgressWeekGamesGeometry, navy);
    figure(m_weekMinutes, "weekMinutes", res::ProgressWeekMinutesGeometry, navy);
    figure(m_bestScore, "bestScore", res::ProgressBestScoreGeometry, ScoreRed);
    m_bestScore.setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_chart.setObjectName(QStringLiteral("chart"));
    m_chart.setGeometry(view().rect(res::ProgressChartGeometry));
    m_chart.setFont(view().font(chineseFont(9)));
    m_chart.setFactor(view().factor());
    m_chart.setSummary(&m_summary);

    m_status.setObjectName(QStringLiteral("status"));
    m_status.setGeometry(view().rect(res::ProgressStatusGeometry));
    m_status.setFont(view().font(chineseFont(9)));
    colourText(m_status, navy);
    m_status.setTextFormat(Qt::PlainText);
    m_status.setWordWrap(true);
    m_status.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_exportButton.setObjectName(QStringLiteral("exportButton"));
    m_exportButton.setGeometry(view().rect(res::ProgressExportGeometry));
    m_exportButton.setFont(text);
    m_exportButton.setText(tr(ExportCaption));

    connect(&m_exportButton, &QPushButton::clicked, this, &ProgressWindow::chooseExportFile);
}

ProgressWindow* ProgressWindow::open(const ProgressSetup& setup, QWidget* mainWindow) {
    auto* window = new ProgressWindow(setup, mainWindow);
    window->load(setup);
    window->placeOnScreen(std::nullopt);
    window->show();
    return window;
}

bool ProgressWindow::recording() const {
    return m_history && m_history->isRecording();
}

void ProgressWindow::load(const ProgressSetup& setup) {
    holdMainWindow();

    QStringList children = setup.children;
    if (!children.contains(setup.child))
        children.prepend(setup.child);
    for (const QString& name : children)
        m_childBox.addItem(name.isEmpty() ? tr(NoChild) : name, name);
    m_childBox.setCurrentIndex(int(children.indexOf(setup.child)));
    m_childBox.setEnabled(children.size() > 1);
    connect(&m_childBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { showChild(m_childBox.itemData(index).toString()); });
    showChild(setup.child);

    QStringList status;
    if (setup.tellMovedAside && m_history && !m_history->movedAside().isEmpty())
        status << tr(MovedAside).arg(QFileInfo(m_history->movedAside()).fileName());
    if (!recording())
        status << tr(NotRecording);
    m_status.setText(status.join(QLatin1Char('\n')));
    // Without a history there is nothing to export.
    m_exportButton.setEnabled(recording());
}

void ProgressWindow::showChild(const QString& child) {
    m_child = child;
    const QDateTime now = m_now.isValid() ? m_now : QDateTime::currentDateTime();
    m_summary = summarize(recording() ? m_history->games(child) : std::vector<GameRecord>{}, now);
    const int index = m_childBox.findData(child);
    if (index >= 0 && index != m_childBox.currentIndex())
        m_childBox.setCurrentIndex(index);

    m_weekGames.setText(tr(WeekGames).arg(m_summary.weekGames));
    m_weekMinutes.setText(tr(WeekMinutes).arg(m_summary.weekMinutes()));
    m_bestScore.setText(tr(BestScore).arg(
        m_summary.bestScore ? QString::number(*m_summary.bestScore) : QStringLiteral("—")));
    m_chart.setSummary(&m_summary);
}

void ProgressWindow::chooseExportFile() {
    if (m_exportDialog) {
        m_exportDialog->raise();
        m_exportDialog->activateWindow();
        return;
    }
    auto* dialog = new QFileDialog(this, tr(ExportTitle));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(tr(CsvFiles));
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setDirectory(QDir::homePath());
    dialog->selectFile(ExportFileName);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& file) { exportTo(file); });
    m_exportDialog = dialog;
    // Window-modal and returning at once: the game's event loop goes on running.
    dialog->open();
}

bool ProgressWindow::exportTo(const QString& filePath) {
    bool written = false;
    if (recording()) {
        QSaveFile file(filePath);
        written = file.open(QIODevice::WriteOnly) && m_history->exportCsv(file) && file.commit();
    }
    const QString shown = QDir::toNativeSeparators(filePath);
    m_status.setText(written ? tr(Exported).arg(shown) : tr(NotExported).arg(shown));
    return written;
}

} // namespace wimbly
