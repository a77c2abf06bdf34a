#pragma once

// The files a run writes, each made whole or not at all: written to a
// temporary file beside it, then renamed into place once every file of the
// run is complete. A path that is a link or not a plain file (a device such
// as /dev/null, a pipe) is written in place, as renaming would replace it.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace antorder {

// The name that stands for standard output where an output takes it.
constexpr const char* STANDARD_OUTPUT = "-";

struct OutputFile {
  std::string path;                 // as given, in UTF-8
  std::filesystem::path temporary;  // empty when written in place
  std::FILE* out = nullptr;
};

// Opens the file, or its temporary file, for writing; false with the reason.
bool openOutput(OutputFile& file, const std::string& path, std::string& reason);

// Flushes and closes the file, keeping it on disk; false with the reason.
bool closeOutput(OutputFile& file, std::string& reason);

// Moves each closed temporary file into place; false with the reason at the
// first that fails, which names the files already in place before it.
bool commitOutputs(std::vector<OutputFile>& files, std::string& failedPath, std::string& reason);

// Closes whatever is open and removes every temporary file not yet in place.
void discardOutputs(std::vector<OutputFile>& files);

// Flushes standard output, and says why when what it wrote is lost.
bool finishStandardOutput();

// A file to write, and what writes it.
struct FileRequest {
  std::string path;  // empty: not asked for; STANDARD_OUTPUT: written there
  std::function<void(std::FILE*)> print;
};

// Writes every file asked for, each through a temporary file, then what goes
// to standard output: the files asked for there, then `printOutput`'s (true
// when it was written whole);
// the files are moved into place only once all of it is complete. Returns the
// exit status: 0, 1 with the reason on standard error, or stoppedStatus()
// when stopped.
int writeFiles(const std::vector<FileRequest>& requests, const std::function<bool()>& printOutput);

}  // namespace antorder
