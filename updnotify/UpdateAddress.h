// The download address that the vendor's server offers, checked before it
// goes to the shell: only a web page on one of the vendor's own download
// hosts, which the build names, may open when the user presses OK.
#pragma once

#include <windows.h>

// True when an offered update address may be handed to the shell: an
// https:// address (scheme in any case) whose host is on pszHosts, with no
// port other than 443, and no blanks, control characters or double quotes
// anywhere. The host is ASCII letter, digit and hyphen labels joined by
// dots, the last not all digits (no IP address), with no trailing dot,
// "%"-escape or user name ("@"). pszHosts: entries separated by ";", each
// a host name or "*.domain", which matches the names that end in
// ".domain"; letters compare without regard to case.
bool IsOpenableUpdateUrl(const char* pszUrl, const char* pszHosts);
