// The program's entry point: runs the application object.
#include "Framework.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return AfxWinMain(instance); }
