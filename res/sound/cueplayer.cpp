#include "cueplayer.h"

#include "catalogue.h"
#include "wave.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace wimbly {

Q_LOGGING_CATEGORY(lcSound, "wimbly.sound", QtCriticalMsg)

namespace {

// How long the destructor waits for the audio thread before leaving it behind.
constexpr unsigned long ShutdownWaitMs = 500;
constexpr int NoCue = INT_MIN;
// Asked for like a cue, so that it takes the place of the cues asked for before it, and a cue
// asked for after it takes its place.
constexpr int Silence = INT_MIN + 1;

std::optional<CueFormat> cueFormat(const sound::WaveInfo& info) {
    CueFormat format;
    format.sampleRate = info.sampleRate;
    format.channels = info.channels;
    if (info.encoding == sound::WaveInfo::Encoding::Float)
        format.sample = CueFormat::Sample::Float;
    else if (info.bitsPerSample == 8)
        format.sample = CueFormat::Sample::UInt8;
    else if (info.bitsPerSample == 16)
        format.sample = CueFormat::Sample::Int16;
    else
        format.sample = CueFormat::Sample::Int32;
    if (format.sampleRate <= 0 || format.channels <= 0)
        return std::nullopt;
    return format;
}

// Audio threads that a sound server held when their player was destroyed (main thread only).
QList<QPointer<QThread>>& strandedThreads() {
    static QList<QPointer<QThread>> threads;
    return threads;
}

// Runs when the application object is destroyed, before the sound library is torn down. A thread
// still stuck inside that library would make its teardown hang or abort, so the process ends
// here instead, having finished everything else that an exit does before this point.
void endIfStillStranded() {
    for (const QPointer<QThread>& thread : std::as_const(strandedThreads())) {
        if (thread && !thread->wait(ShutdownWaitMs)) {
            qCWarning(lcSound, "the sound server does not answer; ending without its cleanup");
            std::fflush(nullptr);
            std::_Exit(EXIT_SUCCESS);
        }
    }
}

#ifdef Q_OS_UNIX
// Whether the file at `path` can be trusted to be the program's own library: it and every folder
// above it belong to the player or the administrator, and none of them can be written by every
// user (a folder anyone may write counts only with its sticky bit, in which nobody can remove or
// rename another's entries). A group that may write them is trusted as much as the program's own
// folder, which such a group could change just as well. A copy of the program in a shared folder
// would otherwise load a library another user put beside it.
bool ownedSafely(const QString& path) {
    QByteArray current = QFile::encodeName(path);
    const uid_t me = ::geteuid();
    for (;;) {
        struct stat st {};
        if (::stat(current.constData(), &st) != 0 || (st.st_uid != me && st.st_uid != 0))
            return false;
        if ((st.st_mode & S_IWOTH) && !(S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)))
            return false;
        if (current == "/")
            return true;
        const qsizetype slash = current.lastIndexOf('/');
        current = slash > 0 ? current.left(slash) : QByteArray("/");
    }
}
#else
bool ownedSafely(const QString&) {
    return true;
}
#endif

// The output on the system's audio device, from the sound library that the program loads at run
// time. It lies at a fixed path relative to the program's folder, installed and in the build
// tree alike; test programs deeper in the build tree name it in WIMBLY_SOUND_LIBRARY. Without
// the library, or with one that others could have put there, the cues are silent.
std::unique_ptr<CueOutput> loadDeviceOutput() {
    using NewOutput = CueOutput* (*)();
    QString path = qEnvironmentVariable("WIMBLY_SOUND_LIBRARY");
    if (path.isEmpty())
        path = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
               QStringLiteral(WIMBLY_SOUND_LIBRARY);
    // The very file that was checked is loaded, whatever links led to it.
    const QString file = QFileInfo(path).canonicalFilePath();
    if (file.isEmpty() || !ownedSafely(file)) {
        qCWarning(lcSound,
                  "the sound library %s is missing or not safely installed; sound cues "
                  "stay silent",
                  qUtf8Printable(path));
        return nullptr;
    }
    // The library stays loaded for the life of the process: the threads of the audio system it
    // starts end only with it.
    QLibrary library(file);
    if (const auto create =
            reinterpret_cast<NewOutput>(library.resolve("wimbly_new_device_output")))
        return std::unique_ptr<CueOutput>(create());
    qCWarning(lcSound, "the sound library %s cannot be loaded; sound cues stay silent",
              qUtf8Printable(file));
    return nullptr;
}

} // namespace

