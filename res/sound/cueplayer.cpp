#include "cueplayer.h"

#include "wave.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace wimbly {

Q_LOGGING_CATEGORY(lcSound, "wimbly.sound", QtCriticalMsg)

namespace {

// How long the destructor waits for the audio thread before leaving it behind.
constexpr unsigned long ShutdownWaitMs = 500;
// Silence played after every cue, so that the last real samples leave the device's buffer
// before the stream can run dry; a 50 ms cue would otherwise lose part of its sound.
constexpr qint64 TailPaddingUs = 200'000;
constexpr int NoCue = INT_MIN;

std::optional<QAudioFormat> audioFormat(const sound::WaveInfo& info) {
    QAudioFormat format;
    format.setSampleRate(info.sampleRate);
    format.setChannelCount(info.channels);
    if (info.encoding == sound::WaveInfo::Encoding::Float)
        format.setSampleFormat(QAudioFormat::Float);
    else if (info.bitsPerSample == 8)
        format.setSampleFormat(QAudioFormat::UInt8);
    else if (info.bitsPerSample == 16)
        format.setSampleFormat(QAudioFormat::Int16);
    else
        format.setSampleFormat(QAudioFormat::Int32);
    if (!format.isValid())
        return std::nullopt;
    return format;
}

// Plays through a QAudioSink on the default output device. The sink of a cue stays open after
// the cue has ended and is closed only when the next cue starts: closing an idle stream early
// can cut the end of the sound still in the device's buffer.
class AudioSinkOutput final : public CueOutput {
public:
    ~AudioSinkOutput() override { stop(); }

    void start(const Cue& cue) override {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            warnOnce("no audio output device; sound cues stay silent");
            return;
        }
        QByteArray samples = cue.pcm;
        const char silence = cue.format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : 0;
        samples.append(cue.format.bytesForDuration(TailPaddingUs), silence);

        m_buffer = std::make_unique<QBuffer>();
        m_buffer->setData(samples);
        m_buffer->open(QIODevice::ReadOnly);
        m_sink = std::make_unique<QAudioSink>(device, cue.format);
        m_sink->start(m_buffer.get());
        if (m_sink->error() != QAudio::NoError)
            warnOnce("the audio output refused a sound cue");
    }

    void stop() override {
        if (m_sink)
            m_sink->stop();
        m_sink.reset();
        m_buffer.reset();
    }

private:
    void warnOnce(const char* message) {
        if (!std::exchange(m_warned, true))
            qCWarning(lcSound, "%s", message);
    }

    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QAudioSink> m_sink; // declared last: stopped and freed before its buffer
    bool m_warned = false;
};

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

} // namespace

// State shared by the caller's thread and the audio thread. The caller only stores the newest
// cue id and, if no request is on its way, posts one; everything else runs on the audio thread.
struct CuePlayer::Shared {
    explicit Shared(std::unique_ptr<CueOutput> out) : output(std::move(out)) {}

    // Runs on the audio thread.
    void playNewest() {
        requestPosted.store(false);
        const int id = newest.exchange(NoCue);
        if (id == NoCue || !output)
            return;
        QFile file(QStringLiteral(":/wav/%1.wav").arg(id));
        if (!file.open(QIODevice::ReadOnly))
            return;
        QByteArray wave = file.readAll();
        const auto info = sound::parseWave(wave);
        if (!info)
            return;
        const auto format = audioFormat(*info);
        if (!format)
            return;
        if (std::exchange(started, true))
            output->stop();
        // The previous cue's bytes are released only now, after its output has stopped.
        wavbuf = std::move(wave);
        output->start(Cue{id, *format, wavbuf.sliced(info->dataOffset, info->dataSize)});
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
    QByteArray wavbuf; // the WAVE image of the latest cue
    bool started = false;
};

CuePlayer::CuePlayer() : CuePlayer(std::make_unique<AudioSinkOutput>()) {}

CuePlayer::CuePlayer(std::unique_ptr<CueOutput> output)
    : m_shared(std::make_shared<Shared>(std::move(output))), m_thread(new QThread),
      m_worker(new QObject) {
    m_thread->setObjectName(QStringLiteral("wimbly-audio"));
    m_worker->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

CuePlayer::~CuePlayer() {
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

void CuePlayer::PlayCue(int id) {
    m_shared->newest.store(id);
    if (!m_shared->requestPosted.exchange(true))
        QMetaObject::invokeMethod(
            m_worker, [shared = m_shared] { shared->playNewest(); }, Qt::QueuedConnection);
}

} // namespace wimbly
