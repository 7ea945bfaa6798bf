// Platform calls that the fuzzed sources link but the fuzz targets never
// reach (the panel's window, paths and message loop, loading libraries). Each one crashes with
// its name, so a target that strays into them shows where. Declared here
// without the Windows headers: only the names matter to the linker.
#include <stdio.h>
#include <stdlib.h>

#define UNREACHED(name)                                             \
    extern "C" [[noreturn]] void name()                             \
    {                                                               \
        fprintf(stderr, "fake platform: " #name " reached\n");      \
        abort();                                                    \
    }

UNREACHED(CreateWindowExA)
UNREACHED(DispatchMessageA)
UNREACHED(FreeLibrary)
UNREACHED(GetFileAttributesA)
UNREACHED(GetMessageA)
UNREACHED(GetModuleFileNameA)
UNREACHED(GetLastError)
UNREACHED(GetModuleHandleA)
UNREACHED(GetProcAddress)
UNREACHED(GetStockObject)
UNREACHED(GetSystemDirectoryA)
UNREACHED(IsDBCSLeadByteEx)
UNREACHED(LoadCursorA)
UNREACHED(LoadIconA)
UNREACHED(LoadLibraryA)
UNREACHED(LoadLibraryExA)
UNREACHED(MultiByteToWideChar)
UNREACHED(PostMessageA)
UNREACHED(RegisterClassA)
UNREACHED(SetErrorMode)
UNREACHED(ShowWindow)
UNREACHED(TranslateMessage)
UNREACHED(UpdateWindow)
