#pragma once

#include "catalogue.h"

#include <array>
#include <span>

// The sound cues as tables of notes. Every cue is a sum of notes; the synthesizer adds them up,
// brings each cue to the same loudness and fades its ends. Times are seconds from the start of
// the cue, pitches are Hz, levels are relative within one cue.
namespace wimbly::sound::recipe {

enum class Timbre {
    Sine, // a pure tone: soft and round
    Bell, // a tone with a few quickly fading overtones: bright, like a toy glockenspiel
    Reed, // a tone with steady soft overtones: a warm, voice-like "oo"
    Wood, // a tone with a strong inharmonic overtone: a small wooden tick
};

struct Note {
    double start;     // when it begins
    double length;    // how long it lasts, its release included
    double pitch;     // where its pitch starts
    double glideTo;   // where its pitch ends (equal to pitch for a steady note)
    double glideTime; // how long the glide takes
    double level;
    double attack;  // time to full level
    double decay;   // time constant of the fall after the attack; 0 keeps the level steady
    double vibrato; // depth of a slow wobble of the pitch, as a fraction of it
    Timbre timbre;
};

struct Cue {
    int id;
    double seconds; // the cue's length in the catalogue
    std::span<const Note> notes;
};

constexpr Cue cue(int id, std::span<const Note> notes) {
    return {id, res::cueSeconds(id), notes};
}

// clang-format off

// Note names used below (equal temperament, A4 = 440 Hz).
inline constexpr double F4 = 349.23, G4 = 392.00, A4 = 440.00,
                        C5 = 523.25, D5 = 587.33, E5 = 659.26, G5 = 783.99,
                        C6 = 1046.50, E6 = 1318.51, G6 = 1567.98, C7 = 2093.00;

// 101: a soft, bright pop as each character appears: a quick upward blip and a little bell.
inline constexpr std::array popNotes{
    //   start  length pitch   glideTo glide  level attack decay  vibr.  timbre
    Note{0.000, 0.090, 420.0,  980.0,  0.045, 1.00, 0.004, 0.030, 0.0,   Timbre::Sine},
    Note{0.012, 0.610, G6,     G6,     0.0,   0.45, 0.004, 0.130, 0.0,   Timbre::Bell},
    Note{0.012, 0.610, C6,     C6,     0.0,   0.35, 0.006, 0.180, 0.0,   Timbre::Sine},
};

// 102: a happy rising jingle for a finished turn: C major arpeggio up, then a ringing chord.
inline constexpr std::array jingleNotes{
    Note{0.000, 0.300, C5,     C5,     0.0,   0.80, 0.005, 0.180, 0.0,   Timbre::Bell},
    Note{0.150, 0.300, E5,     E5,     0.0,   0.80, 0.005, 0.180, 0.0,   Timbre::Bell},
    Note{0.300, 0.300, G5,     G5,     0.0,   0.80, 0.005, 0.180, 0.0,   Timbre::Bell},
    Note{0.450, 0.300, C6,     C6,     0.0,   0.80, 0.005, 0.180, 0.0,   Timbre::Bell},
    Note{0.600, 0.300, E6,     E6,     0.0,   0.70, 0.005, 0.180, 0.0,   Timbre::Bell},
    Note{0.750, 1.190, C6,     C6,     0.0,   0.60, 0.008, 0.550, 0.004, Timbre::Bell},
    Note{0.750, 1.190, E6,     E6,     0.0,   0.50, 0.008, 0.550, 0.004, Timbre::Bell},
    Note{0.750, 1.190, G6,     G6,     0.0,   0.50, 0.008, 0.550, 0.004, Timbre::Bell},
    Note{0.750, 1.190, C5,     C5,     0.0,   0.50, 0.010, 0.700, 0.0,   Timbre::Sine},
};

// 103: a crisp, short tick for a correct click.
inline constexpr std::array tickNotes{
    Note{0.000, 0.050, 1800.0, 1700.0, 0.030, 1.00, 0.002, 0.018, 0.0,   Timbre::Wood},
    Note{0.000, 0.050, C7,     C7,     0.0,   0.35, 0.002, 0.012, 0.0,   Timbre::Sine},
};

// 104: a gentle "uh-oh" for a wrong click: two soft, round notes a third apart, falling.
inline constexpr std::array uhOhNotes{
    Note{0.000, 0.190, A4,     470.0,  0.150, 1.00, 0.020, 0.0,   0.0,   Timbre::Reed},
    Note{0.200, 0.250, F4,     330.0,  0.240, 1.00, 0.020, 0.350, 0.010, Timbre::Reed},
};

// 105: a short descending tune at game over: G5 E5 D5, then a long, calm C5.
inline constexpr std::array gameOverNotes{
    Note{0.000, 0.300, G5,     G5,     0.0,   0.80, 0.008, 0.300, 0.0,   Timbre::Bell},
    Note{0.280, 0.300, E5,     E5,     0.0,   0.80, 0.008, 0.300, 0.0,   Timbre::Bell},
    Note{0.560, 0.300, D5,     D5,     0.0,   0.80, 0.008, 0.300, 0.0,   Timbre::Bell},
    Note{0.840, 0.920, C5,     C5,     0.0,   0.90, 0.010, 0.500, 0.006, Timbre::Bell},
    Note{0.840, 0.920, G4,     G4,     0.0,   0.35, 0.020, 0.600, 0.0,   Timbre::Sine},
};

inline constexpr std::array cues{
    cue(res::cueId(res::Cue::Parade), popNotes),
    cue(res::cueId(res::Cue::TurnDone), jingleNotes),
    cue(res::cueId(res::Cue::Correct), tickNotes),
    cue(res::cueId(res::Cue::Wrong), uhOhNotes),
    cue(res::cueId(res::Cue::GameOver), gameOverNotes),
};
static_assert(cues.size() == res::Cues.size(), "every cue of the catalogue has a recipe");

// clang-format on

} // namespace wimbly::sound::recipe
