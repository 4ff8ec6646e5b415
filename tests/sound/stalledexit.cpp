// A program that plays a cue, destroys its cue player and exits: tst_cuesound runs it while the
// sound server is stopped to check that the program still exits promptly and with status 0.
#include "cueplayer.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto player = std::make_unique<wimbly::CuePlayer>();
    player->PlayCue(101);
    QTimer::singleShot(200, &app, [&] {
        player.reset();
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
