#pragma once

#include "namespeaker.h"

#include <QtGlobal>

// The speech library's one entry point, which the name speaker looks up by this name when it
// loads the library at run time: a new output through the desktop's speech service, which the
// caller owns. It connects to the service only when first prepared.
extern "C" Q_DECL_EXPORT wimbly::SpeechOutput* wimbly_new_speech_output();
