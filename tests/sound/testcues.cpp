// Writes the cues that the cue player tests embed as ":/wav/<id>.wav": the synthesized cues
// 101..105 and, as 199, a WAVE image cut off inside its header.
#include "synth.h"

#include <QDir>
#include <QFile>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    auto write = [&dir](int id, const QByteArray& bytes) {
        QFile file(QStringLiteral("%1/%2.wav").arg(dir).arg(id));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    for (int id = 101; id <= 105; ++id)
        if (!write(id, wimbly::sound::synthesizeCue(id)))
            return 1;
    return write(199, wimbly::sound::synthesizeCue(101).left(30)) ? 0 : 1;
}
