#include "namespeaker.h"

#include "ownlibrary.h"

#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>
#include <optional>
#include <utility>

namespace wimbly {

Q_LOGGING_CATEGORY(lcSpeech, "wimbly.speech", QtCriticalMsg)

namespace {

// How long the destructor waits for the speech thread before leaving it behind.
constexpr unsigned long ShutdownWaitMs = 500;

// The output of the speech library that the program loads at run time (see ownlibrary.h; test
// programs name it in WIMBLY_SPEECH_LIBRARY). Without it nothing is said.
std::unique_ptr<SpeechOutput> loadSpeechOutput() {
    using NewOutput = SpeechOutput* (*)();
    const auto create = reinterpret_cast<NewOutput>(
        resolveOwnLibrary("WIMBLY_SPEECH_LIBRARY", QStringLiteral(WIMBLY_SPEECH_LIBRARY),
                          "wimbly_new_speech_output", lcSpeech(), "names are not said"));
    return std::unique_ptr<SpeechOutput>(create ? create() : nullptr);
}

} // namespace

struct NameSpeaker::Request {
    enum class Kind { Check, Say, Stop };
    Kind kind;
    QString text;
    QLocale locale;
};

// State shared by the caller's thread and the speech thread. The caller only stores the newest
// request and, if none is on its way, posts one; everything else runs on the speech thread.
struct NameSpeaker::Shared {
    Shared(std::unique_ptr<SpeechOutput> out, NameSpeaker* speaker)
        : owner(speaker), output(std::move(out)), loadLibrary(!output) {}

    // Runs on the speech thread, first.
    void prepare(QObject* worker) {
        if (loadLibrary)
            output = loadSpeechOutput();
        if (!output)
            return;
        // The service may be found gone while a signal of its own is being delivered: the
        // language is looked at again once that is over.
        output->setLostListener([this, worker] {
            QMetaObject::invokeMethod(
                worker, [this] { check(language); }, Qt::QueuedConnection);
        });
        output->prepare();
    }

    // Runs on the speech thread.
    void takeNewest() {
        requestPosted.store(false);
        std::optional<Request> taken;
        {
            QMutexLocker lock(&mutex);
            taken = std::exchange(newest, std::nullopt);
        }
        if (!taken)
            return;
        if (!output) {
            report(false);
            return;
        }
        switch (taken->kind) {
        case Request::Kind::Check:
            check(taken->locale);
            break;
        case Request::Kind::Say:
            // A service that was missing is looked for again with each name, so that one
            // started during the game is used from the next name on.
            if (!available || taken->locale != language)
                check(taken->locale);
            if (available && !output->say(taken->text))
                check(language);
            break;
        case Request::Kind::Stop:
            output->stop();
            break;
        }
    }

    // Runs on the speech thread.
    void check(const QLocale& locale) {
        language = locale;
        available = output && output->useLanguage(locale);
        report(available);
    }

    // Runs on the speech thread: tells the speaker what was found, when it has changed.
    void report(bool canSpeak) {
        if (reported == canSpeak)
            return;
        reported = canSpeak;
        QMutexLocker lock(&mutex);
        if (NameSpeaker* const speaker = owner) {
            const Availability found =
                canSpeak ? Availability::Available : Availability::Unavailable;
            QMetaObject::invokeMethod(
                speaker,
                [speaker, found] {
                    if (std::exchange(speaker->m_availability, found) != found)
                        emit speaker->availabilityChanged(found);
                },
                Qt::QueuedConnection);
        }
    }

    // Runs on the speech thread.
    void shutDown() {
        if (output)
            output->stop();
        output.reset();
    }

    std::atomic<bool> requestPosted{false};
    QMutex mutex;
    std::optional<Request> newest; // guarded by mutex
    NameSpeaker* owner;            // guarded by mutex; null once the speaker is gone

    // The speech thread's own.
    std::unique_ptr<SpeechOutput> output;
    const bool loadLibrary; // the output is the speech library's, loaded by prepare()
    QLocale language;
    bool available = false;
    std::optional<bool> reported;
};

NameSpeaker::NameSpeaker() : NameSpeaker(nullptr) {}

NameSpeaker::NameSpeaker(std::unique_ptr<SpeechOutput> output)
    : m_shared(std::make_shared<Shared>(std::move(output), this)) {}

NameSpeaker::~NameSpeaker() {
    QMutexLocker lock(&m_shared->mutex);
    m_shared->owner = nullptr;
}

void NameSpeaker::prepare(const QLocale& locale) {
    request({Request::Kind::Check, {}, locale});
}

void NameSpeaker::say(const QString& name, const QLocale& locale) {
    request({Request::Kind::Say, name, locale});
}

void NameSpeaker::stop() {
    // Nothing can be said before the speech thread exists.
    if (m_thread)
        request({Request::Kind::Stop, {}, {}});
}

void NameSpeaker::startThread() {
    m_thread = std::make_unique<ServiceThread>(
        QStringLiteral("wimbly-speech"), [shared = m_shared] { shared->shutDown(); },
        ShutdownWaitMs, lcSpeech());
    m_thread->post([shared = m_shared, worker = m_thread->worker()] { shared->prepare(worker); });
}

void NameSpeaker::request(Request request) {
    if (!m_thread)
        startThread();
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->newest = std::move(request);
    }
    if (!m_shared->requestPosted.exchange(true))
        m_thread->post([shared = m_shared] { shared->takeNewest(); });
}

} // namespace wimbly
