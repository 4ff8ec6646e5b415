#include "synth.h"

#include "recipes.h"
#include "wavewriter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace wimbly::sound {

namespace {

using recipe::Note;
using recipe::Timbre;

// Every cue is brought to this loudness (RMS over its whole length), unless that would push
// its peak above PeakLimit; then the peak decides.
constexpr double TargetRms = 0.12;    // about -18.4 dBFS
constexpr double PeakLimit = 0.85;    // about -1.4 dBFS, below the -1 dBFS ceiling after rounding
constexpr double EdgeFade = 0.004;    // seconds of fade at both ends of a cue
constexpr double NoteRelease = 0.008; // seconds over which each note dies away at its end
constexpr double VibratoRate = 5.5;   // Hz
constexpr double TwoPi = 2.0 * std::numbers::pi;

// Overtones as (multiple of the pitch, level, extra decay time constant in seconds; 0 = none).
struct Partial {
    double multiple;
    double level;
    double decay;
};

std::span<const Partial> partials(Timbre timbre) {
    static constexpr Partial sine[] = {{1.0, 1.0, 0.0}};
    static constexpr Partial bell[] = {{1.0, 1.0, 0.0}, {2.0, 0.35, 0.08}, {3.0, 0.12, 0.04}};
    static constexpr Partial reed[] = {{1.0, 1.0, 0.0}, {2.0, 0.25, 0.0}, {3.0, 0.08, 0.0}};
    static constexpr Partial wood[] = {{1.0, 1.0, 0.0}, {2.76, 0.45, 0.008}};
    switch (timbre) {
    case Timbre::Bell:
        return bell;
    case Timbre::Reed:
        return reed;
    case Timbre::Wood:
        return wood;
    case Timbre::Sine:
        break;
    }
    return sine;
}

// A raised-cosine ramp from 0 to 1 over `span` seconds.
double ramp(double t, double span) {
    if (span <= 0.0 || t >= span)
        return 1.0;
    if (t <= 0.0)
        return 0.0;
    return 0.5 - 0.5 * std::cos(std::numbers::pi * t / span);
}

void addNote(std::vector<double>& out, const Note& note) {
    const auto first = std::size_t(std::lround(note.start * SampleRate));
    const auto count = std::size_t(std::lround(note.length * SampleRate));
    const auto parts = partials(note.timbre);
    std::vector<double> phase(parts.size(), 0.0);
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = double(i) / SampleRate;
        const double glide = note.glideTime > 0.0 ? std::min(t / note.glideTime, 1.0) : 1.0;
        // Gliding on a log scale sounds like an even slide in pitch.
        double pitch = note.pitch * std::pow(note.glideTo / note.pitch, glide);
        pitch *= 1.0 + note.vibrato * std::sin(TwoPi * VibratoRate * t);

        double level = note.level * ramp(t, note.attack) * ramp(note.length - t, NoteRelease);
        if (note.decay > 0.0)
            level *= std::exp(-std::max(t - note.attack, 0.0) / note.decay);

        double sample = 0.0;
        for (std::size_t p = 0; p < parts.size(); ++p) {
            phase[p] += TwoPi * pitch * parts[p].multiple / SampleRate;
            double partLevel = parts[p].level;
            if (parts[p].decay > 0.0)
                partLevel *= std::exp(-t / parts[p].decay);
            sample += partLevel * std::sin(phase[p]);
        }
        out[first + i] += level * sample;
    }
}

std::vector<qint16> render(const recipe::Cue& cue) {
    std::vector<double> mix(std::size_t(std::lround(cue.seconds * SampleRate)), 0.0);
    for (const Note& note : cue.notes)
        addNote(mix, note);

    const double length = double(mix.size()) / SampleRate;
    double energy = 0.0;
    double peak = 0.0;
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const double t = double(i) / SampleRate;
        mix[i] *= ramp(t, EdgeFade) * ramp(length - t - 1.0 / SampleRate, EdgeFade);
        energy += mix[i] * mix[i];
        peak = std::max(peak, std::abs(mix[i]));
    }
    const double rms = std::sqrt(energy / double(mix.size()));
    const double gain = rms > 0.0 ? std::min(TargetRms / rms, PeakLimit / peak) : 0.0;

    std::vector<qint16> samples(mix.size());
    std::transform(mix.begin(), mix.end(), samples.begin(),
                   [gain](double v) { return qint16(std::lround(v * gain * 32767.0)); });
    return samples;
}

} // namespace

QByteArray synthesizeCue(int id) {
    const auto found = std::find_if(recipe::cues.begin(), recipe::cues.end(),
                                    [id](const recipe::Cue& cue) { return cue.id == id; });
    if (found == recipe::cues.end())
        return {};
    return makeWave(render(*found), Channels, SampleRate);
}

} // namespace wimbly::sound
