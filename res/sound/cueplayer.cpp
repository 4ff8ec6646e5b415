#include "cueplayer.h"

#include "catalogue.h"
#include "ownlibrary.h"
#include "wave.h"

#include <QFile>
#include <QLoggingCategory>

#include <atomic>
#include <climits>
#include <optional>
#include <utility>

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

// The output on the system's audio device, from the sound library that the program loads at run
// time (see ownlibrary.h; test programs name it in WIMBLY_SOUND_LIBRARY). Without it the cues
// are silent.
std::unique_ptr<CueOutput> loadDeviceOutput() {
    using NewOutput = CueOutput* (*)();
    const auto create = reinterpret_cast<NewOutput>(
        resolveOwnLibrary("WIMBLY_SOUND_LIBRARY", QStringLiteral(WIMBLY_SOUND_LIBRARY),
                          "wimbly_new_device_output", lcSound(), "sound cues stay silent"));
    return std::unique_ptr<CueOutput>(create ? create() : nullptr);
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
    m_thread = std::make_unique<ServiceThread>(
        QStringLiteral("wimbly-audio"), [shared = m_shared] { shared->shutDown(); }, ShutdownWaitMs,
        lcSound());
    m_thread->post([shared = m_shared] { shared->prepare(); });
}

CuePlayer::~CuePlayer() = default;

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
        m_thread->post([shared = m_shared] { shared->playNewest(); });
}

} // namespace wimbly
