#include "collect/processes.h"

#ifdef _WIN32

namespace antorder {

bool processesSupported() { return false; }
int processId() { return 0; }
std::string findProgram(const std::string&) { return ""; }
std::vector<std::string> ownEnvironment() { return {}; }
ProcessEnd runProcess(const ProcessRun&) {
  ProcessEnd end;
  end.failure = "not supported on this platform";
  return end;
}

}  // namespace antorder

#else

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace antorder {

namespace {

std::vector<char*> pointersTo(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (const std::string& text : strings) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

bool isExecutableFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

// Reads what the child's error pipe says: the errno of a failed exec, or
// nothing once the exec closed it.
int execError(int pipe) {
  int error = 0;
  ssize_t got = 0;
  do {
    got = read(pipe, &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace

bool processesSupported() { return true; }

int processId() { return static_cast<int>(getpid()); }

std::string findProgram(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return isExecutableFile(name) ? name : "";
  const char* path = std::getenv("PATH");
  const std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    const std::string candidate = folder + "/" + name;
    if (isExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

std::vector<std::string> ownEnvironment() {
  std::vector<std::string> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    entries.emplace_back(*entry);
  }
  return entries;
}

ProcessEnd runProcess(const ProcessRun& run) {
  ProcessEnd end;
  if (run.command.empty()) {
    end.failure = "no command";
    return end;
  }
  // Everything the child needs is made before the fork: between fork and
  // exec a threaded process may only make async-signal-safe calls.
  const std::vector<char*> arguments = pointersTo(run.command);
  const std::vector<char*> environment = pointersTo(run.environment);
  int errors[2] = {-1, -1};
  int output[2] = {-1, -1};
  if (pipe2(errors, O_CLOEXEC) != 0 || (run.output != nullptr && pipe2(output, O_CLOEXEC) != 0)) {
    end.failure = std::strerror(errno);
    for (const int fd : {errors[0], errors[1], output[0], output[1]}) {
      if (fd >= 0) close(fd);
    }
    return end;
  }
  const pid_t child = fork();
  if (child == 0) {
    const int empty = open("/dev/null", O_RDWR);
    if (empty >= 0) {
      dup2(empty, 0);
      dup2(empty, 2);
      dup2(run.output != nullptr ? output[1] : empty, 1);
    }
    int error = 0;
    if (!run.folder.empty() && chdir(run.folder.c_str()) != 0) error = errno;
    if (error == 0) {
      execve(arguments[0], arguments.data(), environment.data());
      error = errno;
    }
    ssize_t ignored = write(errors[1], &error, sizeof error);
    static_cast<void>(ignored);
    _exit(127);
  }
  close(errors[1]);
  if (run.output != nullptr) close(output[1]);
  if (child < 0) {
    end.failure = std::strerror(errno);
    close(errors[0]);
    if (run.output != nullptr) close(output[0]);
    return end;
  }
  const int error = execError(errors[0]);
  close(errors[0]);
  if (error != 0) end.failure = std::strerror(error);

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const auto overdue = [&] {
    return run.timeoutSeconds > 0.0 &&
           std::chrono::duration<double>(Clock::now() - start).count() > run.timeoutSeconds;
  };
  bool killed = false;
  const auto killIfDue = [&] {
    if (killed) return;
    end.stopped = run.stopped && run.stopped();
    end.timedOut = !end.stopped && overdue();
    if (end.stopped || end.timedOut) {
      kill(child, SIGKILL);
      killed = true;
    }
  };
  if (run.output != nullptr) {
    char buffer[65536];
    for (;;) {
      pollfd ready = {output[0], POLLIN, 0};
      const int polled = poll(&ready, 1, 100);
      if (polled < 0 && errno != EINTR) break;
      if (polled > 0) {
        const ssize_t got = read(output[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        run.output->append(buffer, static_cast<std::size_t>(got));
      }
      killIfDue();
    }
    close(output[0]);
  }
  int status = 0;
  for (;;) {
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) break;
    if (ended < 0 && errno != EINTR) {
      end.failure = std::strerror(errno);
      return end;
    }
    killIfDue();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!end.failure.empty()) return end;
  end.started = true;
  if (WIFEXITED(status)) end.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
  return end;
}

}  // namespace antorder

#endif
