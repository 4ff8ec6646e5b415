#include "childrenwindow.h"

#include "catalogue.h"
#include "picturebox.h"
#include "pictureloader.h"
#include "windowstyle.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QPainter>
#include <QProxyStyle>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace wimbly {

namespace {

// Texts in Chinese, the program's own language; tr() gives them in the language in effect.
const char* const Title = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "孩子");
const char* const NoChild = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "（不选孩子）");
const char* const NoChildNote =
    QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "没有选孩子的时候，按这些玩法玩。");
const char* const AddCaption = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "添加");
const char* const RemoveCaption = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "删除");
const char* const ConfirmRemoveCaption = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "确定删除？");
// A new child's name until the grown-up types one; %1 is a number that makes it unique.
const char* const DefaultName = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "孩子 %1");
const char* const NameCaption = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "名字");
const char* const NameTaken =
    QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "已经有孩子叫这个名字了。");
const char* const NameInvalid = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "这个名字不能用。");
const char* const AnimalCaption = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "动物");
const char* const PlayCaption = QT_TRANSLATE_NOOP("wimbly::ChildrenWindow", "玩法");

static_assert(ChildrenWindow::MaxChildren == res::CharacterCount);

// The window's places and sizes, in pixels at 100 %. The list of children and its buttons fill
// the left column; the selected entry's name, animal and settings the right one.
constexpr QSize ClientSize{530, 428};
constexpr QRect ListGeometry{12, 12, 190, 366};
constexpr QSize ListIconSize{22, 28};
constexpr QRect AddGeometry{12, 388, 66, 28};
constexpr QRect RemoveGeometry{84, 388, 118, 28};
constexpr QRect NoChildNoteGeometry{218, 12, 300, 46};
constexpr QRect PictureGeometry{218, 12, 36, 46};
constexpr QRect NameCaptionGeometry{266, 12, 252, 18};
constexpr QRect NameBoxGeometry{266, 32, 252, 26};
constexpr QRect NameNoteGeometry{266, 60, 252, 18};
constexpr QRect AnimalCaptionGeometry{218, 84, 300, 18};
// The animals as a grid of toggle buttons, nine to a row like the board.
constexpr QPoint AnimalGridPosition{218, 104};
constexpr QSize AnimalButtonSize{30, 38};
constexpr QPoint AnimalButtonStep{31, 39};
constexpr QSize AnimalIconSize{24, 31};
// The chosen animal's ring, around its button.
constexpr int AnimalRingWidth = 2;
constexpr QRect PlayCaptionGeometry{218, 268, 300, 18};
// Each child's setting is a row: a number's label and box, or a check box across the row.
constexpr QRect FirstSettingRow{218, 288, 300, 24};
constexpr int SettingRowStep = 26;
constexpr int NumberBoxWidth = 80;
constexpr int SpinArrowWidth = 16;
constexpr int WindowFontPoints = 10;

// How long the remove button waits for the second click.
constexpr int ConfirmRemoveMs = 4000;

QFont windowFont() {
    QFont font;
    font.setFamilies(ChineseFamilies);
    font.setPointSize(WindowFontPoints);
    return font;
}

QFont boldFont(const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    return bold;
}

void setTextColour(QWidget& widget, QColor colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget.setPalette(palette);
}

// Character `animal` drawn at `size` logical pixels, as fine as a screen of `ratio`.
QPixmap animalPicture(int animal, QSize size, qreal ratio) {
    std::optional<QPixmap> picture =
        res::loadPicture(res::characterBitmap(animal), (QSizeF(size) * ratio).toSize());
    if (!picture)
        return {};
    picture->setDevicePixelRatio(ratio);
    return *picture;
}

// A step for a number box: 1, or a power of ten for wide ranges (the pace: 100 ms).
double stepFor(const Setting& setting) {
    const double range = setting.max - setting.min;
    return range >= 100 ? std::pow(10.0, std::floor(std::log10(range / 10))) : 1;
}

