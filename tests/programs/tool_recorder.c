/* tool_recorder: stands in for the registration tool in the panel's tests.
   It appends to the file that TOOLRECORDER_LOG names the command line as it
   arrived, then each argument after the program's name as the run-time
   library splits them, one a line in brackets, then a line "end", so that a
   test sees exactly what a tool started by the panel receives. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevious, LPSTR pszCmdLine, int nShow)
{
    char szLog[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TOOLRECORDER_LOG", szLog, sizeof(szLog));
    FILE* pFile;
    int i;
    (void)hInstance;
    (void)hPrevious;
    (void)pszCmdLine;
    (void)nShow;
    if (n == 0 || n >= sizeof(szLog))
        return 2;
    pFile = fopen(szLog, "ab");
    if (!pFile)
        return 1;
    fprintf(pFile, "%s\n", GetCommandLineA());
    for (i = 1; i < __argc; ++i)
        fprintf(pFile, "[%s]\n", __argv[i]);
    fprintf(pFile, "end\n");
    fclose(pFile);
    return 0;
}
