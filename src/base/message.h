// The wording of the messages shown to the operator, for every layer: a reader or a planner words
// its refusal here without the text sinks of the output.
//
// How a refusal ends: a refusal of what the operator gave (a file, a line, an option) names it and
// says what was expected there; a run stopped after its input was accepted (no move found, a route
// too large to cut, the clock, the end of console input, error findings with --strict) ends with
// noMissionWritten, so that the operator knows that nothing of the mission was written.
#pragma once

#include <cstdarg>
#include <string>

#if defined(__MINGW32__)
#define NURVO_PRINTF(fmtIndex, firstArg) __attribute__((format(gnu_printf, fmtIndex, firstArg)))
#else
#define NURVO_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
#endif

namespace nurvo {

// printf-style formatting into a std::string, for console messages.
std::string strprintf(const char* fmt, ...) NURVO_PRINTF(1, 2);
std::string vstrprintf(const char* fmt, std::va_list args);

// The end of a refusal that stops a run after its input was accepted.
inline constexpr const char* noMissionWritten = ": no mission written";

}  // namespace nurvo
