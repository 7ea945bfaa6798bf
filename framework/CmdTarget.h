// CObject and CCmdTarget: the roots of the window classes. A CCmdTarget
// receives its messages through the message table of its class
// (MessageMap.h).
#pragma once

#include <windows.h>

#include "MessageMap.h"

class CObject
{
public:
    virtual ~CObject() {}

protected:
    CObject() {}

private:
    CObject(const CObject&);
    CObject& operator=(const CObject&);
};

class CCmdTarget : public CObject
{
public:
    virtual const MessageMap* GetMessageMap() const;

    // Sends a command (menu id or control id with its notification code)
    // to this object's table. False when no entry takes it. Classes that
    // pass commands on to other targets override it (CDialog).
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

    // The first entry for the message in the table or its bases, or null.
    static const MessageEntry* FindMessageEntry(const MessageMap* pMap, UINT nMessage,
                                                UINT nCode, UINT nID);

protected:
    CCmdTarget() {}
    static const MessageMap* GetThisMessageMap();
};