// The program's style with its check boxes, arrows and scroll bars scaled by the view's factor,
// as the window's fonts and places are: a check box as small as at 100 % is hard to hit.
class ScaledStyle : public QProxyStyle {
public:
    explicit ScaledStyle(qreal factor) : m_factor(factor) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int base = QProxyStyle::pixelMetric(metric, option, widget);
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_CheckBoxLabelSpacing:
        case PM_ScrollBarExtent:
        case PM_ScrollBarSliderMin:
        case PM_SpinBoxFrameWidth:
        case PM_DefaultFrameWidth:
        case PM_ButtonMargin:
            return qRound(base * m_factor);
        default:
            return base;
        }
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        const QRect base = QProxyStyle::subControlRect(control, option, part, widget);
        if (control != CC_SpinBox)
            return base;
        // The arrows take a scaled width at the right, one above the other.
        const QRect frame = option->rect;
        const int width = qRound(SpinArrowWidth * m_factor);
        const int middle = frame.top() + frame.height() / 2;
        switch (part) {
        case SC_SpinBoxUp:
            return QRect(frame.right() - width + 1, frame.top(), width, middle - frame.top());
        case SC_SpinBoxDown:
            return QRect(frame.right() - width + 1, middle, width, frame.bottom() - middle + 1);
        case SC_SpinBoxEditField:
            return base.adjusted(0, 0, std::min(0, frame.right() - width - base.right()), 0);
        default:
            return base;
        }
    }

private:
    qreal m_factor;
};

// The ring around the chosen animal: a frame in the highlight colour that lets clicks through.
class AnimalRing : public QWidget {
public:
    AnimalRing(qreal width, QWidget* parent) : QWidget(parent), m_width(width) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), m_width));
        const qreal inset = m_width / 2;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), m_width * 2,
                                m_width * 2);
    }

private:
    qreal m_width;
};

bool nameTaken(const std::vector<Child>& children, const QString& name) {
    return std::any_of(children.begin(), children.end(),
                       [&name](const Child& c) { return c.name == name; });
}

} // namespace

ChildrenWindow::ChildrenWindow(SettingsStore& store, QWidget* mainWindow)
    : SecondaryWindow(mainWindow), m_store(store) {
    setWindowTitle(tr(Title));
    setFixedSize(view().size(ClientSize));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    const QFont font = view().font(windowFont());
    setFont(font);

    const auto place = [this](QWidget& widget, const QRect& design, const char* name) {
        widget.setGeometry(view().rect(design));
        widget.setObjectName(QLatin1String(name));
    };
    const auto caption = [&](QLabel& label, const QRect& design, const char* text) {
        place(label, design, "");
        label.setFont(boldFont(font));
        label.setText(tr(text));
    };

    place(m_list, ListGeometry, "childList");
    m_list.setIconSize(view().size(ListIconSize));
    m_list.setUniformItemSizes(true);
    place(m_addButton, AddGeometry, "addButton");
    m_addButton.setText(tr(AddCaption));
    place(m_removeButton, RemoveGeometry, "removeButton");
    m_removeButton.setText(tr(RemoveCaption));
    m_removeTimer.setSingleShot(true);
    m_removeTimer.setInterval(ConfirmRemoveMs);

    place(m_noChildNote, NoChildNoteGeometry, "noChildNote");
    m_noChildNote.setWordWrap(true);
    m_noChildNote.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_noChildNote.setText(tr(NoChildNote));
    place(m_picture, PictureGeometry, "picture");
    caption(m_nameCaption, NameCaptionGeometry, NameCaption);
    place(m_nameBox, NameBoxGeometry, "nameBox");
    // Characters, not UTF-16 units, are what a child's name is limited to; the store checks.
    m_nameBox.setMaxLength(32);
    place(m_nameNote, NameNoteGeometry, "nameNote");
    m_nameNote.setTextFormat(Qt::PlainText);
    setTextColour(m_nameNote, Qt::red);

    caption(m_animalCaption, AnimalCaptionGeometry, AnimalCaption);
    m_animals.setExclusive(true);
    const qreal ratio = devicePixelRatioF();
    for (int i = 0; i < res::CharacterCount; ++i) {
        auto* button = new QToolButton(this);
        const QPoint at = AnimalGridPosition +
                          QPoint(AnimalButtonStep.x() * (i % 9), AnimalButtonStep.y() * (i / 9));
        place(*button, QRect(at, AnimalButtonSize), "");
        button->setObjectName(QStringLiteral("animal_%1").arg(i));
        button->setCheckable(true);
        button->setIconSize(view().size(AnimalIconSize));
        button->setIcon(animalPicture(i, view().size(AnimalIconSize), ratio));
        m_animals.addButton(button, i);
    }

    m_animalRing = new AnimalRing(view().factor() * AnimalRingWidth, this);
    m_animalRing->setObjectName(QStringLiteral("animalRing"));

    caption(m_playCaption, PlayCaptionGeometry, PlayCaption);
    buildSettingControls();

    if (view().factor() != 1) {
        auto* style = new ScaledStyle(view().factor());
        style->setParent(this);
        for (QWidget* widget : findChildren<QWidget*>())
            widget->setStyle(style);
    }

    connect(&m_list, &QListWidget::currentRowChanged, this, [this] {
        if (!m_filling)
            showSelected();
    });
    connect(&m_addButton, &QPushButton::clicked, this, &ChildrenWindow::addChild);
    connect(&m_removeButton, &QPushButton::clicked, this, &ChildrenWindow::removeClicked);
    connect(&m_removeTimer, &QTimer::timeout, this, &ChildrenWindow::disarmRemove);
    connect(&m_nameBox, &QLineEdit::editingFinished, this, &ChildrenWindow::commitName);
    connect(&m_animals, &QButtonGroup::idClicked, this, &ChildrenWindow::chooseAnimal);
}

