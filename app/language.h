#pragma once

#include "settings.h"

namespace wimbly {

// Puts `language` into effect for the whole program: English loads the embedded translation,
// Chinese (the texts as written in the program) removes it. Every widget then receives a
// language-change event. Returns false, leaving the texts in Chinese, when the translation
// cannot be loaded.
bool useLanguage(Language language);

// The language in effect.
Language currentLanguage();

} // namespace wimbly
