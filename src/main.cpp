// nurvo: turns a waypoint file into a mission for an autonomous underwater vehicle.
#include <cstdio>
#include <cstring>

#include "nurvo.h"

int main(int argc, char** argv) {
  nurvo::StdConsole console;
  nurvo::Clock clock;
  nurvo::FileOps fileOps;
  const int status = nurvo::run(argc, argv, console, clock, fileOps);
  // Lost output is a failure too: the operator would miss a message or a confirmation. Files
  // already in place stay.
  if (const int error = console.finish()) {
    std::fprintf(stderr, "nurvo: cannot write to standard output: %s\n", std::strerror(error));
    return 1;
  }
  return status;
}
