/* A DLL with no content of note, placed beside a test program (also under a
   system DLL's name): the program must not load it by name once the DLL search
   is restricted, nor a system DLL from anywhere but the system directory. When
   KVELL_PLANTED_MARKER names a file, loading it creates that file. */
#include <windows.h>

int kvellPlanted(void)
{
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char marker[MAX_PATH];
        DWORD length = GetEnvironmentVariableA("KVELL_PLANTED_MARKER", marker, sizeof marker);
        if (length > 0 && length < sizeof marker) {
            HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
    }
    return TRUE;
}
