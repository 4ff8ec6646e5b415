#pragma once

#include <QtGlobal>

#include <random>

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

} // namespace wimbly
