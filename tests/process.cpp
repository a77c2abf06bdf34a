#include "tests/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr auto TIME_LIMIT = std::chrono::seconds(20);
constexpr auto POLL_INTERVAL = std::chrono::milliseconds(20);

std::string temporaryPath(const char* stem) {
  const char* directory = std::getenv("TMPDIR");
  std::string path = directory != nullptr ? directory : "/tmp";
  return path + "/antorder-" + stem + "-" + std::to_string(getpid()) + ".txt";
}

// Waits for the child up to the deadline; kills it when it is still running then.
bool waitUntil(pid_t child, std::chrono::steady_clock::time_point deadline, int* status) {
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(child, status, WNOHANG) == child) return true;
    std::this_thread::sleep_for(POLL_INTERVAL);
  }
  kill(child, SIGKILL);
  waitpid(child, status, 0);
  return false;
}

}  // namespace

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

ProcessResult runProgram(const std::vector<std::string>& arguments, Input input, Output output,
                         bool* stillRunningBeforeKey) {
  const std::string outputPath = output == Output::FullDevice ? "/dev/full" : temporaryPath("out");
  const std::string errorPath = temporaryPath("err");

  int keyPipe[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input == Input::OpenUntilKey && pipe(keyPipe) == 0) {
    posix_spawn_file_actions_adddup2(&actions, keyPipe[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, keyPipe[0]);
    posix_spawn_file_actions_addclose(&actions, keyPipe[1]);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<std::string> words = {ANTORDER_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  ProcessResult result;
  pid_t child = -1;
  const int spawned = posix_spawn(&child, ANTORDER_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (keyPipe[0] >= 0) close(keyPipe[0]);
  if (spawned != 0) {
    if (keyPipe[1] >= 0) close(keyPipe[1]);
    return result;
  }

  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + TIME_LIMIT;
  int status = 0;
  bool finished = false;
  if (keyPipe[1] >= 0) {
    // The report is complete once its closing text has arrived; by then the
    // program must be waiting for the key rather than gone.
    const std::string report = readFile(SOURCE_DIR "/tests/expected_report.txt");
    while (readFile(outputPath) != report && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(POLL_INTERVAL);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    finished = waitpid(child, &status, WNOHANG) == child;
    if (stillRunningBeforeKey != nullptr) *stillRunningBeforeKey = !finished;
    const char key = 'x';
    if (write(keyPipe[1], &key, 1) != 1) perror("write key");
    close(keyPipe[1]);
  }
  if (!finished) finished = waitUntil(child, deadline, &status);

  result.finished = finished;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.exitStatus = finished && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (output == Output::Captured) result.output = readFile(outputPath);
  result.errors = readFile(errorPath);
  if (output == Output::Captured) std::remove(outputPath.c_str());
  std::remove(errorPath.c_str());
  return result;
}
