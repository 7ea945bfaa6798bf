// The notifier's settings for one run.
#pragma once

#include <windows.h>

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