void ChildrenWindow::buildSettingControls() {
    QRect row = FirstSettingRow;
    for (const Setting& setting : Settings) {
        if (!setting.perChild || !setting.menuText)
            continue;
        QWidget* control = nullptr;
        if (setting.kind == Setting::Kind::Flag) {
            auto* box = new QCheckBox(tr(setting.menuText), this);
            box->setGeometry(view().rect(row));
            control = box;
        } else if (setting.kind == Setting::Kind::Number) {
            auto* label = new QLabel(tr(setting.menuText), this);
            label->setGeometry(
                view().rect(row.adjusted(0, 0, -NumberBoxWidth - SettingRowStep / 2, 0)));
            const QRect boxRect = row.adjusted(row.width() - NumberBoxWidth, 0, 0, 0);
            if (std::holds_alternative<int Preferences::*>(setting.field)) {
                auto* box = new QSpinBox(this);
                box->setRange(int(setting.min), int(setting.max));
                box->setSingleStep(int(stepFor(setting)));
                box->setKeyboardTracking(false);
                control = box;
            } else {
                auto* box = new QDoubleSpinBox(this);
                box->setRange(setting.min, setting.max);
                box->setSingleStep(0.25);
                box->setKeyboardTracking(false);
                control = box;
            }
            control->setGeometry(view().rect(boxRect));
            label->setBuddy(control);
        } else {
            // A language is the computer's, never a child's: nothing to offer here.
            continue;
        }
        control->setObjectName(QLatin1String(setting.key));
        m_settingControls.push_back({&setting, control});
        const SettingControl& entry = m_settingControls.back();
        if (auto* box = qobject_cast<QCheckBox*>(control))
            connect(box, &QCheckBox::toggled, this, [this, entry] { saveSetting(entry); });
        else if (auto* spin = qobject_cast<QSpinBox*>(control))
            connect(spin, &QSpinBox::valueChanged, this, [this, entry] { saveSetting(entry); });
        else if (auto* real = qobject_cast<QDoubleSpinBox*>(control))
            connect(real, &QDoubleSpinBox::valueChanged, this,
                    [this, entry] { saveSetting(entry); });
        row.translate(0, SettingRowStep);
    }
}

ChildrenWindow* ChildrenWindow::open(SettingsStore& store, const QString& current,
                                     QWidget* mainWindow) {
    auto* window = new ChildrenWindow(store, mainWindow);
    window->holdMainWindow();
    window->reload(current);
    window->placeOnScreen(std::nullopt);
    window->show();
    return window;
}

