// Which component types each product line offers, where its assemblies
// lie, and which type a product's panel opens on.
#include "Modpanel.h"

#include "ProductLines.h"

namespace
{

bool InList(int nValue, const int* pnList, int nCount)
{
    for (int i = 0; i < nCount; ++i)
        if (pnList[i] == nValue)
            return true;
    return false;
}

} // namespace

bool IsScriptingEnabled(int nGroup)
{
    using namespace ProductLine;
    static const int s_anGroups[] = {kMail4, kMail5, kMail6, kTransfer4, kTransfer5, kTransfer6};
    return InList(nGroup, s_anGroups, sizeof(s_anGroups) / sizeof(s_anGroups[0]));
}

bool IsDotNetEnabled(int nGroup)
{
    using namespace ProductLine;
    static const int s_anGroups[] = {kMail4, kMail5, kMail6, kTransfer4, kTransfer5, kTransfer6,
                                     kCharting5, kCharting6, kTerminal5, kTerminal6};
    return InList(nGroup, s_anGroups, sizeof(s_anGroups) / sizeof(s_anGroups[0]));
}

const char* AssemblySubfolder(int nGroup)
{
    using namespace ProductLine;
    static const int s_anV5[] = {kMail5, kTransfer5, kCharting5, kTerminal5};
    static const int s_anV6[] = {kMail6, kTransfer6, kCharting6, kTerminal6};
    if (InList(nGroup, s_anV5, 4))
        return "\\v5.0";
    if (InList(nGroup, s_anV6, 4))
        return "\\v6.0";
    return "";
}

int DefaultComponentType(DWORD dwProduct)
{
    static const int s_anLibrary[] = {24, 29, 32, 35, 36, 37, 38, 73};
    static const int s_anScripting[] = {15, 16, 39, 42, 44, 79};
    static const int s_anDotNet[] = {17, 19, 22, 49, 51, 62, 64, 65, 68, 75, 78, 83, 92};
    int nProduct = static_cast<int>(dwProduct);
    if (InList(nProduct, s_anLibrary, sizeof(s_anLibrary) / sizeof(s_anLibrary[0])))
        return COMPONENT_LIBRARY;
    if (InList(nProduct, s_anScripting, sizeof(s_anScripting) / sizeof(s_anScripting[0])))
        return COMPONENT_SCRIPTING;
    if (InList(nProduct, s_anDotNet, sizeof(s_anDotNet) / sizeof(s_anDotNet[0])))
        return COMPONENT_DOTNET;
    return COMPONENT_ACTIVEX;
}
