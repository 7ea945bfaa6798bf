#include "CmdTarget.h"

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const MessageEntry entries[] = {
        { 0, 0, 0, 0 }
    };
    static const MessageMap map = { 0, entries };
    return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const MessageEntry* CCmdTarget::FindMessageEntry(const MessageMap* pMap, UINT nMessage,
                                                 UINT nCode, UINT nID)
{
    for (; pMap != 0; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : 0)
    {
        for (const MessageEntry* pEntry = pMap->pEntries; pEntry->pfnCall != 0; ++pEntry)
        {
            if (pEntry->nMessage == nMessage && pEntry->nCode == nCode && pEntry->nID == nID)
                return pEntry;
        }
    }
    return 0;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, UINT nCode)
{
    const MessageEntry* pEntry = FindMessageEntry(GetMessageMap(), WM_COMMAND, nCode, nID);
    if (pEntry == 0)
        return FALSE;
    pEntry->pfnCall(this, 0, 0);
    return TRUE;
}