void ChildrenWindow::reload(const QString& name) {
    m_filling = true;
    m_children = m_store.children();
    m_list.clear();
    auto* noChild = new QListWidgetItem(tr(NoChild), &m_list);
    noChild->setData(Qt::UserRole, QString());
    int selected = 0;
    const QSize iconSize = view().size(ListIconSize);
    for (const Child& child : m_children) {
        auto* item = new QListWidgetItem(
            QIcon(animalPicture(child.animal, iconSize, devicePixelRatioF())), child.name, &m_list);
        item->setData(Qt::UserRole, child.name);
        if (child.name == name)
            selected = m_list.count() - 1;
    }
    m_list.setCurrentRow(selected);
    m_filling = false;
    m_addButton.setEnabled(int(m_children.size()) < MaxChildren);
    showSelected();
}

void ChildrenWindow::showSelected() {
    disarmRemove();
    m_nameNote.clear();
    const QListWidgetItem* item = m_list.currentItem();
    m_current = item ? item->data(Qt::UserRole).toString() : QString();
    const auto child = std::find_if(m_children.begin(), m_children.end(),
                                    [this](const Child& c) { return c.name == m_current; });
    const bool isChild = !m_current.isEmpty() && child != m_children.end();

    m_filling = true;
    m_removeButton.setEnabled(isChild);
    m_noChildNote.setVisible(!isChild);
    for (QWidget* widget : std::initializer_list<QWidget*>{&m_picture, &m_nameCaption, &m_nameBox,
                                                           &m_nameNote, &m_animalCaption})
        widget->setVisible(isChild);
    for (QAbstractButton* button : m_animals.buttons())
        button->setVisible(isChild);
    m_animalRing->setVisible(isChild);
    if (isChild) {
        m_nameBox.setText(child->name);
        markAnimal(child->animal);
        m_picture.setPixmap(renderBitmap(res::characterBitmap(child->animal),
                                         view().size(res::CharacterSize), view().factor(),
                                         devicePixelRatioF())
                                .value_or(QPixmap()));
    } else {
        m_nameBox.clear();
    }

    const Preferences preferences = m_store.load(m_current);
    for (const SettingControl& control : m_settingControls) {
        std::visit(
            [&](auto field) {
                const auto value = preferences.*field;
                if (auto* box = qobject_cast<QCheckBox*>(control.widget)) {
                    if constexpr (std::is_same_v<decltype(value), const bool>)
                        box->setChecked(value);
                } else if (auto* spin = qobject_cast<QSpinBox*>(control.widget)) {
                    if constexpr (std::is_same_v<decltype(value), const int>)
                        spin->setValue(value);
                } else if (auto* real = qobject_cast<QDoubleSpinBox*>(control.widget)) {
                    if constexpr (std::is_same_v<decltype(value), const qreal>)
                        real->setValue(value);
                }
            },
            control.setting->field);
    }
    m_filling = false;
}

void ChildrenWindow::markAnimal(int animal) {
    QAbstractButton* button = m_animals.button(animal);
    if (!button)
        return;
    button->setChecked(true);
    const QPoint at = AnimalGridPosition + QPoint(AnimalButtonStep.x() * (animal % 9),
                                                  AnimalButtonStep.y() * (animal / 9));
    m_animalRing->setGeometry(view().rect(QRect(at, AnimalButtonSize).adjusted(-1, -1, 1, 1)));
    m_animalRing->raise();
}

void ChildrenWindow::addChild() {
    commitTyping();
    if (int(m_children.size()) >= MaxChildren)
        return;
    Child child;
    for (int n = 1;; ++n) {
        child.name = tr(DefaultName).arg(n);
        if (!nameTaken(m_children, child.name))
            break;
    }
    // The first animal no other child has; when each has one, they share.
    for (int animal = 0; animal < res::CharacterCount; ++animal) {
        const bool used = std::any_of(m_children.begin(), m_children.end(),
                                      [animal](const Child& c) { return c.animal == animal; });
        if (!used) {
            child.animal = animal;
            break;
        }
    }
    if (!m_store.addChild(child))
        return;
    reload(child.name);
    // The grown-up types the child's name straight away.
    m_nameBox.setFocus();
    m_nameBox.selectAll();
    emit childrenChanged();
}

