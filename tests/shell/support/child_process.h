#pragma once
// Starting and watching real processes from tests.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace velmorin::testing {

// This process's environment with `changes` applied; an empty value removes the variable.
inline std::vector<std::string> environmentWith(const std::map<std::string, std::string>& changes) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    if (!changes.contains(text.substr(0, text.find('=')))) env.push_back(text);
  }
  for (const auto& [name, value] : changes)
    if (!value.empty()) env.push_back(name + "=" + value);
  return env;
}

class ChildProcess {
 public:
  // Starts `argv` with `env`; its stdout and stderr go to `outputFile` when given.
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& outputFile = {}) {
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputFile.empty()) {
      posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group, so everything it starts can be stopped with it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    if (posix_spawnp(&pid_, args[0], &actions, &attributes, args.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  ~ChildProcess() { stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // The wait status once it has ended, or nothing if it is still running after `limit`.
  std::optional<int> waitFor(std::chrono::milliseconds limit) {
    if (status_) return status_;
    const auto until = std::chrono::steady_clock::now() + limit;
    while (pid_ > 0) {
      int status = 0;
      const pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        status_ = status;
        return status_;
      }
      if (done < 0 || std::chrono::steady_clock::now() >= until) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return status_;
  }

  bool running() { return pid_ > 0 && !waitFor(std::chrono::milliseconds(0)); }

  // Ends the process group: politely, then firmly.
  void stop() {
    if (pid_ <= 0 || status_) return;
    kill(-pid_, SIGTERM);
    if (!waitFor(std::chrono::seconds(5))) {
      kill(-pid_, SIGKILL);
      waitFor(std::chrono::seconds(5));
    }
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

}  // namespace velmorin::testing
