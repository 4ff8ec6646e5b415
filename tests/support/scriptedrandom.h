#pragma once

#include "randomsource.h"

#include <cstddef>
#include <vector>

namespace wimbly {

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
