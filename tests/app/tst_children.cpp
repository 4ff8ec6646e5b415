#include "childpicker.h"
#include "childrenwindow.h"
#include "settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using wimbly::Child;
using wimbly::ChildPicker;
using wimbly::ChildrenWindow;
using wimbly::Preferences;
using wimbly::SettingsStore;
using wimbly::ViewScale;

namespace {

template <typename T> T* control(QWidget& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (!found)
        qWarning("no control %s", qPrintable(name));
    return found;
}

// Selects the list's entry for `name` ("" for no child).
bool selectEntry(QWidget& window, const QString& name) {
    auto* list = control<QListWidget>(window, QStringLiteral("childList"));
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->data(Qt::UserRole).toString() == name) {
            list->setCurrentRow(row);
            return true;
        }
    }
    return false;
}

// Types `text` over the name box's contents and ends the editing with Return.
void typeName(QWidget& window, const QString& text) {
    auto* box = control<QLineEdit>(window, QStringLiteral("nameBox"));
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

std::vector<Child> names(const QStringList& list) {
    std::vector<Child> children;
    for (int i = 0; i < list.size(); ++i)
        children.push_back({list[i], i});
    return children;
}

} // namespace

class TestChildren : public QObject {
    Q_OBJECT
private slots:
    // The window's tests start from this store; the picker's need none.
    void init() {
        if (QByteArray(QTest::currentTestFunction()).startsWith("pick"))
            return;
        QVERIFY(m_dir.isValid());
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("w.ini")));
        // Ben exists with 2 lives; the settings for no child have a pace of 900 ms.
        QVERIFY(m_store->addChild({QStringLiteral("Ben"), 0}));
        Preferences ben;
        ben.lives = 2;
        m_store->save(wimbly::settingOf(&Preferences::lives), ben, QStringLiteral("Ben"));
        Preferences none;
        none.pace = 900;
        m_store->save(wimbly::settingOf(&Preferences::pace), none);
    }
    void cleanup() {
        m_store.reset();
        QFile::remove(m_dir.filePath(QStringLiteral("w.ini")));
    }

    // A change of one entry's setting is written for that entry alone.
    void settingsOfOneEntry_data() {
        QTest::addColumn<QString>("entry"); // "+": a child added in the window
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        QTest::newRow("added child's lives") << "+"
                                             << "play/lives" << 5;
        QTest::newRow("added child's pace") << "+"
                                            << "play/pace" << 1500;
        QTest::newRow("no child's lives") << ""
                                          << "play/lives" << 5;
        QTest::newRow("Ben's practice") << "Ben"
                                        << "play/practice" << 1;
        QTest::newRow("no child's resume") << ""
                                           << "play/resumeLength" << 1;
    }
    void settingsOfOneEntry() {
        QFETCH(QString, entry);
        QFETCH(QString, key);
        QFETCH(int, value);
        ChildrenWindow* window = ChildrenWindow::open(*m_store, QString(), nullptr);
        QSignalSpy changed(window, &ChildrenWindow::childrenChanged);
        const Preferences benBefore = m_store->load(QStringLiteral("Ben"));
        const Preferences noneBefore = m_store->load();

        if (entry == QLatin1String("+")) {
            QTest::mouseClick(control<QPushButton>(*window, QStringLiteral("addButton")),
                              Qt::LeftButton);
            auto* box = control<QLineEdit>(*window, QStringLiteral("nameBox"));
            QCOMPARE(box->text(), QStringLiteral("孩子 1"));
            QCOMPARE(window->focusWidget(), box);
            QCOMPARE(box->selectedText(), QStringLiteral("孩子 1"));
            typeName(*window, QStringLiteral("Mia"));
            entry = QStringLiteral("Mia");
            // The first animal no other child has: Ben has the frog.
            QCOMPARE(m_store->children(),
                     (std::vector<Child>{{QStringLiteral("Ben"), 0}, {QStringLiteral("Mia"), 1}}));
            QCOMPARE(changed.count(), 2); // added, renamed
        } else {
            QVERIFY(selectEntry(*window, entry));
        }

        Preferences expected = m_store->load(entry);
        QCOMPARE(expected, entry == QLatin1String("Ben") ? benBefore : m_store->load(entry));
        QWidget* widget = control<QWidget>(*window, key);
        QVERIFY(widget);
        if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
            spin->setValue(value);
        } else {
            auto* check = qobject_cast<QCheckBox*>(widget);
            QVERIFY(check);
            check->setChecked(value != 0);
        }
        if (key == QLatin1String("play/lives"))
            expected.lives = value;
        else if (key == QLatin1String("play/pace"))
            expected.pace = value;
        else if (key == QLatin1String("play/practice"))
            expected.practice = value != 0;
        else if (key == QLatin1String("play/resumeLength"))
            expected.resumeLength = value != 0;
        window->close();

        // What the window wrote is read back by a new store, as at the next start.
        SettingsStore reread(m_dir.filePath(QStringLiteral("w.ini")));
        QCOMPARE(reread.load(entry), expected);
        if (entry != QLatin1String("Ben"))
            QCOMPARE(reread.load(QStringLiteral("Ben")), benBefore);
        if (!entry.isEmpty())
            QCOMPARE(reread.load(), noneBefore);
    }

    // A name is taken only when it can name a child and no other child has it.
    void rename_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // empty: refused
        QTest::newRow("new name") << "Zoe"
                                  << "Zoe";
        QTest::newRow("spaces around") << "  Zoe "
                                       << "Zoe";
        QTest::newRow("another child's") << "Ben"
                                         << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("only spaces") << "   "
                                     << "";
        QTest::newRow("same") << "Mia"
                              << "";
    }
    void rename() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QVERIFY(m_store->addChild({QStringLiteral("Mia"), 3}));
        Preferences mia;
        mia.lives = 7;
        m_store->save(wimbly::settingOf(&Preferences::lives), mia, QStringLiteral("Mia"));
        const std::vector<Child> before = m_store->children();
        ChildrenWindow* window = ChildrenWindow::open(*m_store, QStringLiteral("Mia"), nullptr);
        QSignalSpy renamed(window, &ChildrenWindow::childRenamed);
        auto* list = control<QListWidget>(*window, QStringLiteral("childList"));
        QCOMPARE(list->currentItem()->text(), QStringLiteral("Mia"));

        typeName(*window, typed);
        auto* box = control<QLineEdit>(*window, QStringLiteral("nameBox"));
        auto* note = control<QLabel>(*window, QStringLiteral("nameNote"));
        if (stored.isEmpty()) {
            QCOMPARE(m_store->children(), before);
            QCOMPARE(box->text(), QStringLiteral("Mia"));
            QCOMPARE(renamed.count(), 0);
            QCOMPARE(note->text().isEmpty(), typed == QLatin1String("Mia"));
        } else {
            QCOMPARE(m_store->children(),
                     (std::vector<Child>{{QStringLiteral("Ben"), 0}, {stored, 3}}));
            QCOMPARE(renamed.count(), 1);
            QCOMPARE(renamed.at(0), (QVariantList{QStringLiteral("Mia"), stored}));
            QCOMPARE(list->currentItem()->text(), stored);
            QCOMPARE(m_store->load(stored).lives, 7);
            QVERIFY(note->text().isEmpty());
        }
        delete window;
    }

    // Removing takes a second click on the same child; the other children keep their settings.
    void remove_data() {
        QTest::addColumn<QString>("child");
        QTest::addColumn<QString>("between"); // selected between the clicks, then back
        QTest::addColumn<bool>("removed");
        QTest::newRow("twice") << "Ben"
                               << "" << true;
        QTest::newRow("last child twice") << "Mia"
                                          << "" << true;
        QTest::newRow("another selected between") << "Ben"
                                                  << "Mia" << false;
    }
    void remove() {
        QFETCH(QString, child);
        QFETCH(QString, between);
        QFETCH(bool, removed);
        QVERIFY(m_store->addChild({QStringLiteral("Mia"), 3}));
        Preferences mia;
        mia.lives = 7;
        m_store->save(wimbly::settingOf(&Preferences::lives), mia, QStringLiteral("Mia"));
        ChildrenWindow* window = ChildrenWindow::open(*m_store, child, nullptr);
        QSignalSpy removedSpy(window, &ChildrenWindow::childRemoved);
        auto* button = control<QPushButton>(*window, QStringLiteral("removeButton"));

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m_store->children().size(), 2u);
        QCOMPARE(button->text(), QStringLiteral("确定删除？"));
        if (!between.isEmpty()) {
            QVERIFY(selectEntry(*window, between));
            QVERIFY(selectEntry(*window, child));
            QCOMPARE(button->text(), QStringLiteral("删除"));
        }
        QTest::mouseClick(button, Qt::LeftButton);

        const QString other = child == QLatin1String("Ben") ? QStringLiteral("Mia") : "Ben";
        if (removed) {
            QCOMPARE(m_store->children().size(), 1u);
            QCOMPARE(m_store->children().front().name, other);
            QCOMPARE(removedSpy.count(), 1);
            QCOMPARE(removedSpy.at(0).at(0).toString(), child);
            QCOMPARE(control<QListWidget>(*window, QStringLiteral("childList"))->count(), 2);
            QCOMPARE(button->text(), QStringLiteral("删除"));
        } else {
            QCOMPARE(m_store->children().size(), 2u);
            QCOMPARE(removedSpy.count(), 0);
        }
        QCOMPARE(m_store->load(QStringLiteral("Mia")).lives, other == "Mia" || !removed ? 7 : 3);
        QCOMPARE(m_store->load(QStringLiteral("Ben")).lives, other == "Ben" || !removed ? 2 : 3);

        // The entry for no child can be neither renamed nor removed.
        QVERIFY(selectEntry(*window, QString()));
        QVERIFY(!button->isEnabled());
        QVERIFY(!control<QLineEdit>(*window, QStringLiteral("nameBox"))->isVisible());
        delete window;
    }

    // The animals fit the board area, at twice their size when few, without overlapping.
    void pickerLayout_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("large");
        for (int count : {1, 3, 6, 12, 20, 36})
            QTest::addRow("%d children", count) << count << (count <= 6);
    }
    void pickerLayout() {
        QFETCH(int, count);
        QFETCH(bool, large);
        ChildPicker picker(nullptr);
        std::vector<Child> children;
        for (int i = 0; i < count; ++i)
            children.push_back({QStringLiteral("Child %1").arg(i), i % 36});
        picker.setChildren(children);
        const QRectF area(0, 0, 371, 264);
        for (int i = 0; i < count; ++i) {
            const QRectF animal = picker.animalRect(i);
            QVERIFY2(area.contains(animal), qPrintable(QString::number(i)));
            QCOMPARE(animal.size(), picker.animalRect(0).size());
            // A dozen children are never smaller than on the board.
            if (count <= 12)
                QVERIFY(animal.width() >= 36 && animal.height() >= 46);
            for (int j = 0; j < i; ++j)
                QVERIFY(!animal.intersects(picker.animalRect(j)));
        }
        if (large)
            QCOMPARE(picker.animalRect(0).size(), QSizeF(72, 92));
    }

    // A click on an animal or the keys choose a child, at any zoom.
    void pick_data() {
        QTest::addColumn<qreal>("zoom");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("how"); // "click <i>", "name <i>" or moves: "r", "d", "l"
        QTest::addColumn<QString>("chosen");
        QTest::newRow("click second") << 1.0 << 3 << "click 1"
                                      << "B";
        QTest::newRow("click second at 200 %") << 2.0 << 3 << "click 1"
                                               << "B";
        QTest::newRow("click name at 200 %") << 2.0 << 3 << "name 2"
                                             << "C";
        QTest::newRow("click at 150 %") << 1.5 << 12 << "click 11"
                                        << "L";
        QTest::newRow("no move") << 1.0 << 3 << ""
                                 << "A";
        QTest::newRow("right") << 1.0 << 3 << "r"
                               << "B";
        QTest::newRow("right past the last") << 1.0 << 3 << "rrrr"
                                             << "C";
        QTest::newRow("left past the first") << 1.0 << 3 << "l"
                                             << "A";
        QTest::newRow("down a row") << 1.0 << 12 << "d"
                                    << "G";
        QTest::newRow("down past the last row") << 2.0 << 12 << "rdd"
                                                << "H";
    }
    void pick() {
        QFETCH(qreal, zoom);
        QFETCH(int, count);
        QFETCH(QString, how);
        QFETCH(QString, chosen);
        QWidget window;
        window.resize(1200, 1000);
        ChildPicker picker(&window);
        const QStringList letters = QStringLiteral("A B C D E F G H I J K L").split(' ');
        picker.setChildren(names(letters.mid(0, count)));
        picker.setView(ViewScale(zoom));
        // The board area, 40, 185, 371 x 264 at 100 %.
        QCOMPARE(picker.geometry(), QRect(qRound(40 * zoom), qRound(185 * zoom),
                                          qRound(411 * zoom) - qRound(40 * zoom),
                                          qRound(449 * zoom) - qRound(185 * zoom)));
        window.show();
        QSignalSpy spy(&picker, &ChildPicker::chosen);

        if (how.startsWith(QLatin1String("click")) || how.startsWith(QLatin1String("name"))) {
            const int i = how.section(' ', 1).toInt();
            const QRectF animal = picker.animalRect(i);
            // The middle of the animal, or just under it on the name.
            const QPointF design = how.startsWith(QLatin1String("click"))
                                       ? animal.center()
                                       : QPointF(animal.center().x(), animal.bottom() + 8);
            QTest::mouseClick(&picker, Qt::LeftButton, {}, (design * zoom).toPoint());
        } else {
            for (const QChar key : how)
                picker.moveRing(key == 'r' ? 1 : key == 'l' ? -1 : 0, key == 'd' ? 1 : 0);
            picker.select();
        }
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), chosen);
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
};

QTEST_MAIN(TestChildren)
#include "tst_children.moc"
