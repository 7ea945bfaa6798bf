// Message tables: how the framework's classes receive their messages.
//
// Each class that handles messages carries one table, declared with
// DECLARE_MESSAGE_MAP in the class and filled between BEGIN_MESSAGE_MAP and
// END_MESSAGE_MAP in its source file. The virtual GetMessageMap answers the
// table of the object's own class; each table links to its base class's
// table, so a lookup walks from the most derived class to CCmdTarget and the
// first matching entry wins: a derived class overrides a base entry by
// listing the same message.
//
// An entry holds a small caller, made by a template for the handler's
// exact member function, so that handlers keep their natural signatures
// (void OnPaint(), HCURSOR OnQueryDragIcon(), ...) and a wrong signature
// fails to compile instead of being called through a cast.
#pragma once

#include <windows.h>

class CCmdTarget;

// Calls one handler on its object with the message's two parameters and
// answers the message's result.
typedef LRESULT (*MessageCall)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct MessageEntry
{
    UINT nMessage;          // window message (WM_COMMAND for commands)
    UINT nCode;             // notification code of a command, else 0
    UINT nID;               // command or control id, else 0
    MessageCall pfnCall;    // null ends the table
};

struct MessageMap
{
    const MessageMap* (*pfnGetBaseMap)();   // null at the root
    const MessageEntry* pEntries;
};

// Reflected messages: a parent hands a child's colour request back to the
// child's object, which lists it under this code. Codes from
// WM_REFLECT_BASE upward are reserved in windows that use the framework.
// 0xBC00 lies in the range that Windows leaves to applications (WM_APP,
// 0x8000, to 0xBFFF), so no system message shares a reflected code; the
// offset is the message's own code (below 0x0400), which keeps it there.
enum
{
    WM_REFLECT_BASE = 0xBC00,
    WM_REFLECT_CTLCOLOR = WM_REFLECT_BASE + 0x0019,     // 0x0019: the old WM_CTLCOLOR
};

// Callers for the handler signatures that the tables accept.
template <class F, F pfn> struct MessageCaller;

template <class C, void (C::*pfn)()>
struct MessageCaller<void (C::*)(), pfn>
{
    static LRESULT Call(CCmdTarget* p, WPARAM, LPARAM)
    {
        (static_cast<C*>(p)->*pfn)();
        return 0;
    }
};

template <class C, LRESULT (C::*pfn)(WPARAM, LPARAM)>
struct MessageCaller<LRESULT (C::*)(WPARAM, LPARAM), pfn>
{
    static LRESULT Call(CCmdTarget* p, WPARAM wParam, LPARAM lParam)
    {
        return (static_cast<C*>(p)->*pfn)(wParam, lParam);
    }
};

// HCURSOR is the same type as HICON.
template <class C, HCURSOR (C::*pfn)()>
struct MessageCaller<HCURSOR (C::*)(), pfn>
{
    static LRESULT Call(CCmdTarget* p, WPARAM, LPARAM)
    {
        return reinterpret_cast<LRESULT>((static_cast<C*>(p)->*pfn)());
    }
};

// A reflected colour request: wParam the device context, lParam the kind
// of control (CTLCOLOR_STATIC and its kin).
template <class C, HBRUSH (C::*pfn)(HDC, UINT)>
struct MessageCaller<HBRUSH (C::*)(HDC, UINT), pfn>
{
    static LRESULT Call(CCmdTarget* p, WPARAM wParam, LPARAM lParam)
    {
        return reinterpret_cast<LRESULT>(
            (static_cast<C*>(p)->*pfn)(reinterpret_cast<HDC>(wParam), static_cast<UINT>(lParam)));
    }
};

#define MESSAGE_CALLER(memberFxn) \
    &MessageCaller<decltype(&ThisClass::memberFxn), &ThisClass::memberFxn>::Call

#define DECLARE_MESSAGE_MAP() \
public: \
    virtual const MessageMap* GetMessageMap() const; \
protected: \
    static const MessageMap* GetThisMessageMap();

// The table is a constant local of GetThisMessageMap: built by the
// compiler, with no start-up code and no order-of-initialisation question.
#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const MessageMap* theClass::GetThisMessageMap() \
    { \
        using ThisClass [[maybe_unused]] = theClass; \
        using TheBaseClass = baseClass; \
        static const MessageEntry entries[] = {

#define END_MESSAGE_MAP() \
            { 0, 0, 0, 0 } \
        }; \
        static const MessageMap map = { &TheBaseClass::GetThisMessageMap, entries }; \
        return &map; \
    }

// LRESULT memberFxn(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn) \
    { (message), 0, 0, MESSAGE_CALLER(memberFxn) },
// void memberFxn()
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, 0, (id), MESSAGE_CALLER(memberFxn) },
// void memberFxn()
#define ON_CONTROL(code, id, memberFxn) \
    { WM_COMMAND, (code), (id), MESSAGE_CALLER(memberFxn) },
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
// void OnPaint()
#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, MESSAGE_CALLER(OnPaint) },
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, MESSAGE_CALLER(OnQueryDragIcon) },
// HBRUSH CtlColor(HDC hDC, UINT nCtlColor), in the child control's table:
// a null brush leaves the request to the parent.
#define ON_WM_CTLCOLOR_REFLECT() \
    { WM_REFLECT_CTLCOLOR, 0, 0, MESSAGE_CALLER(CtlColor) },
