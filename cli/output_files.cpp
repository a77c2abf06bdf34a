#include "cli/output_files.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "cli/messages.h"
#include "cli/stop_signals.h"
#include "text/shown_text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace antorder {

namespace fs = std::filesystem;

namespace {

std::string errnoText(int error) {
  return error != 0 ? std::strerror(error) : "unknown error";
}

int processId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

// Creates the file, failing if it exists, and opens it for binary writing.
std::FILE* createNew(const fs::path& path) {
#ifdef _WIN32
  const int fd =
      _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  std::FILE* out = fd < 0 ? nullptr : _fdopen(fd, "wb");
  if (fd >= 0 && out == nullptr) _close(fd);
#else
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  std::FILE* out = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (fd >= 0 && out == nullptr) close(fd);
#endif
  return out;
}

std::FILE* openInPlace(const fs::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"wb");
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

}  // namespace

bool openOutput(OutputFile& file, const std::string& path, std::string& reason) {
  file = {path, {}, nullptr};
  const fs::path target = fs::u8path(path);
  std::error_code status;
  const fs::file_status kind = fs::symlink_status(target, status);
  errno = 0;
  if (fs::exists(kind) && !fs::is_regular_file(kind)) {
    file.out = openInPlace(target);
    if (file.out == nullptr) reason = errnoText(errno);
    return file.out != nullptr;
  }
  // A name of its own beside the target: hidden, and told apart by the
  // process and a counter from any other run's. A target's name near the
  // longest a folder holds (255 bytes) would make it too long: then the
  // program's own name stands in for it.
  const fs::path folder = target.parent_path();
  constexpr std::size_t LONGEST_NAME = 200;
  const std::string name = target.filename().u8string();
  const std::string stem = "." +
                           (name.size() > LONGEST_NAME ? std::string("antorder-suite") : name) +
                           "." + std::to_string(processId());
  for (int attempt = 0; attempt < 100; ++attempt) {
    file.temporary = folder / fs::u8path(stem + "-" + std::to_string(attempt) + ".tmp");
    errno = 0;
    file.out = createNew(file.temporary);
    if (file.out != nullptr) break;
    if (errno != EEXIST) break;
  }
  if (file.out == nullptr) {
    reason = errnoText(errno);
    file.temporary.clear();
    return false;
  }
  // A file replaced keeps its permissions.
  if (fs::exists(kind)) fs::permissions(file.temporary, kind.permissions(), status);
  return true;
}

bool closeOutput(OutputFile& file, std::string& reason) {
  errno = 0;
  bool written = std::fflush(file.out) == 0 && std::ferror(file.out) == 0;
  int error = errno;
#ifndef _WIN32
  // On disk before the rename, so that a crash leaves the old file or the new one whole.
  if (written && !file.temporary.empty() && fsync(fileno(file.out)) != 0) {
    written = false;
    error = errno;
  }
#endif
  errno = 0;
  const bool closed = std::fclose(file.out) == 0;
  if (written && !closed) error = errno;
  file.out = nullptr;
  if (!written || !closed) reason = errnoText(error);
  return written && closed;
}

bool commitOutputs(std::vector<OutputFile>& files, std::string& failedPath, std::string& reason) {
  std::vector<std::string> replaced;
  for (OutputFile& file : files) {
    if (file.temporary.empty()) continue;
    std::error_code error;
    fs::rename(file.temporary, fs::u8path(file.path), error);
    if (error) {
      failedPath = file.path;
      reason = error.message();
      // The files moved into place before it are new, the others as they were.
      if (!replaced.empty()) {
        reason += "; already written anew:";
        for (const std::string& path : replaced) reason += " " + path;
      }
      return false;
    }
    replaced.push_back(file.path);
    file.temporary.clear();
  }
  return true;
}

void discardOutputs(std::vector<OutputFile>& files) {
  for (OutputFile& file : files) {
    if (file.out != nullptr) std::fclose(file.out);
    file.out = nullptr;
    std::error_code ignored;
    if (!file.temporary.empty()) fs::remove(file.temporary, ignored);
    file.temporary.clear();
  }
}

bool finishStandardOutput() {
  // errno holds the reason a write of the output failed, if one did: it is
  // cleared before the output is printed.
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return true;
  say("could not write the summary: %s", errno != 0 ? std::strerror(errno) : "unknown error");
  return false;
}

int writeFiles(const std::vector<FileRequest>& requests, const std::function<bool()>& printOutput) {
  std::vector<OutputFile> files;
  std::string failedPath;
  std::string reason;
  std::vector<const FileRequest*> toStandardOutput;
  for (const FileRequest& request : requests) {
    if (request.path.empty()) continue;
    if (request.path == STANDARD_OUTPUT) {
      toStandardOutput.push_back(&request);
      continue;
    }
    files.emplace_back();
    if (!openOutput(files.back(), request.path, reason)) {
      failedPath = request.path;
      break;
    }
    request.print(files.back().out);
    if (!closeOutput(files.back(), reason)) {
      failedPath = request.path;
      break;
    }
  }
  // Standard output that could not be written fails the run, and leaves
  // the files as they were (its reason is on standard error already).
  bool printed = true;
  if (failedPath.empty() && stopSignal == 0) {
    errno = 0;
    for (const FileRequest* request : toStandardOutput) request->print(stdout);
    printed = printOutput();
  }
  if (failedPath.empty() && printed && stopSignal == 0) commitOutputs(files, failedPath, reason);
  discardOutputs(files);
  if (stopSignal != 0) return stoppedStatus();
  if (!printed) return 1;
  if (failedPath.empty()) return 0;
  say("could not write %s: %s", printable(failedPath).c_str(), printable(reason).c_str());
  return 1;
}

}  // namespace antorder
