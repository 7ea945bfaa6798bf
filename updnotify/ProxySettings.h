// The HTTP proxy that the Internet Settings of Windows name for the
// vendor's host. Only the settings typed by hand count: an automatic
// configuration script (PAC) or proxy discovery (WPAD) is not followed.
#pragma once

#include <windows.h>

class CRegistry;

enum
{
    // Read buffers: a value's data, its terminator included, may fill all
    // but the last byte. A longer value is ignored whole:
    // a cut server name would name another host, a cut bypass entry could
    // match more hosts than it says.
    kProxyServerSize = 256,
    kProxyOverrideSize = 2048,
};

// The proxy for plain HTTP (bHttps false) or for https that a "ProxyServer"
// text names: "host[:port]" for every protocol, or the "http=" (or
// "https=") entry of a list such as "http=host:port;https=host:port". A
// port left out is 80; a port must be digits only, 1 to 65535. False, and
// nothing written, when the text names no such proxy or the host does not
// fit in nHostSize bytes. No argument may be null.
bool ParseProxyServer(const char* pszServer, bool bHttps, char* pszHost, int nHostSize,
                      unsigned short& nPort);

// True when an entry of a "ProxyOverride" list (entries separated by ";")
// matches pszHost as written, without a name lookup: "*" stands for any run
// of characters, letters match without regard to case, and "<local>"
// matches every host name without a dot. Neither text may be null.
bool IsProxyBypassed(const char* pszOverride, const char* pszHost);

// Reads "ProxyEnable", "ProxyServer" and "ProxyOverride" from an open
// Internet Settings key. True when requests to pszHost (by https when
// bHttps) go through the proxy written into pszProxy and nPort; otherwise
// pszProxy is "" and the connection is direct. Bad values mean no proxy,
// silently. nProxySize > 0.
bool ReadProxyFor(CRegistry& key, const char* pszHost, bool bHttps, char* pszProxy,
                  int nProxySize, unsigned short& nPort);
