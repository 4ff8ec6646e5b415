#include "leaderboardwindow.h"

#include "catalogue.h"
#include "windowstyle.h"

#include <QFont>
#include <QPalette>

#include <limits>

namespace wimbly {

namespace {

// Texts in Chinese, the program's own language; tr() gives them in the language in effect.
const char* const Title = QT_TRANSLATE_NOOP("wimbly::LeaderboardWindow", "排行榜");
const char* const EnterHeading =
    QT_TRANSLATE_NOOP("wimbly::LeaderboardWindow", "恭喜恭喜!您上榜了。您的大名:");
const char* const ViewHeading = QT_TRANSLATE_NOOP("wimbly::LeaderboardWindow", "排行榜");
const char* const ConfirmCaption = QT_TRANSLATE_NOOP("wimbly::LeaderboardWindow", "确认");

// The heading when the table cannot be written. Translated at the point of use, so that the
// window speaks the program's current language.
const char* const CannotSave = QT_TRANSLATE_NOOP("wimbly::LeaderboardWindow", "排行榜无法保存。");
// The heading when the game does not enter the table.
const char* const NotRanked =
    QT_TRANSLATE_NOOP("wimbly::LeaderboardWindow", "多于三条命的游戏不上榜。");

// A row is 81 or 89 pixels wide; a name longer than this can never be seen whole anyway, and a
// damaged file may hold names of a megabyte.
constexpr qsizetype MaxShownChars = 256;

QFont headingFont() {
    QFont font;
    font.setFamilies(ChineseFamilies);
    font.setPointSize(9);
    font.setBold(true);
    return font;
}

void makeWhite(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

// A further element of a row array, in the state of element 0.
std::unique_ptr<QLabel> copyOf(const QLabel& element0, QWidget* parent) {
    auto label = std::make_unique<QLabel>(parent);
    label->setGeometry(element0.geometry());
    label->setPalette(element0.palette());
    label->setAutoFillBackground(element0.autoFillBackground());
    label->setFont(element0.font());
    label->setAlignment(element0.alignment());
    label->setTextFormat(element0.textFormat());
    label->setText(element0.text());
    return label;
}

} // namespace

LeaderboardWindow::LeaderboardWindow(const QString& folder, QWidget* mainWindow)
    : SecondaryWindow(mainWindow), m_table(folder) {
    setWindowTitle(tr(Title));
    setFixedSize(view().size(res::LeaderboardClientSize));
    makeWhite(*this);

    m_heading.setObjectName(QStringLiteral("heading"));
    m_heading.setGeometry(view().rect(res::LeaderboardHeadingGeometry));
    m_heading.setFont(view().font(headingFont()));
    QPalette red = m_heading.palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_heading.setPalette(red);
    m_heading.setAlignment(Qt::AlignCenter);
    m_heading.setTextFormat(Qt::PlainText);
    m_heading.setText(tr(EnterHeading));

    m_nameBox.setObjectName(QStringLiteral("nameBox"));
    m_nameBox.setGeometry(view().rect(res::LeaderboardNameBoxGeometry));
    m_nameBox.setMaxLength(std::numeric_limits<int>::max());
    // The heading asks for the name: a screen reader says it as the box's name.
    m_heading.setBuddy(&m_nameBox);

    m_okButton.setObjectName(QStringLiteral("okButton"));
    m_okButton.setGeometry(view().rect(res::LeaderboardConfirmGeometry));
    m_okButton.setText(tr(ConfirmCaption));

    const auto designRow = [this](const QRect& rect, const QString& caption) {
        auto label = std::make_unique<QLabel>(this);
        label->setGeometry(view().rect(rect));
        makeWhite(*label);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        // Names come from a file anyone can edit: never interpret them as markup.
        label->setTextFormat(Qt::PlainText);
        label->setText(caption);
        return label;
    };
    m_nameLabels[0] = designRow(res::LeaderboardNameGeometry, QStringLiteral("name"));
    m_scoreLabels[0] = designRow(res::LeaderboardScoreGeometry, QStringLiteral("score"));

    // Only the name box and the button take the focus; the name box comes first.
    setTabOrder(&m_nameBox, &m_okButton);
    m_nameBox.setFocus();

    connect(&m_okButton, &QPushButton::clicked, this, &LeaderboardWindow::confirm);
    connect(&m_nameBox, &QLineEdit::returnPressed, this, &LeaderboardWindow::confirm);
}

LeaderboardWindow* LeaderboardWindow::open(const QString& folder, qint32 score, QWidget* mainWindow,
                                           const LeaderboardEntry& entry) {
    auto* window = new LeaderboardWindow(folder, mainWindow);
    window->m_score = score;
    window->m_entry = entry;
    window->load();
    window->placeOnScreen(std::nullopt);
    window->show();
    return window;
}

void LeaderboardWindow::load() {
    holdMainWindow();

    const Leaderboard::LoadResult loaded = m_table.load(
        m_entry.ranked ? Leaderboard::Access::ReadWrite : Leaderboard::Access::ReadOnly);
    const int place = m_entry.ranked ? m_table.rank(m_score) : -1;

    if (!m_entry.ranked) {
        m_nameBox.hide();
        m_okButton.hide();
        m_heading.setText(tr(NotRanked));
    } else if ((place >= 0 || loaded == Leaderboard::LoadResult::Unreadable) &&
               !m_table.canSave()) {
        // Nothing typed here could be kept: show the table and say so, rather than take a name
        // that would be lost. A table that cannot be read says so whatever the score.
        m_nameBox.hide();
        m_okButton.hide();
        m_heading.setText(tr(CannotSave));
    } else if (loaded != Leaderboard::LoadResult::CreatedDefault) {
        if (place < 0) {
            m_nameBox.hide();
            m_okButton.hide();
            m_heading.setText(tr(ViewHeading));
        } else {
            m_nameBox.show();
            m_heading.setText(tr(EnterHeading));
        }
    }
    m_nameBox.setText(m_entry.name);

    for (int i = 1; i < Leaderboard::Places; ++i) {
        m_nameLabels[i] = copyOf(*m_nameLabels[0], this);
        m_nameLabels[i]->show();
        m_scoreLabels[i] = copyOf(*m_scoreLabels[0], this);
        m_scoreLabels[i]->show();
    }
    for (int i = 0; i < Leaderboard::Places; ++i) {
        m_nameLabels[i]->setObjectName(QStringLiteral("name_%1").arg(i));
        m_nameLabels[i]->setText(m_table.name(i).left(MaxShownChars));
        const int rowTop = res::LeaderboardNameGeometry.top() + res::LeaderboardRowStep * i;
        m_nameLabels[i]->move(m_nameLabels[i]->x(), view().length(rowTop));
        m_scoreLabels[i]->setObjectName(QStringLiteral("score_%1").arg(i));
        m_scoreLabels[i]->setText(QString::number(m_table.score(i)));
        m_scoreLabels[i]->move(m_scoreLabels[i]->x(), view().length(rowTop));
    }
}

void LeaderboardWindow::confirm() {
    const QString name = m_nameBox.text();
    if (name.isEmpty() || !m_entry.ranked)
        return;
    if (!m_table.save(name)) {
        // The name stays in the box and the window stays open: the player can try again once
        // the cause is gone, or close the window.
        m_heading.setText(tr(CannotSave));
        return;
    }
    close();
}

} // namespace wimbly
