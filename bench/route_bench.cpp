// Reads and prepares large routes and prints the time and the peak memory of each, at a base size
// and at twice that size, so that the growth with the route's size can be seen.
//
//   nurvo_bench [base size]     (default 1000000, at most 4000000: twice that stays within the
//                                 route's limit of waypoints)
//
// Two workloads:
//   read    a waypoint file of N waypoints at most about 1 km apart (no leg is cut):
//           readWaypoints, then prepareRoute.
//   cut     a route of a few hundred waypoints whose legs are cut into about N legs of 3.6 m:
//           prepareRoute.
// Each then checks the prepared route (checkMission; in the cut workload every leg is shorter
// than the capture radius) in the column "check s", which the totals leave out.
// Each measurement runs in a child process of its own, so that the peak resident size
// (getrusage ru_maxrss) belongs to that measurement alone. Each is taken three times and the
// fastest run is shown, which keeps the figures steady on a busy machine.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "missionCheck.h"
#include "missionParams.h"
#include "nurvo.h"
#include "wptList.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time used by this process so far, user and system, in seconds. Less disturbed than the
// elapsed time when other work shares the machine.
double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto secs = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return secs(usage.ru_utime) + secs(usage.ru_stime);
}

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes on Linux
}

std::size_t countNodes(const nurvo::wptList& list) {
  std::size_t n = 0;
  for (const nurvo::node* p = list.head(); p != nullptr; p = p->nextPtr) ++n;
  return n;
}

struct Measurement {
  std::size_t nodes = 0;
  double readSecs = 0.0;
  double prepareSecs = 0.0;
  double checkSecs = 0.0;
  double cpuSecs = 0.0;  // processor time of reading and preparing
  double peakMB = 0.0;
};

// Writes a waypoint file of `count` waypoints on a serpentine grid: rows of 2000 waypoints 0.01
// degree apart from latitude 30 northwards, each row run in the opposite direction of the one
// before, so that no leg is longer than about 1 km. Up to 12 million waypoints fit below 90 N.
std::string writeRouteFile(std::size_t count) {
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp != nullptr ? tmp : "/tmp") + "/nurvo-bench-XXXXXX";
  const int fd = mkstemp(path.data());
  if (fd < 0) {
    std::perror("mkstemp");
    std::exit(1);
  }
  std::FILE* f = fdopen(fd, "w");
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t row = i / 2000;
    const std::size_t col = row % 2 == 0 ? i % 2000 : 1999 - i % 2000;
    std::fprintf(f, "%.6f %.6f\n", 30.0 + 0.01 * static_cast<double>(row),
                 -125.0 + 0.01 * static_cast<double>(col));
  }
  std::fclose(f);
  return path;
}

// Seconds of checkMission on a prepared route; its totals do not change the work.
double checkSeconds(const nurvo::wptList& route, const nurvo::MissionParams& params) {
  const Clock::time_point start = Clock::now();
  const nurvo::MissionCheck check = nurvo::checkMission(route, params, {}, 100.0);
  const double secs = secondsSince(start);
  if (check.statistics.waypoints == 0) std::abort();
  return secs;
}

Measurement measureRead(std::size_t count) {
  const std::string path = writeRouteFile(count);
  Measurement m;
  nurvo::wptList route;
  const double cpuStart = cpuSeconds();
  const Clock::time_point start = Clock::now();
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr || !nurvo::readWaypoints(f, path, route)) std::abort();
  std::fclose(f);
  m.readSecs = secondsSince(start);
  const Clock::time_point prepared = Clock::now();
  nurvo::prepareRoute(route, nurvo::MissionParams{});
  m.prepareSecs = secondsSince(prepared);
  m.cpuSecs = cpuSeconds() - cpuStart;
  m.nodes = countNodes(route);
  m.checkSecs = checkSeconds(route, nurvo::MissionParams{});
  m.peakMB = peakMegabytes();
  std::remove(path.c_str());
  return m;
}

// Waypoints along the parallel 36.8 N, 0.4 degree (about 35.6 km) apart, cut into legs of 3.6 m:
// about 9900 legs per leg of the route.
Measurement measureCut(std::size_t legs) {
  const std::size_t waypoints = legs / 9900 + 2;
  nurvo::wptList route;
  for (std::size_t i = 0; i < waypoints; ++i) {
    route.insertLatLonEnd(36.8, -170.0 + 0.4 * static_cast<double>(i));
  }
  nurvo::MissionParams params;
  params.maxLegMeters = 3.6;
  Measurement m;
  const double cpuStart = cpuSeconds();
  const Clock::time_point start = Clock::now();
  nurvo::prepareRoute(route, params);
  m.prepareSecs = secondsSince(start);
  m.cpuSecs = cpuSeconds() - cpuStart;
  m.nodes = countNodes(route);
  m.checkSecs = checkSeconds(route, params);
  m.peakMB = peakMegabytes();
  return m;
}

// Runs one measurement in a child process and returns what it measured.
template <typename Measure>
Measurement inChild(Measure measure) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeFds[0]);
    const Measurement m = measure();
    const ssize_t written = write(pipeFds[1], &m, sizeof m);
    _exit(written == static_cast<ssize_t>(sizeof m) ? 0 : 1);
  }
  close(pipeFds[1]);
  Measurement m;
  const ssize_t got = read(pipeFds[0], &m, sizeof m);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (got != static_cast<ssize_t>(sizeof m) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "measurement failed\n");
    std::exit(1);
  }
  return m;
}

template <typename Measure>
Measurement fastestOfThree(Measure measure) {
  Measurement best = inChild(measure);
  for (int i = 0; i < 2; ++i) {
    const Measurement m = inChild(measure);
    if (m.readSecs + m.prepareSecs < best.readSecs + best.prepareSecs) best = m;
  }
  return best;
}

void printRow(const char* workload, std::size_t size, const Measurement& m) {
  std::printf("%-8s %10zu %10zu %9.3f %10.3f %9.3f %9.3f %9.1f %9.3f\n", workload, size, m.nodes,
              m.readSecs, m.prepareSecs, m.readSecs + m.prepareSecs, m.cpuSecs, m.peakMB,
              m.checkSecs);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t base = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
  if (base == 0 || base > 4000000) {
    std::fprintf(stderr, "usage: nurvo_bench [base size, 1 to 4000000]\n");
    return 2;
  }
  std::printf("%-8s %10s %10s %9s %10s %9s %9s %9s %9s\n", "workload", "size", "nodes", "read s",
              "prepare s", "total s", "cpu s", "peak MB", "check s");
  std::vector<Measurement> read;
  std::vector<Measurement> cut;
  for (const std::size_t size : {base, 2 * base}) {
    read.push_back(fastestOfThree([size] { return measureRead(size); }));
    printRow("read", size, read.back());
  }
  for (const std::size_t size : {base, 2 * base}) {
    cut.push_back(fastestOfThree([size] { return measureCut(size); }));
    printRow("cut", size, cut.back());
  }
  const auto total = [](const Measurement& m) { return m.readSecs + m.prepareSecs; };
  std::printf("\ntwice the size: read takes %.2f times as long (%.2f times the processor time)",
              total(read[1]) / total(read[0]), read[1].cpuSecs / read[0].cpuSecs);
  std::printf(" and %.2f times the memory;\n", read[1].peakMB / read[0].peakMB);
  std::printf("                cut takes %.2f times as long (%.2f times the processor time)",
              total(cut[1]) / total(cut[0]), cut[1].cpuSecs / cut[0].cpuSecs);
  std::printf(" and %.2f times the memory.\n", cut[1].peakMB / cut[0].peakMB);
  return 0;
}
