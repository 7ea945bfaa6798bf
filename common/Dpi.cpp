#include "Dpi.h"

#include "ScopedHandles.h"

namespace
{

typedef UINT (WINAPI* GetDpiForWindowFn)(HWND);
typedef int (WINAPI* GetSystemMetricsForDpiFn)(int, UINT);
typedef BOOL (WINAPI* SetDialogControlDpiChangeBehaviorFn)(HWND, int, int);

const int kDisableFontUpdate = 1;   // DCDC_DISABLE_FONT_UPDATE

// user32 is loaded in every GUI process, so its handle needs no loading.
FARPROC User32Function(const char* pszName)
{
    HMODULE hUser = ::GetModuleHandleA("user32.dll");
    return hUser != nullptr ? ::GetProcAddress(hUser, pszName) : nullptr;
}

} // namespace

UINT WindowDpi(HWND hWnd)
{
    auto pfn = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void (*)()>(User32Function("GetDpiForWindow")));
    if (pfn != nullptr && hWnd != nullptr)
    {
        UINT nDpi = pfn(hWnd);
        if (nDpi != 0)
            return nDpi;
    }
    int nDpi = 0;
    ScopedWindowDC screen(nullptr);
    if (screen != nullptr)
        nDpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    return nDpi > 0 ? static_cast<UINT>(nDpi) : kBaseDpi;
}

int ScaleToDpi(int nPixelsAt96, UINT nDpi)
{
    return ::MulDiv(nPixelsAt96, static_cast<int>(nDpi), static_cast<int>(kBaseDpi));
}

int SystemMetricForDpi(int nIndex, UINT nDpi)
{
    auto pfn = reinterpret_cast<GetSystemMetricsForDpiFn>(
        reinterpret_cast<void (*)()>(User32Function("GetSystemMetricsForDpi")));
    return pfn != nullptr ? pfn(nIndex, nDpi) : ::GetSystemMetrics(nIndex);
}

void KeepOwnFontOnDpiChange(HWND hCtl)
{
    auto pfn = reinterpret_cast<SetDialogControlDpiChangeBehaviorFn>(
        reinterpret_cast<void (*)()>(User32Function("SetDialogControlDpiChangeBehavior")));
    if (pfn != nullptr && hCtl != nullptr)
        pfn(hCtl, kDisableFontUpdate, kDisableFontUpdate);
}
