#include "commands.h"

#include <QKeyEvent>
#include <QWidget>

namespace wimbly {

Commands::Commands(QWidget& window) : m_window(window) {
    zoomIn.setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    zoomOut.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    resetZoom.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    fullScreen.setShortcut(QKeySequence(Qt::Key_F11));
    fullScreen.setCheckable(true);
    sound.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    sound.setCheckable(true);
    sound.setChecked(true);
    speak.setCheckable(true);
    help.setShortcut(QKeySequence(Qt::Key_F1));
    left.setShortcut(QKeySequence(Qt::Key_Left));
    right.setShortcut(QKeySequence(Qt::Key_Right));
    up.setShortcut(QKeySequence(Qt::Key_Up));
    down.setShortcut(QKeySequence(Qt::Key_Down));
    select.setShortcuts(
        {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Space)});
    // A held key must not press cell after cell, start game after game or flip a switch back and
    // forth; the ring and the zoom may keep going.
    for (QAction* once : {&select, &help, &fullScreen, &sound})
        once->setAutoRepeat(false);

    // Each language is named in its own script, so a reader of either finds it.
    chinese.setText(QStringLiteral("中文"));
    english.setText(QStringLiteral("English"));
    chinese.setData(QVariant::fromValue(Language::Chinese));
    english.setData(QVariant::fromValue(Language::English));
    for (QAction* language : {&chinese, &english}) {
        language->setCheckable(true);
        m_languages.addAction(language);
    }
    chinese.setChecked(true);
    // Scanning: steps of 2.5, 1.5 and 0.8 seconds suit a child who needs time to press the
    // switch, one who is used to it, and one who is quick.
    scanOff.setData(0);
    scanSlow.setData(2500);
    scanMedium.setData(1500);
    scanFast.setData(800);
    for (QAction* speed : {&scanOff, &scanSlow, &scanMedium, &scanFast, &scanOther}) {
        speed->setCheckable(true);
        m_scanSpeeds.addAction(speed);
    }
    showScanInterval(0);
    children.setVisible(false);
    progress.setVisible(false);
    quit.setVisible(false);

    m_keyed = {&zoomIn, &zoomOut, &resetZoom, &fullScreen, &sound, &help,
               &left,   &right,   &up,        &down,       &select};
    retranslate();
    m_window.installEventFilter(this);
}

Commands::~Commands() = default;

QAction& Commands::languageAction(Language language) {
    return language == Language::English ? english : chinese;
}

void Commands::retranslate() {
    zoomIn.setText(tr("放大"));
    zoomOut.setText(tr("缩小"));
    resetZoom.setText(tr("100 %"));
    fullScreen.setText(tr(settingOf(&Preferences::fullScreen).menuText));
    sound.setText(tr(settingOf(&Preferences::soundOn).menuText));
    speak.setText(m_speechAvailable ? tr(settingOf(&Preferences::speak).menuText)
                                    : tr("说出动物的名字（语音不可用）"));
    children.setText(tr("孩子"));
    progress.setText(tr("进步"));
    quit.setText(tr("退出"));
    scanOff.setText(tr("关"));
    scanSlow.setText(tr("慢（2.5 秒）"));
    scanMedium.setText(tr("中（1.5 秒）"));
    scanFast.setText(tr("快（0.8 秒）"));
    scanOther.setText(tr("%1 秒").arg(scanOther.data().toInt() / 1000.0));
}

void Commands::showScanInterval(int ms) {
    for (QAction* speed : {&scanOff, &scanSlow, &scanMedium, &scanFast}) {
        if (speed->data().toInt() == ms) {
            speed->setChecked(true);
            scanOther.setVisible(false);
            return;
        }
    }
    scanOther.setData(ms);
    scanOther.setVisible(true);
    scanOther.setChecked(true);
    retranslate();
}

void Commands::setSpeechAvailable(bool available) {
    m_speechAvailable = available;
    retranslate();
}

void Commands::setLocked(bool locked) {
    for (QAction* setting : {&zoomIn, &zoomOut, &resetZoom, &fullScreen, &sound, &speak, &chinese,
                             &english, &scanOff, &scanSlow, &scanMedium, &scanFast, &scanOther})
        setting->setEnabled(!locked);
}

bool Commands::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window || event->type() != QEvent::KeyPress || !m_window.isEnabled())
        return false;
    auto* press = static_cast<QKeyEvent*>(event);
    QAction* command = commandFor(*press);
    if (!command)
        return false;
    press->accept();
    if (command->isEnabled() && (command->autoRepeat() || !press->isAutoRepeat()))
        command->trigger();
    return true;
}

QAction* Commands::commandFor(const QKeyEvent& press) const {
    const Qt::KeyboardModifiers modifiers = press.modifiers() & ~Qt::KeypadModifier;
    const auto key = Qt::Key(press.key());
    const QKeyCombination asTyped(modifiers, key);
    const QKeyCombination unshifted(modifiers & ~Qt::ShiftModifier, key);
    for (QAction* command : m_keyed) {
        for (const QKeySequence& shortcut : command->shortcuts()) {
            if (shortcut.count() == 1 && (shortcut[0] == asTyped || shortcut[0] == unshifted))
                return command;
        }
    }
    return nullptr;
}

} // namespace wimbly
