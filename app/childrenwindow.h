#pragma once

#include "secondarywindow.h"
#include "settings.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace wimbly {

// The grown-ups' window for the children: adds, renames and removes them, gives each an animal
// as their picture, and sets each one's play settings, as well as those used when no child is
// chosen. Every change is written to the store at once. It is not modal; it disables the main
// window while it is open and is deleted when it closes.
//
// Its controls carry object names: "childList" (row 0 is the entry for no child, then the
// children in the store's order), "addButton", "removeButton", "nameBox", "nameNote",
// "picture", "animal_<i>" (i = 0..35) and, for each child's setting of the Settings table, the
// setting's key ("play/lives", ...) on its spin box or check box.
class ChildrenWindow : public SecondaryWindow {
    Q_OBJECT
public:
    // Creates the window over `mainWindow` (which may be null), with the entry of `current`
    // selected (the one for no child when `current` is empty or not a child), disables
    // `mainWindow` and shows the window. `store` must outlive the window.
    static ChildrenWindow* open(SettingsStore& store, const QString& current, QWidget* mainWindow);

    // The selected entry's name, empty for the entry for no child.
    const QString& selectedName() const { return m_current; }

    // At most this many children can be added: one for each animal, and as many as the
    // children's picker can show.
    static constexpr int MaxChildren = 36;

signals:
    // A child was added, renamed or removed, or took another animal.
    void childrenChanged();
    void childRenamed(const QString& from, const QString& to);
    void childRemoved(const QString& name);

protected:
    // Keeps a name or a number still being typed when the window closes.
    void closeEvent(QCloseEvent* event) override;

private:
    // One control for one child's setting.
    struct SettingControl {
        const Setting* setting;
        QWidget* widget;
    };

    ChildrenWindow(SettingsStore& store, QWidget* mainWindow);
    void buildSettingControls();
    // Refills the list from the store and selects the entry of `name`.
    void reload(const QString& name);
    // Shows the entry of the list's current row in the controls.
    void showSelected();
    void addChild();
    void removeClicked();
    void disarmRemove();
    void commitName();
    void chooseAnimal(int animal);
    // Checks the button of `animal` and rings it.
    void markAnimal(int animal);
    void saveSetting(const SettingControl& control);
    // Writes what is still being typed in the name box and the number boxes.
    void commitTyping();

    SettingsStore& m_store;
    std::vector<Child> m_children;
    QString m_current;
    // While the controls are being filled, their signals change nothing.
    bool m_filling = false;

    QListWidget m_list{this};
    QPushButton m_addButton{this};
    QPushButton m_removeButton{this};
    // Removing asks once more: a first click arms the button for a few seconds.
    QTimer m_removeTimer;
    bool m_removeArmed = false;

    QLabel m_noChildNote{this};
    QLabel m_picture{this};
    QLabel m_nameCaption{this};
    QLineEdit m_nameBox{this};
    QLabel m_nameNote{this};
    QLabel m_animalCaption{this};
    QButtonGroup m_animals{this};
    QWidget* m_animalRing = nullptr;
    QLabel m_playCaption{this};
    std::vector<SettingControl> m_settingControls;
};

} // namespace wimbly
