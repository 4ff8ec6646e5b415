#pragma once

// Start-up probe shared by the program and the bare window that the start-up benchmark
// compares: prints the moment the window's first paint is complete, its resident memory, CPU
// time and threads then. With a negative idle time it quits there; otherwise it prints the
// memory and threads again once what the program does after its first paint has settled (two
// seconds later), then idles and prints the CPU time it used meanwhile.

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

namespace wimbly::bench {

inline qint64 monotonicMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Usage {
    long maxRssKb;
    double cpuMs;
};

inline Usage usage() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double cpu = double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
                       double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    return {u.ru_maxrss, cpu};
}

inline long threads() {
    return long(QDir(QStringLiteral("/proc/self/task"))
                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                    .size());
}

class FirstPaint : public QObject {
public:
    explicit FirstPaint(int idleSeconds) : m_idleSeconds(idleSeconds) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint || m_seen)
            return false;
        m_seen = true;
        // The window paints itself first, then its children, then flushes: the moment after
        // that whole pass is the one a person sees.
        QTimer::singleShot(0, [this] {
            std::printf("painted %lld\n", static_cast<long long>(monotonicMicroseconds()));
            std::printf("rss %ld\n", usage().maxRssKb);
            std::printf("threads %ld\n", threads());
            std::printf("cpu %.1f\n", usage().cpuMs);
            std::fflush(stdout);
            if (m_idleSeconds < 0) {
                QCoreApplication::quit();
                return;
            }
            QTimer::singleShot(SettleMs, [this] {
                const Usage settled = usage();
                std::printf("settled-rss %ld\n", settled.maxRssKb);
                std::printf("settled-threads %ld\n", threads());
                QTimer::singleShot(m_idleSeconds * 1000, [settled] {
                    std::printf("idle-cpu %.1f\n", usage().cpuMs - settled.cpuMs);
                    std::fflush(stdout);
                    QCoreApplication::quit();
                });
            });
        });
        return false;
    }

private:
    static constexpr int SettleMs = 2000;
    int m_idleSeconds;
    bool m_seen = false;
};

} // namespace wimbly::bench
