// The cue output that sounds on the system's default audio device through Qt Multimedia. It is
// built as a library of its own, which the cue player loads on its audio thread, so that the
// program starts without the sound system.
#include "deviceoutput.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace wimbly {

Q_LOGGING_CATEGORY(lcSoundDevice, "wimbly.sound", QtCriticalMsg)

namespace {

// Silence played after every cue, so that its last samples leave the device before the stream
// is closed or runs dry, and so that even the shortest cue fills the stream's start threshold.
constexpr qint64 TailPaddingUs = 200'000;
// What the stream asks the sound server to hold ahead. The whole of a cue's start goes out in
// the first write, so this adds nothing to the delay before it sounds; it is the reserve that
// lets the feed timer fall behind without a gap.
constexpr qint64 StreamBufferUs = 100'000;
// How often the rest of a cue is fed while it plays: well within the stream's reserve.
constexpr int FeedIntervalMs = 20;
// How long past the cue's written end the stream stays open, for what the device still holds.
constexpr qint64 CloseAfterUs = 150'000;

QAudioFormat qtFormat(const CueFormat& format) {
    QAudioFormat qt;
    qt.setSampleRate(format.sampleRate);
    qt.setChannelCount(format.channels);
    switch (format.sample) {
    case CueFormat::Sample::UInt8:
        qt.setSampleFormat(QAudioFormat::UInt8);
        break;
    case CueFormat::Sample::Int16:
        qt.setSampleFormat(QAudioFormat::Int16);
        break;
    case CueFormat::Sample::Int32:
        qt.setSampleFormat(QAudioFormat::Int32);
        break;
    case CueFormat::Sample::Float:
        qt.setSampleFormat(QAudioFormat::Float);
        break;
    }
    return qt;
}

// Plays each cue on a QAudioSink of its own in push mode: the first write hands the sound
// server all the cue it takes at once, which it starts with its next block, and a short timer
// writes the rest. A new cue closes the previous stream, discarding what it still held: first,
// while its cue still sounds; after its own first write, once only silence is left. Once a cue
// has played out its stream is closed too, so that an idle program wakes up for nothing.
class DeviceOutput final : public CueOutput {
public:
    ~DeviceOutput() override { stop(); }

    void prepare() override {
        // The first look at the devices connects to the sound server, which then stays connected.
        if (QMediaDevices::defaultAudioOutput().isNull())
            warnOnce("no audio output device; sound cues stay silent");
    }

    void start(const CueSamples& cue) override {
        // A stream whose cue has been heard in full holds only silence now: it is let go once the
        // new cue is on its way, so that the new one does not wait while the server releases it.
        // A cue still sounding is cut off first.
        std::unique_ptr<QAudioSink> heard;
        if (m_sink && m_started.elapsed() >= heardByMs())
            heard = std::move(m_sink);
        stop();
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            warnOnce("no audio output device; sound cues stay silent");
            return;
        }
        if (!m_timer) {
            m_timer = std::make_unique<QTimer>();
            m_timer->setTimerType(Qt::PreciseTimer);
            m_timer->callOnTimeout([this] { tick(); });
        }
        m_format = cue.format;
        m_sink = std::make_unique<QAudioSink>(device, qtFormat(cue.format));
        m_sink->setBufferSize(qsizetype(cue.format.bytesFor(StreamBufferUs)));
        m_stream = m_sink->start();
        if (!m_stream || m_sink->error() != QAudio::NoError) {
            warnOnce("the audio output refused a sound cue");
            stop();
            return;
        }
        // The server starts a stream only once it holds what it was granted as its buffer, which
        // may be more than was asked for: the silence after the cue covers at least that much.
        const qint64 padding =
            std::max(cue.format.bytesFor(TailPaddingUs), qint64(m_sink->bufferSize()));
        const char silence = cue.format.sample == CueFormat::Sample::UInt8 ? char(0x80) : 0;
        m_samples = cue.pcm;
        m_cueBytes = cue.pcm.size();
        m_samples.append(qsizetype(padding - padding % cue.format.bytesPerFrame()), silence);
        m_written = 0;
        m_started.start();
        feed();
        m_timer->start(FeedIntervalMs);
        if (heard)
            heard->stop();
    }

    void stop() override {
        if (m_timer)
            m_timer->stop();
        if (m_sink)
            m_sink->stop();
        m_stream = nullptr;
        m_sink.reset();
        m_samples.clear();
    }

private:
    void feed() {
        const int frame = m_format.bytesPerFrame();
        while (m_written < m_samples.size()) {
            qint64 room = m_sink->bytesFree();
            room -= room % frame;
            if (room <= 0)
                break;
            const qint64 wrote = m_stream->write(m_samples.constData() + m_written,
                                                 std::min(room, m_samples.size() - m_written));
            if (wrote <= 0)
                break;
            m_written += wrote;
        }
    }

    // When the cue playing has been heard to its end, in ms since its first write.
    qint64 heardByMs() const {
        return qint64(m_format.secondsOf(m_cueBytes) * 1e3) + CloseAfterUs / 1000;
    }

    void tick() {
        if (!m_sink)
            return;
        // The stream closes once the device has had time to play it all; also if the server
        // stopped taking it, so that a stream left unfinished wakes nobody up for ever.
        const qint64 closeAtMs =
            qint64(m_format.secondsOf(m_samples.size()) * 1e3) + CloseAfterUs / 1000;
        const qint64 left = closeAtMs - m_started.elapsed();
        if (left <= 0) {
            stop();
            return;
        }
        if (m_written < m_samples.size())
            feed();
        else
            m_timer->start(int(left));
    }

    // Each kind of trouble is told once: a missing device must not flood the log, nor hide a
    // different trouble told before it.
    void warnOnce(const char* message) {
        if (m_warned.contains(message))
            return;
        m_warned.insert(message);
        qCWarning(lcSoundDevice, "%s", message);
    }

    std::unique_ptr<QTimer> m_timer;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_stream = nullptr; // owned by m_sink
    CueFormat m_format;
    QByteArray m_samples;  // the cue and the silence after it
    qint64 m_cueBytes = 0; // the cue's own part of m_samples
    qint64 m_written = 0;
    QElapsedTimer m_started; // since the cue's first write
    QSet<QByteArray> m_warned;
};

} // namespace

} // namespace wimbly

wimbly::CueOutput* wimbly_new_device_output() {
    return new wimbly::DeviceOutput;
}
