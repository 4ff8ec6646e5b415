#include "language.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTranslator>

namespace wimbly {

namespace {

Q_LOGGING_CATEGORY(lcLanguage, "wimbly.language", QtWarningMsg)

// The program's one translator; it outlives every window.
QTranslator& translator() {
    static QTranslator instance;
    return instance;
}

Language& current() {
    static Language language = Language::Chinese;
    return language;
}

} // namespace

bool useLanguage(Language language) {
    if (language == current())
        return true;
    QTranslator& english = translator();
    if (language == Language::Chinese) {
        QCoreApplication::removeTranslator(&english);
        current() = language;
        return true;
    }
    if (english.isEmpty() && !english.load(QStringLiteral(":/i18n/wimbly_en.qm"))) {
        qCWarning(lcLanguage, "the English translation cannot be loaded");
        return false;
    }
    QCoreApplication::installTranslator(&english);
    current() = language;
    return true;
}

Language currentLanguage() {
    return current();
}

} // namespace wimbly
