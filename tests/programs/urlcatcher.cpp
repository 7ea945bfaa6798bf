// urlcatcher: stands in for the web browser in the end-to-end tests. The
// tests make it the shell's handler for http and https; it appends the
// address it was given, one line, to the file named by URLCATCHER_LOG.
#include <windows.h>

#include <stdio.h>

int main(int argc, char** argv)
{
    char szLog[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("URLCATCHER_LOG", szLog, sizeof(szLog));
    if (n == 0 || n >= sizeof(szLog))
        return 2;
    FILE* pFile = fopen(szLog, "a");
    if (!pFile)
        return 1;
    for (int i = 1; i < argc; ++i)
        fprintf(pFile, "%s%s", i > 1 ? " " : "", argv[i]);
    fprintf(pFile, "\n");
    fclose(pFile);
    return 0;
}
