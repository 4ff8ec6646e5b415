#include "randomsource.h"

#include <chrono>

namespace wimbly {

SystemRandom::SystemRandom() {
    reseed();
}

void SystemRandom::reseed() {
    const auto wall = static_cast<quint64>(std::chrono::system_clock::now().time_since_epoch() /
                                           std::chrono::nanoseconds(1));
    const auto mono = static_cast<quint64>(std::chrono::steady_clock::now().time_since_epoch() /
                                           std::chrono::nanoseconds(1));
    // The reseed count keeps two reseeds within one tick of a coarse clock apart.
    ++m_reseeds;
    std::seed_seq seed{static_cast<quint32>(wall), static_cast<quint32>(wall >> 32),
                       static_cast<quint32>(mono), static_cast<quint32>(mono >> 32),
                       static_cast<quint32>(m_reseeds)};
    m_engine.seed(seed);
}

namespace {

// The top 53 bits give every double in [0, 1) on a 2^-53 grid and never 1, which
// std::generate_canonical does not promise on every library.
double unitDraw(std::mt19937_64& engine) {
    return static_cast<double>(engine() >> 11) * 0x1.0p-53;
}

} // namespace

double SystemRandom::next() {
    return unitDraw(m_engine);
}

SeededRandom::SeededRandom(quint64 seed) : m_engine(seed) {}

double SeededRandom::next() {
    return unitDraw(m_engine);
}

} // namespace wimbly
