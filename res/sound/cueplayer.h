#pragma once

#include <QAudioFormat>
#include <QByteArray>

#include <memory>

class QThread;
class QObject;

namespace wimbly {

// One sound cue, read from its WAVE image, as it goes to the output.
struct Cue {
    int id = 0;
    QAudioFormat format;
    QByteArray pcm; // whole sample frames in `format`, from the first to the last
};

// Where cues sound. All calls come from the cue player's audio thread, one at a time; an
// output is created and destroyed on that thread or before it starts.
class CueOutput {
public:
    virtual ~CueOutput() = default;
    // Starts `cue` from its first frame and returns without waiting for it to end. The output
    // keeps its own reference to the samples while they play.
    virtual void start(const Cue& cue) = 0;
    // Silences the cue started last, at once, if it still sounds.
    virtual void stop() = 0;
};

// Plays the program's sound cues, the WAVE images ":/wav/<id>.wav" among its resources.
// The work happens on an audio thread of its own, so a slow or stalled sound server never
// holds up the caller.
class CuePlayer {
public:
    // Plays through the system's default audio output; with no output device, cues are silent.
    CuePlayer();
    // Plays through `output`, which the player owns and destroys on its audio thread.
    explicit CuePlayer(std::unique_ptr<CueOutput> output);
    // Stops the cue that is playing and the audio thread. Returns within about half a second
    // even when the sound server does not answer; the stuck thread is then left to finish alone.
    ~CuePlayer();

    CuePlayer(const CuePlayer&) = delete;
    CuePlayer& operator=(const CuePlayer&) = delete;

    // Starts cue `id` and returns at once. The newest cue cuts off the one that is playing;
    // cues are never mixed or queued, and of several cues asked for faster than the audio
    // thread takes them only the newest plays. An id without a playable WAVE image plays nothing.
    void PlayCue(int id);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr; // lives on m_thread; requests run in its context
};

} // namespace wimbly
