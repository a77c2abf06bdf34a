#include "collect/processes.h"

#ifdef _WIN32

namespace antorder {

bool processesSupported() {
  return false;
}
int processId() {
  return 0;
}
std::string findProgram(const std::string&) {
  return "";
}
std::vector<std::string> ownEnvironment() {
  return {};
}
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
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

void closeAll(std::initializer_list<int> fds) {
  for (const int fd : fds) {
    if (fd >= 0) close(fd);
  }
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

// A child started, and the end of the pipe of its standard output, if kept.
struct Child {
  pid_t id = -1;
  int output = -1;
};

// Forks and execs the command; false, with the reason, where it could not
// fork. An exec that fails says why through a pipe that a successful exec
// closes; that child has exited and is still waited for.
bool startChild(const ProcessRun& run, Child& child, std::string& failure) {
  // Everything the child needs is made before the fork: between fork and
  // exec a threaded process may only make async-signal-safe calls.
  const std::vector<char*> arguments = pointersTo(run.command);
  const std::vector<char*> environment = pointersTo(run.environment);
  const bool keep = run.output != nullptr;
  int errors[2] = {-1, -1};
  int output[2] = {-1, -1};
  if (pipe2(errors, O_CLOEXEC) != 0 || (keep && pipe2(output, O_CLOEXEC) != 0)) {
    failure = std::strerror(errno);
    closeAll({errors[0], errors[1], output[0], output[1]});
    return false;
  }
  child.id = fork();
  if (child.id == 0) {
    const int empty = open("/dev/null", O_RDWR);
    if (empty >= 0) {
      dup2(empty, 0);
      dup2(empty, 2);
      dup2(keep ? output[1] : empty, 1);
    }
    int error = 0;
    if (!run.folder.empty() && chdir(run.folder.c_str()) != 0) error = errno;
    if (error == 0) {
      execve(arguments[0], arguments.data(), environment.data());
      error = errno;
    }
    const ssize_t ignored = write(errors[1], &error, sizeof error);
    static_cast<void>(ignored);
    _exit(127);
  }
  const int forkError = errno;
  closeAll({errors[1], output[1]});
  if (child.id < 0) {
    failure = std::strerror(forkError);
    closeAll({errors[0], output[0]});
    return false;
  }
  child.output = output[0];
  const int error = execError(errors[0]);
  close(errors[0]);
  if (error != 0) failure = std::strerror(error);
  return true;
}

// What watches a running child: its time and the request to stop.
struct Watch {
  const ProcessRun& run;
  pid_t child;
  std::chrono::steady_clock::time_point start;
  ProcessEnd& end;
  bool killed = false;
};

// Kills the child once it runs past its time or is asked to stop.
void killIfDue(Watch& watch) {
  if (watch.killed) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - watch.start).count();
  watch.end.stopped = watch.run.stopped && watch.run.stopped();
  watch.end.timedOut =
      !watch.end.stopped && watch.run.timeoutSeconds > 0.0 && seconds > watch.run.timeoutSeconds;
  if (watch.end.stopped || watch.end.timedOut) {
    kill(watch.child, SIGKILL);
    watch.killed = true;
  }
}

// Reads the child's standard output to its end.
void readOutput(int pipe, std::string& output, Watch& watch) {
  char buffer[65536];
  for (;;) {
    pollfd ready = {pipe, POLLIN, 0};
    const int polled = poll(&ready, 1, 100);
    if (polled < 0 && errno != EINTR) break;
    if (polled > 0) {
      const ssize_t got = read(pipe, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      output.append(buffer, static_cast<std::size_t>(got));
    }
    killIfDue(watch);
  }
  close(pipe);
}

// Waits for the child to end; false, with the reason, where it cannot.
bool waitFor(int& status, Watch& watch) {
  for (;;) {
    const pid_t ended = waitpid(watch.child, &status, WNOHANG);
    if (ended == watch.child) return true;
    if (ended < 0 && errno != EINTR) {
      watch.end.failure = std::strerror(errno);
      return false;
    }
    killIfDue(watch);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

bool processesSupported() {
  return true;
}

int processId() {
  return static_cast<int>(getpid());
}

std::string findProgram(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return isExecutableFile(name) ? name : "";
  const char* path = std::getenv("PATH");
  const std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = end > start ? folders.substr(start, end - start) : ".";
    candidate += '/';
    candidate += name;
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
  Child child;
  if (!startChild(run, child, end.failure)) return end;
  Watch watch{run, child.id, std::chrono::steady_clock::now(), end};
  if (run.output != nullptr) readOutput(child.output, *run.output, watch);
  int status = 0;
  if (!waitFor(status, watch) || !end.failure.empty()) return end;
  end.started = true;
  if (WIFEXITED(status)) end.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
  return end;
}

}  // namespace antorder

#endif
