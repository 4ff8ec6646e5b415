#pragma once

#include "holdgate.h"
#include "settings.h"

#include <QMenu>
#include <QObject>
#include <QPointer>

namespace wimbly {

class MainWindow;

// The grown-ups' controls of the main window, out of a child's way: a right-click on the navy
// side panel, a finger or the left mouse button held there for two seconds, or the keyboard's
// menu key, opens a menu of the window's commands with their keys: the zoom, full screen, sound
// and language, and one-switch scanning. What is chosen there or with the keys is remembered in
// the store, each preference as it changes.
class ParentsMenu : public QObject {
    Q_OBJECT
public:
    // `store` may be null: then nothing is remembered. Both must outlive this object.
    ParentsMenu(MainWindow& window, SettingsStore* store);
    ~ParentsMenu() override;

    // Puts `preferences` into effect without remembering them: the start-up's values. Locked,
    // the menu does not open and the keys that change settings do nothing; in kiosk mode the
    // game is in full screen and the menu ends with Quit.
    void apply(const Preferences& preferences);

    void setLanguage(Language language);

    // Opens the menu at `globalPos` without waiting for a choice; returns it, or null when the
    // settings are locked.
    QMenu* popup(const QPoint& globalPos);
    // The menu while it is open.
    QMenu* menu() const { return m_menu; }
    // The hold on the side panel that opens the menu by touch.
    HoldGate& holdGate() { return m_holdGate; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onSidePanel(QPoint pos) const;
    // The preferences in effect now.
    Preferences current() const;
    // Saves each preference that changed since it was last applied or saved.
    void remember();
    void setScanInterval(int ms);

    MainWindow& m_window;
    SettingsStore* m_store;
    QPointer<QMenu> m_menu;
    HoldGate m_holdGate;
    // The preferences as last applied or saved, to remember only what a change touched.
    Preferences m_applied;
    bool m_locked = false;
};

} // namespace wimbly
