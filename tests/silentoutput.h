#pragma once

#include "cueplayer.h"

#include <memory>

namespace wimbly::test {

// A sound output that plays nothing, for tests of the windows: the game's cues go through the
// real cue player, but no audio system is loaded and no sound server is reached.
class SilentOutput final : public CueOutput {
public:
    void start(const CueSamples&) override {}
    void stop() override {}
};

inline std::unique_ptr<CueOutput> silence() {
    return std::make_unique<SilentOutput>();
}

} // namespace wimbly::test
