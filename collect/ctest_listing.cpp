#include "collect/ctest_listing.h"

#include <algorithm>
#include <utility>

#include <nlohmann/json.hpp>

namespace antorder {

namespace {

using Json = nlohmann::json;

// A property's value as a list of strings: a string alone is a list of one.
std::vector<std::string> stringsOf(const Json& value) {
  std::vector<std::string> strings;
  if (value.is_string()) strings.push_back(value.get<std::string>());
  if (value.is_array()) {
    for (const Json& item : value) {
      if (item.is_string()) strings.push_back(item.get<std::string>());
    }
  }
  return strings;
}

// ctest writes booleans as true/false, older versions as strings.
bool isTrue(const Json& value) {
  if (value.is_boolean()) return value.get<bool>();
  if (!value.is_string()) return false;
  std::string text = value.get<std::string>();
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
  return text == "1" || text == "ON" || text == "TRUE" || text == "YES" || text == "Y";
}

void readProperty(const Json& property, CtestTest& test) {
  if (!property.is_object() || !property.contains("name") || !property["name"].is_string() ||
      !property.contains("value")) {
    return;
  }
  const std::string name = property["name"].get<std::string>();
  const Json& value = property["value"];
  if (name == "WORKING_DIRECTORY" && value.is_string()) {
    test.workingDirectory = value.get<std::string>();
  } else if (name == "ENVIRONMENT") {
    test.environment = stringsOf(value);
  } else if (name == "ENVIRONMENT_MODIFICATION") {
    test.environmentEdits = stringsOf(value);
  } else if (name == "WILL_FAIL") {
    test.willFail = isTrue(value);
  } else if (name == "DISABLED") {
    test.disabled = isTrue(value);
  } else if (name == "TIMEOUT" && value.is_number()) {
    test.timeoutSeconds = std::max(0.0, value.get<double>());
  }
}

// The entry of NAME in NAME=value entries, or end.
std::vector<std::string>::iterator entryOf(std::vector<std::string>& entries,
                                           const std::string& name) {
  return std::find_if(entries.begin(), entries.end(), [&](const std::string& entry) {
    return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
           entry[name.size()] == '=';
  });
}

// Sets, or with `remove` unsets, NAME in the entries.
void setEntry(std::vector<std::string>& entries, const std::string& name, const std::string& value,
              bool remove = false) {
  const auto entry = entryOf(entries, name);
  if (remove) {
    if (entry != entries.end()) entries.erase(entry);
  } else if (entry != entries.end()) {
    *entry = name + "=" + value;
  } else {
    entries.push_back(name + "=" + value);
  }
}

// The value of NAME in the entries, empty where it is unset.
std::string valueOf(std::vector<std::string>& entries, const std::string& name) {
  const auto entry = entryOf(entries, name);
  return entry == entries.end() ? std::string() : entry->substr(name.size() + 1);
}

// One ENVIRONMENT_MODIFICATION edit; false where the operation is unknown.
bool applyEdit(const std::vector<std::string>& base, std::vector<std::string>& environment,
               const std::string& name, const std::string& operation, const std::string& value) {
  const std::string current = valueOf(environment, name);
  // The list operations leave out the separator where the variable is empty.
  const auto joined = [&](char separator, bool append) {
    std::string list = append ? current : value;
    if (!current.empty()) list += separator;
    list += append ? value : current;
    return current.empty() ? value : list;
  };
  if (operation == "reset") {
    std::vector<std::string> original = base;
    const bool wasSet = entryOf(original, name) != original.end();
    setEntry(environment, name, valueOf(original, name), !wasSet);
  } else if (operation == "set" || operation == "unset") {
    setEntry(environment, name, value, operation == "unset");
  } else if (operation == "string_append" || operation == "string_prepend") {
    setEntry(environment, name, operation == "string_append" ? current + value : value + current);
  } else if (operation == "path_list_append" || operation == "path_list_prepend") {
    setEntry(environment, name, joined(':', operation == "path_list_append"));
  } else if (operation == "cmake_list_append" || operation == "cmake_list_prepend") {
    setEntry(environment, name, joined(';', operation == "cmake_list_append"));
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool readCtestListing(const std::string& text, std::vector<CtestTest>& tests, std::string& reason) {
  const Json document = Json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object() || !document.contains("tests") ||
      !document["tests"].is_array()) {
    reason = "ctest's listing is not its json-v1 document";
    return false;
  }
  for (const Json& entry : document["tests"]) {
    if (!entry.is_object() || !entry.contains("name") || !entry["name"].is_string()) {
      reason = "a test of ctest's listing has no name";
      return false;
    }
    CtestTest test;
    test.name = entry["name"].get<std::string>();
    if (entry.contains("command")) test.command = stringsOf(entry["command"]);
    if (entry.contains("properties") && entry["properties"].is_array()) {
      for (const Json& property : entry["properties"]) readProperty(property, test);
    }
    tests.push_back(std::move(test));
  }
  return true;
}

bool testEnvironment(const std::vector<std::string>& base, const CtestTest& test,
                     std::vector<std::string>& environment, std::string& reason) {
  environment = base;
  for (const std::string& entry : test.environment) {
    const std::size_t equals = entry.find('=');
    if (equals == 0 || equals == std::string::npos) continue;
    setEntry(environment, entry.substr(0, equals), entry.substr(equals + 1));
  }
  for (const std::string& edit : test.environmentEdits) {
    const std::size_t equals = edit.find('=');
    const std::size_t colon = equals == std::string::npos ? equals : edit.find(':', equals);
    if (equals == 0 || colon == std::string::npos) {
      reason = "test " + test.name + ": ENVIRONMENT_MODIFICATION entry not NAME=op:value: " + edit;
      return false;
    }
    const std::string operation = edit.substr(equals + 1, colon - equals - 1);
    if (!applyEdit(base, environment, edit.substr(0, equals), operation, edit.substr(colon + 1))) {
      reason = "test " + test.name + ": ENVIRONMENT_MODIFICATION operation unknown: " + operation;
      return false;
    }
  }
  return true;
}

}  // namespace antorder
