// A library that nobody should load: planted beside a program to check that
// the program does not pick it up from its working directory or PATH.
#include <windows.h>

extern "C" __declspec(dllexport) int planted_dll_marker() { return 42; }
