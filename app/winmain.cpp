#include <windows.h>

#include "app/lifecycle.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    return RunProgram(instance, commandLine, showCommand);
}
