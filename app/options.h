#pragma once

#include "settings.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace wimbly {

// What the command line asks of one run. Each option set here wins over the remembered
// preference for this run only.
struct Options {
    // The values the options gave; only those of settings marked as given count.
    Preferences values;
    std::array<bool, Settings.size()> given{};
    // --child: the child who plays this run; empty when not given.
    QString child;
    // --export-history: where to write the history as CSV ("-" for standard output), instead of
    // playing; empty when not given.
    QString exportHistory;

    // `remembered` with this run's options laid over it.
    Preferences over(Preferences remembered) const;
    // Whether the command line set `setting`.
    bool gives(const Setting& setting) const;
};

// The outcome of reading the command line: either options to start with, or text to print
// and an exit status to end with before any window opens.
struct CommandLine {
    Options options;
    // Set when the program ends at once: 0 after --help or --version, 1 after an error.
    std::optional<int> exitCode;
    // What to print before ending: help or version to standard output, an error to standard
    // error.
    QString message;
};

// Reads `arguments` (the program's name first). It needs no application object, so it runs
// before the program connects to a display. The options Qt itself takes (-platform, -display,
// -style, ...) are let through for the application object to read.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace wimbly
