// A program that plays cues, destroys its cue player and exits: tst_cuesound runs it while the
// sound server is stopped to check that the program still exits promptly and with status 0, and
// tst_cueplayer runs a copy of it away from the sound library, which must leave it silent.
#include "cueplayer.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto player = std::make_unique<wimbly::CuePlayer>();
    for (int id = 101; id <= 105; ++id)
        QTimer::singleShot(20 * (id - 101), &app, [&player, id] { player->play(id); });
    QTimer::singleShot(200, &app, [&] {
        player.reset();
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
