// The notifier's command line: words separated by blanks, each a switch
// "/NAME" or "-NAME", optionally ":VALUE". Names may be cut to 3 letters
// or more and are compared without regard to case.
#pragma once

#include "UpdateSettings.h"

// Applies the switches in the order written, a later one overriding an
// earlier one. False for a word that is no switch or whose name matches no
// option (the caller shows IDS_INVALID_ARGUMENT); names under 3 letters are skipped.
// The line is not changed.
bool ApplyCommandLine(const char* pszLine, UpdateSettings& settings);

// The start delay of a log-on start, in milliseconds.
const DWORD kStartupDelay = 300000;
