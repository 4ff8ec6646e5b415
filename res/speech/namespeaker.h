#pragma once

#include <QLocale>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace wimbly {

class ServiceThread;

// Where names are spoken. All calls come from the name speaker's speech thread, one at a time;
// an output is created and destroyed on that thread or before it starts.
class SpeechOutput {
public:
    virtual ~SpeechOutput() = default;
    // Connects to the speech service, if it has one. Called once, first.
    virtual void prepare() {}
    // Makes the language of `locale` the one that say() speaks; false when it cannot be spoken
    // now (no speech service, or no voice for the language). A service that was lost is looked
    // for again here.
    virtual bool useLanguage(const QLocale& locale) = 0;
    // Starts saying `text` in the language last chosen, cutting off what it still says, and
    // returns without waiting for the speech; false when the service did not take it.
    virtual bool say(const QString& text) = 0;
    // Silences what it is saying, at once.
    virtual void stop() = 0;

    // Called by the speaker before prepare(): the output calls `listener` on the speech thread
    // when it finds that the service has gone away.
    void setLostListener(std::function<void()> listener) { m_lost = std::move(listener); }

protected:
    void reportLost() const {
        if (m_lost)
            m_lost();
    }

private:
    std::function<void()> m_lost;
};

// Says the animals' names through the desktop's speech service, on a speech thread of its own:
// the service is reached over a socket and may stall, and a caller must never wait for it. The
// caller only posts the newest request; of several posted faster than the speech thread takes
// them only the newest is carried out, and a name still being said is cut off by the next.
class NameSpeaker : public QObject {
    Q_OBJECT
public:
    // Speaks through the program's speech library, which is loaded on the speech thread by
    // prepare() or the first name; without it, or without a speech service, nothing is said.
    NameSpeaker();
    // Speaks through `output`, which the speaker owns and destroys on its speech thread; an empty
    // `output` means the speech library, as above.
    explicit NameSpeaker(std::unique_ptr<SpeechOutput> output);
    // Stops the speech thread. Returns within about half a second even when the speech service
    // does not answer; the stuck thread is then left to finish alone.
    ~NameSpeaker() override;

    NameSpeaker(const NameSpeaker&) = delete;
    NameSpeaker& operator=(const NameSpeaker&) = delete;

    // Starts the speech thread, if it has not started, and finds out there whether names can be
    // said in the language of `locale`; availabilityChanged() tells. Returns at once.
    void prepare(const QLocale& locale);
    // Starts saying `name` in the language of `locale` and returns at once.
    void say(const QString& name, const QLocale& locale);
    // Silences the name being said, and any asked for but not yet started; returns at once.
    void stop();

    enum class Availability { Unknown, Available, Unavailable };
    // What the speech thread last found, Unknown before it has looked.
    Availability availability() const { return m_availability; }

signals:
    // The speech thread has found that names can, or cannot, be said now.
    void availabilityChanged(wimbly::NameSpeaker::Availability availability);

private:
    struct Request;
    struct Shared;
    void request(Request request);
    void startThread();

    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<ServiceThread> m_thread; // the speech thread, started by the first request
    Availability m_availability = Availability::Unknown;
};

} // namespace wimbly
