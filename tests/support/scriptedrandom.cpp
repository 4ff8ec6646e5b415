#include "scriptedrandom.h"

#include <utility>

namespace wimbly {

ScriptedRandom::ScriptedRandom(std::vector<double> draws) : m_script(std::move(draws)) {}

void ScriptedRandom::setDraws(std::vector<double> draws) {
    m_script = std::move(draws);
    m_next = 0;
}

double ScriptedRandom::next() {
    ++m_draws;
    if (m_script.empty())
        return 0.0;
    const double value = m_script[m_next];
    m_next = (m_next + 1) % m_script.size();
    return value;
}

} // namespace wimbly
