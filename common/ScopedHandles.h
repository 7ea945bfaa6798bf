// Holders that release a handle on every way out of the scope that got it.
// Each holds at most one handle, cannot be copied, and hands the raw handle
// to the functions that use it.
//
// Registry keys are held three ways, each for its own lifetime: a key that a
// scope opens and closes, by ScopedRegKey; the notifier's keys, by its
// registry wrapper CRegistry (updnotify/Registry.h), whose Open and Close the
// notifier's classes call as operations of their own; and the keys of open
// product records, by the catalogue's table of open products, which keeps
// each key from OpenProduct until CloseProduct.
#pragma once

#include <windows.h>

// A registry key: RegOpenKeyExA(..., key.Receive()); closed at the end.
class ScopedRegKey
{
public:
    ScopedRegKey() : m_hKey(nullptr) {}
    ~ScopedRegKey() { Close(); }
    // Where an opening function stores the key; any key held is closed.
    HKEY* Receive()
    {
        Close();
        return &m_hKey;
    }
    operator HKEY() const { return m_hKey; }
    void Close()
    {
        if (m_hKey != nullptr)
            RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }

private:
    ScopedRegKey(const ScopedRegKey&);
    ScopedRegKey& operator=(const ScopedRegKey&);
    HKEY m_hKey;
};

// A window's device context from GetDC (nullptr: the screen's): released.
class ScopedWindowDC
{
public:
    explicit ScopedWindowDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(GetDC(hWnd)) {}
    ~ScopedWindowDC()
    {
        if (m_hDC != nullptr)
            ReleaseDC(m_hWnd, m_hDC);
    }
    operator HDC() const { return m_hDC; }

private:
    ScopedWindowDC(const ScopedWindowDC&);
    ScopedWindowDC& operator=(const ScopedWindowDC&);
    HWND m_hWnd;
    HDC m_hDC;
};
