#pragma once

#include <QtGlobal>

#include <random>
#include <vector>

namespace wimbly {

// Where the game's chance comes from: uniform draws in [0, 1), with a fresh start taken
// from the clock whenever the game asks for one.
class RandomSource {
public:
    virtual ~RandomSource() = default;

    // Starts a new series of draws, seeded from the current time.
    virtual void reseed() = 0;
    // A value uniform in [0, 1); never 1.
    virtual double next() = 0;
};

// The program's source: a Mersenne twister seeded from the system clock.
class SystemRandom final : public RandomSource {
public:
    SystemRandom();

    void reseed() override;
    double next() override;

private:
    std::mt19937_64 m_engine;
    quint64 m_reseeds = 0;
};

// Draws from a fixed seed: the same seed gives the same series, and a reseed goes on with it
// instead of starting over, so a whole run replays from its seed.
class SeededRandom final : public RandomSource {
public:
    explicit SeededRandom(quint64 seed);
    void reseed() override {}
    double next() override;

private:
    std::mt19937_64 m_engine;
};

// A source that hands out a fixed list of draws in order and starts over at its end (0 when
// the list is empty). It counts reseeds and draws so a caller can see when they happened.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<double> draws = {});

    // Replaces the list; the next draw is its first entry.
    void setDraws(std::vector<double> draws);

    void reseed() override { ++m_reseeds; }
    double next() override;

    int reseedCount() const { return m_reseeds; }
    int drawCount() const { return m_draws; }

private:
    std::vector<double> m_script;
    std::size_t m_next = 0;
    int m_reseeds = 0;
    int m_draws = 0;
};

} // namespace wimbly
