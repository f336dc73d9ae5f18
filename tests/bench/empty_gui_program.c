/* The second baseline of the start-up benchmark: an empty GUI program that loads
   what every dialog program loads (user32, the common controls) and does nothing. */
#include <windows.h>
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)show;
    InitCommonControls();
    if (commandLine != NULL && commandLine[0] == '!')
        MessageBoxA(NULL, "never shown by the benchmark", "empty", MB_OK);
    return 0;
}
