// nurvo: turns a waypoint file into a mission for an autonomous underwater vehicle.
#include "nurvo.h"

int main(int argc, char** argv) {
  nurvo::StdConsole console;
  nurvo::Clock clock;
  nurvo::FileOps fileOps;
  const int status = nurvo::run(argc, argv, console, clock, fileOps);
  std::fflush(stdout);
  return status;
}
