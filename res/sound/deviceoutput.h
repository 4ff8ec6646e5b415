#pragma once

#include "cueplayer.h"

#include <QtGlobal>

// The sound library's one entry point, looked up by this name when the library is loaded at
// run time: a new output on the system's default audio device, which the caller owns. It
// connects to the sound server only when first prepared or started.
#define WIMBLY_NEW_DEVICE_OUTPUT "wimbly_new_device_output"
extern "C" Q_DECL_EXPORT wimbly::CueOutput* wimbly_new_device_output();
