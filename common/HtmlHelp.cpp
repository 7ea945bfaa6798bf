#include "HtmlHelp.h"

#include "SystemLibrary.h"

HtmlHelpFn SystemHtmlHelp()
{
    static HtmlHelpFn s_pfnHtmlHelp = nullptr;
    static bool s_bLoaded = false;
    if (s_bLoaded)
        return s_pfnHtmlHelp;
    HMODULE hLibrary = LoadSystemLibrary("hhctrl.ocx");
    if (hLibrary == nullptr)
        return nullptr;
    s_pfnHtmlHelp = reinterpret_cast<HtmlHelpFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(hLibrary, "HtmlHelpA")));
    if (s_pfnHtmlHelp == nullptr)
        FreeLibrary(hLibrary);
    else
        s_bLoaded = true;
    return s_pfnHtmlHelp;
}
