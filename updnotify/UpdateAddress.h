// The download address that the vendor's server offers, checked before it
// goes to the shell: it comes from a plain HTTP answer that anyone on the
// way could have written.
#pragma once

#include <windows.h>

// True when an offered update address may be handed to the shell: an
// absolute http:// or https:// address (scheme in any case) with a host
// (not empty between any "user@" and ":port"), and no blanks, control
// characters or double quotes anywhere.
bool IsOpenableUpdateUrl(const char* pszUrl);
