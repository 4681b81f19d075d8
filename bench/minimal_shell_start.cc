// minimal_shell_start: the baseline for kivo.exe.  Asks the shell to open
// argv[1], handing it the remaining arguments joined by spaces, and exits
// without waiting for it.

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

int main(int argc, char** argv) {
  if (argc < 2)
    return 2;
  std::string params;
  for (int i = 2; i < argc; ++i) {
    if (i > 2)
      params += ' ';
    params += argv[i];
  }
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = "open";
  info.lpFile = argv[1];
  info.lpParameters = params.c_str();
  info.nShow = SW_SHOWDEFAULT;
  if (!ShellExecuteExA(&info))
    return 1;
  if (info.hProcess)
    CloseHandle(info.hProcess);
  return 0;
}
