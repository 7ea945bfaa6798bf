// Shared by the targets whose oracle reads decimal numbers with the C
// library: a run of ten or more digits can exceed what the library's
// reader and the product's reader agree on, so such inputs are not compared.
#pragma once

#include <string>

inline bool HasLongNumber(const std::string& str)
{
    int nRun = 0;
    for (char c : str)
    {
        nRun = (c >= '0' && c <= '9') ? nRun + 1 : 0;
        if (nRun >= 10)
            return true;
    }
    return false;
}
