// tbSetup.exe: finishes the machine-wide set-up of TAVOBatt for its installer.
// Window-less; always exits with 0.
#include <windows.h>

#include "setup/Setup.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/, int /*nShowCmd*/)
{
    RestrictLibrarySearchToSystemFolder();
    RunActions(SelectActions(GetCommandLineW()), hInstance);
    return 0;
}
