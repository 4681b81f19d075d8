// minimal_start: the baseline for kivo's native run.  Starts argv[1] with
// the remaining arguments and exits without waiting for it.

#include <spawn.h>
#include <sys/types.h>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 2)
    return 2;
  pid_t pid;
  return posix_spawn(&pid, argv[1], nullptr, nullptr, argv + 1, environ) == 0
             ? 0
             : 1;
}
