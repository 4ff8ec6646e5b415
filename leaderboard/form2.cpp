#include "form2.h"

#include "catalogue.h"

#include <QFont>
#include <QPalette>

#include <limits>

namespace wimbly {

namespace {

// Texts in Chinese, the program's own language; tr() gives them in the language in effect.
const char* const Title = QT_TRANSLATE_NOOP("wimbly::Form2", "排行榜");
const char* const EnterHeading = QT_TRANSLATE_NOOP("wimbly::Form2", "恭喜恭喜!您上榜了。您的大名:");
const char* const ViewHeading = QT_TRANSLATE_NOOP("wimbly::Form2", "排行榜");
const char* const ConfirmCaption = QT_TRANSLATE_NOOP("wimbly::Form2", "确认");

// The heading when the table cannot be written. Translated at the point of use, so that the
// window speaks the program's current language.
const char* const CannotSave = QT_TRANSLATE_NOOP("wimbly::Form2", "排行榜无法保存。");

// A row is 81 or 89 pixels wide; a name longer than this can never be seen whole anyway, and a
// damaged file may hold names of a megabyte.
constexpr qsizetype MaxShownChars = 256;

QFont headingFont() {
    // "宋体" under its Latin and Chinese names first, then the CJK faces installed where it is
    // missing, so the heading never shows boxes.
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei")});
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

Form2::Form2(const QString& sPath, QWidget* mainWindow)
    : SecondaryWindow(mainWindow), m_table(sPath) {
    setWindowTitle(tr(Title));
    setFixedSize(view().size(res::LeaderboardClientSize));
    makeWhite(*this);

    Labt.setObjectName(QStringLiteral("Labt"));
    Labt.setGeometry(view().rect(res::LeaderboardHeadingGeometry));
    Labt.setFont(view().font(headingFont()));
    QPalette red = Labt.palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Labt.setPalette(red);
    Labt.setAlignment(Qt::AlignCenter);
    Labt.setTextFormat(Qt::PlainText);
    Labt.setText(tr(EnterHeading));

    Text1.setObjectName(QStringLiteral("Text1"));
    Text1.setGeometry(view().rect(res::LeaderboardNameBoxGeometry));
    Text1.setMaxLength(std::numeric_limits<int>::max());

    Command1.setObjectName(QStringLiteral("Command1"));
    Command1.setGeometry(view().rect(res::LeaderboardConfirmGeometry));
    Command1.setText(tr(ConfirmCaption));

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
    Label1[0] = designRow(res::LeaderboardNameGeometry, QStringLiteral("Label1"));
    Label2[0] = designRow(res::LeaderboardScoreGeometry, QStringLiteral("Label2"));

    // Only the name box and the button take the focus; the name box comes first.
    setTabOrder(&Text1, &Command1);
    Text1.setFocus();

    connect(&Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(&Text1, &QLineEdit::returnPressed, this, &Form2::Command1_Click);
}

Form2* Form2::open(const QString& sPath, qint32 fcount, QWidget* mainWindow) {
    auto* form = new Form2(sPath, mainWindow);
    form->fcount = fcount;
    form->Form_Load();
    form->placeOnScreen(std::nullopt);
    form->show();
    return form;
}

void Form2::Form_Load() {
    holdMainWindow();

    const Leaderboard::LoadResult loaded = m_table.load();
    const int place = m_table.rank(fcount);

    if ((place >= 0 || loaded == Leaderboard::LoadResult::Unreadable) && !m_table.canSave()) {
        // Nothing typed here could be kept: show the table and say so, rather than take a name
        // that would be lost. A table that cannot be read says so whatever the score.
        Text1.hide();
        Command1.hide();
        Labt.setText(tr(CannotSave));
    } else if (loaded != Leaderboard::LoadResult::CreatedDefault) {
        if (place < 0) {
            Text1.hide();
            Command1.hide();
            Labt.setText(tr(ViewHeading));
        } else {
            Text1.show();
            Labt.setText(tr(EnterHeading));
        }
    }

    for (int i = 1; i < Leaderboard::Places; ++i) {
        Label1[i] = copyOf(*Label1[0], this);
        Label1[i]->show();
        Label2[i] = copyOf(*Label2[0], this);
        Label2[i]->show();
    }
    for (int i = 0; i < Leaderboard::Places; ++i) {
        Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        Label1[i]->setText(m_table.sName(i).left(MaxShownChars));
        const int rowTop = res::LeaderboardNameGeometry.top() + res::LeaderboardRowStep * i;
        Label1[i]->move(Label1[i]->x(), view().length(rowTop));
        Label2[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));
        Label2[i]->setText(QString::number(m_table.nScore(i)));
        Label2[i]->move(Label2[i]->x(), view().length(rowTop));
    }
}

void Form2::Command1_Click() {
    const QString name = Text1.text();
    if (name.isEmpty())
        return;
    if (!m_table.save(name)) {
        // The name stays in the box and the window stays open: the player can try again once
        // the cause is gone, or close the window.
        Labt.setText(tr(CannotSave));
        return;
    }
    close();
}

} // namespace wimbly
