// The speech output that says names through Qt TextToSpeech and the desktop's speech service
// (speech-dispatcher on Linux), so that a better voice a family has installed is the one heard.
// It is built as a library of its own, which the name speaker loads on its speech thread, so
// that the program starts without the speech system and loads it only when names are wanted.
#include "ttsoutput.h"

#include <QLoggingCategory>
#include <QTextToSpeech>
#include <QVoice>

#include <memory>
#include <optional>

namespace wimbly {

Q_LOGGING_CATEGORY(lcSpeechService, "wimbly.speech", QtCriticalMsg)

namespace {

// The desktop's speech service, where there is one; it carries the voices the family chose.
const QString PreferredEngine = QStringLiteral("speechd");

// Among `locales`, the one that speaks the language of `wanted`, best of its region too.
std::optional<QLocale> voiceFor(const QList<QLocale>& locales, const QLocale& wanted) {
    std::optional<QLocale> sameLanguage;
    for (const QLocale& locale : locales) {
        if (locale.language() != wanted.language())
            continue;
        if (locale.territory() == wanted.territory())
            return locale;
        if (!sameLanguage)
            sameLanguage = locale;
    }
    return sameLanguage;
}

class TextToSpeechOutput final : public SpeechOutput {
public:
    void prepare() override { connectToService(); }

    bool useLanguage(const QLocale& locale) override {
        if (!m_speech || m_speech->state() == QTextToSpeech::Error)
            connectToService();
        if (!m_speech || m_speech->state() == QTextToSpeech::Error)
            return false;
        // Choosing a voice can leave the engine in its error state for a moment, which is no
        // loss of the service.
        m_choosing = true;
        const bool chosen = chooseVoice(locale);
        m_choosing = false;
        if (!chosen)
            qCWarning(lcSpeechService, "the speech service has no voice for %s",
                      qUtf8Printable(locale.name()));
        return chosen;
    }

    bool say(const QString& text) override {
        if (!m_speech)
            return false;
        if (m_speech->state() == QTextToSpeech::Speaking)
            m_speech->stop(QTextToSpeech::BoundaryHint::Immediate);
        // A service that fails to take it reports so through its state, which reportLost()
        // passes on.
        m_speech->say(text);
        return true;
    }

    void stop() override {
        if (m_speech && m_speech->state() == QTextToSpeech::Speaking)
            m_speech->stop(QTextToSpeech::BoundaryHint::Immediate);
    }

private:
    bool chooseVoice(const QLocale& locale) {
        if (const std::optional<QLocale> voice = voiceFor(m_speech->availableLocales(), locale)) {
            if (m_speech->locale() != *voice)
                m_speech->setLocale(*voice);
            return m_speech->locale().language() == locale.language();
        }
        // Voices whose language Qt does not know by its code (espeak-ng, the usual voice of
        // speech-dispatcher, calls Mandarin "cmn") are listed under the C locale, each named
        // after its language in English: "Chinese (Mandarin, latin as English)".
        const QString language = QLocale::languageToString(locale.language());
        m_speech->setLocale(QLocale::c());
        const QList<QVoice> voices = m_speech->availableVoices();
        for (const QVoice& voice : voices) {
            if (voice.name().startsWith(language)) {
                m_speech->setVoice(voice);
                return m_speech->voice().name() == voice.name();
            }
        }
        return false;
    }

    void connectToService() {
        m_speech.reset();
        const QStringList engines = QTextToSpeech::availableEngines();
        if (engines.isEmpty()) {
            qCWarning(lcSpeechService, "no speech engine is installed");
            return;
        }
        m_speech = std::make_unique<QTextToSpeech>(
            engines.contains(PreferredEngine) ? PreferredEngine : engines.first());
        if (m_speech->state() == QTextToSpeech::Error) {
            qCWarning(lcSpeechService, "the speech service cannot be reached: %s",
                      qUtf8Printable(m_speech->errorString()));
            return;
        }
        QObject::connect(m_speech.get(), &QTextToSpeech::stateChanged, m_speech.get(),
                         [this](QTextToSpeech::State state) {
                             if (state == QTextToSpeech::Error && !m_choosing)
                                 reportLost();
                         });
    }

    std::unique_ptr<QTextToSpeech> m_speech;
    bool m_choosing = false;
};

} // namespace

} // namespace wimbly

wimbly::SpeechOutput* wimbly_new_speech_output() {
    return new wimbly::TextToSpeechOutput;
}
