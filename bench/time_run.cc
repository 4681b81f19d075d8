// time_run: runs a command once and prints its wall-clock time in
// microseconds.  The clock covers spawning, running and reaping the command
// and nothing of the caller, which is why scripts/bench.sh times with this
// rather than with the shell.  The command's standard output is discarded;
// the exit status is passed on (1 for any failure of the command).

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <ctime>

extern char** environ;

namespace {

long long now_microseconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: time_run COMMAND [ARGS...]\n", stderr);
    return 2;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const long long start = now_microseconds();
  pid_t pid;
  if (posix_spawnp(&pid, argv[1], &actions, nullptr, argv + 1, environ) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) < 0)
    return 1;
  const long long elapsed = now_microseconds() - start;
  std::printf("%lld\n", elapsed);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
