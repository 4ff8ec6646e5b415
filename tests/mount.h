#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <unistd.h>

namespace wimbly::test {

// Runs `program` and waits for it; whether it ended by itself with status 0.
inline bool runProgram(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A mount made by a test running as root, undone when the test ends: the way to a folder that
// even root cannot write, or a disk that fills up. Each call says whether it could be made.
class Mount {
public:
    Mount() = default;
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    ~Mount() {
        if (!m_point.isEmpty())
            runProgram(QStringLiteral("umount"), {QStringLiteral("-l"), m_point});
    }

    // A small disk of `size` (as mount's size= takes it) at `point`.
    bool tmpfs(const QString& point, const QString& size) {
        if (geteuid() != 0 ||
            !runProgram(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                         QStringLiteral("mode=0700,size=") + size, QStringLiteral("tmpfs"), point}))
            return false;
        m_point = point;
        return true;
    }
    // The folder `point`, read-only.
    bool readOnly(const QString& point) {
        if (geteuid() != 0 ||
            !runProgram(QStringLiteral("mount"), {QStringLiteral("--bind"), point, point}))
            return false;
        m_point = point;
        return runProgram(QStringLiteral("mount"),
                          {QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), point});
    }

private:
    QString m_point;
};

} // namespace wimbly::test
