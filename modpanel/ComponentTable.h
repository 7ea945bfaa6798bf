// The component table: every component file of every product group that
// the panel can list, with what the panel needs to find, describe,
// register and document it.
#pragma once

#include <windows.h>

// Component types; each has its button in the panel. 0 ends the table.
enum
{
    COMPONENT_NONE = 0,
    COMPONENT_LIBRARY = 3,      // Dynamic Link Library
    COMPONENT_ACTIVEX = 4,      // ActiveX Control
    COMPONENT_SCRIPTING = 5,    // Scripting Object
    COMPONENT_DOTNET = 6,       // .NET Component
};

// Entry flags.
enum
{
    COMPONENT_HIDDEN = 0x1,             // never listed
    COMPONENT_SELF_REGISTERING = 0x4,   // Register and Unregister apply
    COMPONENT_SHARED_ASSEMBLY = 0x8,    // looked for in the assemblies folder first
    COMPONENT_HTML_HELP = 0x1000,       // help file is HTML Help, else WinHelp
};

struct ComponentEntry
{
    int nProductGroup;
    UINT nDescription;          // string resource id
    int nType;                  // COMPONENT_LIBRARY ... COMPONENT_DOTNET; 0 ends the table
    DWORD dwFlags;
    const char* pszFileName;    // without folder; also the text of the Name list
    const char* pszClassId;     // "{...}" (38 characters) or null
    const char* pszHelpFile;    // file name or null
    DWORD dwHelpContext;        // 0: the help file's contents
};

// The table, in group order, ended by an entry whose type is 0.
extern const ComponentEntry g_aComponents[];
