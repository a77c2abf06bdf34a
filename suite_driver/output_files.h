#pragma once

// The files a run writes, each made whole or not at all: written to a
// temporary file beside it, then renamed into place once every file of the
// run is complete. A path that is a link or not a plain file (a device such
// as /dev/null, a pipe) is written in place, as renaming would replace it.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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
// first that fails (the files before it are in place).
bool commitOutputs(std::vector<OutputFile>& files, std::string& failedPath, std::string& reason);

// Closes whatever is open and removes every temporary file not yet in place.
void discardOutputs(std::vector<OutputFile>& files);
