#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

namespace wimbly {

class ServiceThread;

// How the samples of a cue are laid out: interleaved frames of `channels` samples each.
struct CueFormat {
    enum class Sample { UInt8, Int16, Int32, Float };

    int sampleRate = 0;
    int channels = 0;
    Sample sample = Sample::Int16;

    int bytesPerFrame() const {
        return channels * (sample == Sample::UInt8 ? 1 : sample == Sample::Int16 ? 2 : 4);
    }
    // Whole frames lasting at least `microseconds`, in bytes.
    qint64 bytesFor(qint64 microseconds) const {
        return (qint64(sampleRate) * microseconds + 999'999) / 1'000'000 * bytesPerFrame();
    }
    double secondsOf(qint64 bytes) const { return double(bytes / bytesPerFrame()) / sampleRate; }
};

// One sound cue, read from its WAVE image, as it goes to the output.
struct CueSamples {
    int id = 0;
    CueFormat format;
    QByteArray pcm; // whole sample frames in `format`, from the first to the last
};

// Where cues sound. All calls come from the cue player's audio thread, one at a time; an
// output is created and destroyed on that thread or before it starts.
class CueOutput {
public:
    virtual ~CueOutput() = default;
    // Makes ready to start a cue at once, before any cue is asked for; start() does what this
    // leaves undone. Called once, first.
    virtual void prepare() {}
    // Starts `cue` from its first frame and returns without waiting for it to end. The output
    // keeps its own reference to the samples while they play.
    virtual void start(const CueSamples& cue) = 0;
    // Silences the cue started last, at once, if it still sounds.
    virtual void stop() = 0;
};

// Plays the program's sound cues, the WAVE images among its resources that res::cueResource
// (catalogue.h) names.
// The work happens on an audio thread of its own, so a slow or stalled sound server never
// holds up the caller.
class CuePlayer {
public:
    // Plays through the system's default audio output; with no output device, or without the
    // program's sound library, cues are silent. Nothing of the sound system is loaded or
    // connected before prepare() or the first cue.
    CuePlayer();
    // Plays through `output`, which the player owns and destroys on its audio thread; an empty
    // `output` means the default audio device, as above.
    explicit CuePlayer(std::unique_ptr<CueOutput> output);
    // Stops the cue that is playing and the audio thread. Returns within about half a second
    // even when the sound server does not answer; the stuck thread is then left to finish alone.
    ~CuePlayer();

    CuePlayer(const CuePlayer&) = delete;
    CuePlayer& operator=(const CuePlayer&) = delete;

    // Starts the audio thread and readies the output there, so that the first cue starts as
    // fast as any later one. Returns at once; calling it again does nothing. Like play(), it is
    // called from the thread that created the player.
    void prepare();

    // Silences the cue that is playing, and any asked for but not yet started; returns at once.
    void stop();
    // Starts cue `id` and returns at once. The newest cue cuts off the one that is playing;
    // cues are never mixed or queued, and of several cues asked for faster than the audio
    // thread takes them only the newest plays. An id without a playable WAVE image plays nothing.
    void play(int id);

private:
    // Makes `id` the newest request and, unless one is on its way, posts it to the audio thread.
    void request(int id);

    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<ServiceThread> m_thread; // the audio thread, started by prepare()
};

} // namespace wimbly
