// The notifier's settings for one run, and the offer that a run found.
#pragma once

#include <windows.h>

#include "String.h"

struct UpdateSettings
{
    UpdateSettings();

    const char* appName;        // caption of every message box
    const char* serverHost;     // the vendor's web server
    unsigned short serverPort;
    unsigned int queryTimeout;  // seconds
    DWORD startDelay;           // milliseconds
    DWORD checkInterval;        // seconds
    BOOL interactive;
    BOOL forceCheck;
    BOOL autodialEnabled;
    DWORD product;              // 0: all products
    char helpFile[MAX_PATH];
};

// The update that the server offers for one product.
struct UpdateOffer
{
    UpdateOffer() : status(0) {}

    CString displayName;        // "name major.shortminor edition"
    CString productKey;         // the product's settings key path
    DWORD status;               // bit 0 set: an upgrade
    CString versionText;        // "6.50.1058"
    CString releaseDateText;    // "2009 Mar 5"
    CString updateUrl;
};
