#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "run_program.h"

extern char** environ;

namespace tolzeb::cli::testing {

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input) {
  ProgramRun run;
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (spawned != 0) {
    run.err = std::string("posix_spawn failed: ") + strerror(spawned);
    close(in[1]);
    close(out[0]);
    close(err[0]);
    return run;
  }
  // The child may stop reading early; a closed pipe must not end this process.
  signal(SIGPIPE, SIG_IGN);
  size_t written = 0;
  while (written < input.size()) {
    const ssize_t n = write(in[1], input.data() + written, input.size() - written);
    if (n <= 0) break;
    written += size_t(n);
  }
  close(in[1]);

  struct pollfd streams[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&run.out, &run.err};
  int open = 2;
  while (open > 0 && poll(streams, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (streams[i].fd < 0 || !streams[i].revents) continue;
      char buffer[4096];
      const ssize_t n = read(streams[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, size_t(n));
      } else {
        close(streams[i].fd);
        streams[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace tolzeb::cli::testing
