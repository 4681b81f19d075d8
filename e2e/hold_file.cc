// hold_file FILE READY RELEASE: holds FILE open with no sharing, as a
// running program holds its own files, until told to let go.  Creates READY
// once FILE is open, then polls for RELEASE every 50 ms, at most 60 s, and
// exits 0 after closing FILE; 1 when FILE cannot be opened, 2 on bad usage.

#include <windows.h>

namespace {

bool exists(const wchar_t* path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool create_empty(const wchar_t* path) {
  const HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(file);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4)
    return 2;
  const HANDLE held =
      CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (held == INVALID_HANDLE_VALUE)
    return 1;
  create_empty(argv[2]);
  const int kPollMilliseconds = 50;
  const int kLimitMilliseconds = 60 * 1000;
  for (int waited = 0; waited < kLimitMilliseconds && !exists(argv[3]);
       waited += kPollMilliseconds)
    Sleep(kPollMilliseconds);
  CloseHandle(held);
  return 0;
}
