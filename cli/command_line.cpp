#include "cli/command_line.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>
#endif

namespace antorder {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr) {
    std::vector<std::string> arguments;
    for (int at = 0; at < count; ++at) {
      const int size = WideCharToMultiByte(CP_UTF8, 0, wide[at], -1, nullptr, 0, nullptr, nullptr);
      std::string argument(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
      WideCharToMultiByte(CP_UTF8, 0, wide[at], -1, argument.data(), size, nullptr, nullptr);
      argument.pop_back();  // the terminating null
      arguments.push_back(argument);
    }
    LocalFree(wide);
    return arguments;
  }
#endif
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace antorder
