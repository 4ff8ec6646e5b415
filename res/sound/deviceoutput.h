#pragma once

#include "cueplayer.h"

#include <QtGlobal>

// The sound library's one entry point, which the cue player looks up by this name when it loads
// the library at run time: a new output on the system's default audio device, which the caller
// owns. It connects to the sound server only when first prepared or started.
extern "C" Q_DECL_EXPORT wimbly::CueOutput* wimbly_new_device_output();