void ChildrenWindow::removeClicked() {
    if (m_current.isEmpty())
        return;
    if (!m_removeArmed) {
        m_removeArmed = true;
        m_removeButton.setText(tr(ConfirmRemoveCaption));
        setTextColour(m_removeButton, Qt::red);
        m_removeTimer.start();
        return;
    }
    disarmRemove();
    const QString name = m_current;
    const int row = m_list.currentRow();
    if (!m_store.removeChild(name))
        return;
    m_children = m_store.children();
    // The entry that took the removed one's place, or the one before it when it was the last.
    const int next = std::min(row, int(m_children.size()));
    reload(next > 0 ? m_children[next - 1].name : QString());
    emit childRemoved(name);
    emit childrenChanged();
}

void ChildrenWindow::disarmRemove() {
    m_removeTimer.stop();
    if (!m_removeArmed)
        return;
    m_removeArmed = false;
    m_removeButton.setText(tr(RemoveCaption));
    m_removeButton.setPalette(QPalette());
}

void ChildrenWindow::commitName() {
    if (m_filling || m_current.isEmpty())
        return;
    // Spaces around a name are a slip of the keyboard, not part of it.
    const QString name = m_nameBox.text().trimmed();
    if (name == m_current) {
        m_nameBox.setText(m_current);
        return;
    }
    const QString from = m_current;
    if (!isChildName(name) || nameTaken(m_children, name) || !m_store.renameChild(from, name)) {
        m_nameNote.setText(nameTaken(m_children, name) ? tr(NameTaken) : tr(NameInvalid));
        m_nameBox.setText(from);
        return;
    }
    m_nameNote.clear();
    m_nameBox.setText(name);
    m_current = name;
    for (Child& child : m_children) {
        if (child.name == from)
            child.name = name;
    }
    if (QListWidgetItem* item = m_list.currentItem()) {
        item->setText(name);
        item->setData(Qt::UserRole, name);
    }
    emit childRenamed(from, name);
    emit childrenChanged();
}

void ChildrenWindow::chooseAnimal(int animal) {
    if (m_filling || m_current.isEmpty() || !m_store.setAnimal(m_current, animal))
        return;
    for (Child& child : m_children) {
        if (child.name == m_current)
            child.animal = animal;
    }
    markAnimal(animal);
    if (QListWidgetItem* item = m_list.currentItem())
        item->setIcon(QIcon(animalPicture(animal, view().size(ListIconSize), devicePixelRatioF())));
    m_picture.setPixmap(renderBitmap(res::characterBitmap(animal), view().size(res::CharacterSize),
                                     view().factor(), devicePixelRatioF())
                            .value_or(QPixmap()));
    emit childrenChanged();
}

void ChildrenWindow::saveSetting(const SettingControl& control) {
    if (m_filling)
        return;
    Preferences preferences = m_store.load(m_current);
    std::visit(
        [&](auto field) {
            auto& value = preferences.*field;
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>) {
                if (auto* box = qobject_cast<QCheckBox*>(control.widget))
                    value = box->isChecked();
            } else if constexpr (std::is_same_v<std::decay_t<decltype(value)>, int>) {
                if (auto* spin = qobject_cast<QSpinBox*>(control.widget))
                    value = spin->value();
            } else if constexpr (std::is_same_v<std::decay_t<decltype(value)>, qreal>) {
                if (auto* real = qobject_cast<QDoubleSpinBox*>(control.widget))
                    value = real->value();
            }
        },
        control.setting->field);
    m_store.save(*control.setting, preferences, m_current);
}

void ChildrenWindow::commitTyping() {
    if (m_nameBox.text() != m_current)
        commitName();
    for (const SettingControl& control : m_settingControls) {
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(control.widget))
            spin->interpretText();
    }
}

void ChildrenWindow::closeEvent(QCloseEvent* event) {
    commitTyping();
    SecondaryWindow::closeEvent(event);
}

} // namespace wimbly
