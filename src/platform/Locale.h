#pragma once
#include "platform/Types.h"

// The program's language id. Only kept: texts and numbers do not follow it.
void SetThreadLocale(WORD languageId);
WORD GetThreadLocale();
