#include "CmdTarget.h"

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const MessageEntry entries[] = {
        { 0, 0, 0, nullptr }
    };
    static const MessageMap map = { nullptr, entries };
    return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const MessageEntry* CCmdTarget::FindMessageEntry(const MessageMap* pMap, UINT nMessage,
                                                 UINT nCode, UINT nID)
{
    for (; pMap != nullptr; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr)
    {
        for (const MessageEntry* pEntry = pMap->pEntries; pEntry->pfnCall != nullptr; ++pEntry)
        {
            if (pEntry->nMessage == nMessage && pEntry->nCode == nCode && pEntry->nID == nID)
                return pEntry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, UINT nCode)
{
    const MessageEntry* pEntry = FindMessageEntry(GetMessageMap(), WM_COMMAND, nCode, nID);
    if (pEntry == nullptr)
        return FALSE;
    pEntry->pfnCall(this, 0, 0);
    return TRUE;
}
