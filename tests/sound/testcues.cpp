// Writes the cues that the cue player tests embed where the player looks for them: the synthesized
// cues 101..105 and, as 199, a WAVE image cut off inside its header, each under the name
// res::cueFile gives it.
#include "catalogue.h"
#include "synth.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    auto write = [&dir](int id, const QByteArray& bytes) {
        QFile file(dir.filePath(wimbly::res::cueFile(id)));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) &&
               file.write(bytes) == bytes.size();
    };
    for (int id = 101; id <= 105; ++id)
        if (!write(id, wimbly::sound::synthesizeCue(id)))
            return 1;
    return write(199, wimbly::sound::synthesizeCue(101).left(30)) ? 0 : 1;
}
