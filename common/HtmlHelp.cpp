#include "HtmlHelp.h"

#include "SystemLibrary.h"

namespace
{
SystemFunction<HtmlHelpFn> s_htmlHelp("hhctrl.ocx", "HtmlHelpA");
} // namespace

HtmlHelpFn SystemHtmlHelp()
{
    return s_htmlHelp.Get();
}
