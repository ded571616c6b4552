// What differs between Linux and Windows, behind one small seam.
#pragma once

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

namespace nurvo {

// Whether the stream is a terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// Reads one key press from the console without echo and without waiting for Enter.
void waitForKeyPress();

// `t` broken down as UTC; nothing when it cannot be.
std::optional<std::tm> utcTime(std::time_t t);

// Whether `path` names an existing directory.
bool isDirectory(const std::string& path);

// Renames `from` to `to`, replacing `to` when it exists. False on failure, with errno set.
bool replaceFile(const std::string& from, const std::string& to);

}  // namespace nurvo
