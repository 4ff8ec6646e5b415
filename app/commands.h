#pragma once

#include "settings.h"

#include <QAction>
#include <QActionGroup>
#include <QObject>

#include <vector>

class QKeyEvent;

namespace wimbly {

// The main window's commands, each one QAction with its shortcuts, and the one place that turns
// the window's key presses into them. Whoever carries a command out connects to its action's
// triggered signal; the buttons and the grown-ups' menu trigger the same actions.
//
// A key press reaches a command when its key and modifiers are one of the command's shortcuts.
// The keypad counts as the main keys, and Shift may come with any key: the plus of Ctrl+Plus is
// Shift+= on many layouts. While the window is disabled, or for a key no command has, the press
// goes on to the window. A held key repeats only the commands that repeat: the arrows and the
// zoom steps, never a press, a start or a switch.
class Commands : public QObject {
    Q_OBJECT
public:
    // Takes the key presses of `window`, which must outlive the commands.
    explicit Commands(QWidget& window);
    ~Commands() override;

    QAction start;
    QAction help;
    QAction zoomIn;
    QAction zoomOut;
    QAction resetZoom;
    QAction fullScreen; // checkable
    QAction sound;      // checkable
    // Saying the animals' names, checkable; its text notes when speech is not available.
    QAction speak;
    // The languages of the texts, one of them checked; each carries its Language as data.
    QAction chinese;
    QAction english;
    // Keyboard play: move the ring over the board, and press the ringed cell (or start a game).
    QAction left;
    QAction right;
    QAction up;
    QAction down;
    QAction select;
    // The grown-ups' windows: the children with their settings, and their progress. Hidden until
    // something carries them out.
    QAction children;
    QAction progress;
    // Ends the program, where closing the window does not (kiosk); hidden elsewhere.
    QAction quit;
    // One-switch scanning: off, or the ring moving slowly, at a middle speed or fast; one of
    // them checked, each carrying its milliseconds as data. `scanOther` stands for a time set
    // otherwise (the command line, a settings file) and is shown only while that is in effect.
    QAction scanOff;
    QAction scanSlow;
    QAction scanMedium;
    QAction scanFast;
    QAction scanOther;

    // The language action for `language`.
    QAction& languageAction(Language language);
    // Gives the actions their texts in the language now in effect.
    void retranslate();
    // Ticks the scanning choice for `ms` milliseconds a step (0: off).
    void showScanInterval(int ms);
    // Whether names can be said; when not, the speak action's text says so.
    void setSpeechAvailable(bool available);
    // Locked, the commands that change a setting (zoom, full screen, sound, names, language,
    // scanning) do nothing, by key or otherwise; the game's own commands work as always.
    void setLocked(bool locked);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The command one of whose shortcuts the press is, or nullptr.
    QAction* commandFor(const QKeyEvent& press) const;

    QWidget& m_window;
    QActionGroup m_languages{this};
    QActionGroup m_scanSpeeds{this};
    bool m_speechAvailable = true;
    // Every command that has keys, in the order they are looked up.
    std::vector<QAction*> m_keyed;
};

} // namespace wimbly