// State shared by the caller's thread and the audio thread. The caller only stores the newest
// cue id and, if no request is on its way, posts one; everything else runs on the audio thread.
struct CuePlayer::Shared {
    explicit Shared(std::unique_ptr<CueOutput> out) : output(std::move(out)), loadDevice(!output) {}

    // Runs on the audio thread, first.
    void prepare() {
        if (loadDevice)
            output = loadDeviceOutput();
        if (output)
            output->prepare();
    }

    // Runs on the audio thread.
    void playNewest() {
        requestPosted.store(false);
        const int id = newest.exchange(NoCue);
        if (id == NoCue || !output)
            return;
        if (id == Silence) {
            if (std::exchange(started, false))
                output->stop();
            return;
        }
        QFile file(res::cueResource(id));
        if (!file.open(QIODevice::ReadOnly))
            return;
        QByteArray wave = file.readAll();
        const auto info = sound::parseWave(wave);
        if (!info)
            return;
        const auto format = cueFormat(*info);
        if (!format)
            return;
        if (std::exchange(started, true))
            output->stop();
        // The previous cue's bytes are released only now, after its output has stopped.
        latestWave = std::move(wave);
        output->start(CueSamples{id, *format, latestWave.sliced(info->dataOffset, info->dataSize)});
    }

    // Runs on the audio thread.
    void shutDown() {
        if (output && started)
            output->stop();
        output.reset();
        QThread::currentThread()->quit();
    }

    std::atomic<int> newest{NoCue};
    std::atomic<bool> requestPosted{false};
    std::unique_ptr<CueOutput> output;
    const bool loadDevice; // the output is the device's, loaded by prepare()
    QByteArray latestWave; // the WAVE image of the latest cue
    bool started = false;
};

CuePlayer::CuePlayer() : CuePlayer(nullptr) {}

CuePlayer::CuePlayer(std::unique_ptr<CueOutput> output)
    : m_shared(std::make_shared<Shared>(std::move(output))) {}

void CuePlayer::prepare() {
    if (m_thread)
        return;
    m_thread = new QThread;
    m_worker = new QObject;
    m_thread->setObjectName(QStringLiteral("wimbly-audio"));
    m_worker->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    QMetaObject::invokeMethod(
        m_worker, [shared = m_shared] { shared->prepare(); }, Qt::QueuedConnection);
    m_thread->start();
}

CuePlayer::~CuePlayer() {
    if (!m_thread)
        return;
    QMetaObject::invokeMethod(
        m_worker, [shared = m_shared] { shared->shutDown(); }, Qt::QueuedConnection);
    if (m_thread->wait(ShutdownWaitMs)) {
        delete m_thread;
        return;
    }
    // The sound server holds the audio thread. It keeps the shared state alive through its
    // pending request and frees its worker when it ends; its QThread object follows.
    qCWarning(lcSound, "the audio thread did not stop in time; leaving it behind");
    QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    if (m_thread->isFinished()) // it ended before the connection above was made
        m_thread->deleteLater();
    static const bool exitHookAdded = (qAddPostRoutine(endIfStillStranded), true);
    Q_UNUSED(exitHookAdded);
    strandedThreads().removeAll(nullptr);
    strandedThreads().append(m_thread);
}

void CuePlayer::stop() {
    // Nothing can sound before the audio thread exists.
    if (m_thread)
        request(Silence);
}

void CuePlayer::play(int id) {
    prepare();
    request(id);
}

void CuePlayer::request(int id) {
    m_shared->newest.store(id);
    if (!m_shared->requestPosted.exchange(true))
        QMetaObject::invokeMethod(
            m_worker, [shared = m_shared] { shared->playNewest(); }, Qt::QueuedConnection);
}

} // namespace wimbly
