// Reads a large route from a plain waypoint file, a GPX route, a GeoJSON LineString, a KML
// LineString and a CSV file of the same points, and prints the time and the peak memory of each.
//
//   nurvo_import_bench [points]     (default 1000000)
//
// Each file is read in a child process of its own, so that the peak resident size (getrusage
// ru_maxrss) belongs to that reading alone; the fastest of three runs is shown.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "routeImport.h"

namespace {

struct Format {
  const char* name;
  const char* extension;
  const char* head;
  const char* point;  // printf format of one point
  bool lonFirst;      // the point's format takes the longitude first
  const char* separator;
  const char* tail;
};

// One point of a serpentine grid of rows of 2000 points 0.01 degree apart.
void gridPoint(std::size_t i, double& lat, double& lon) {
  const std::size_t row = i / 2000;
  const std::size_t col = row % 2 == 0 ? i % 2000 : 1999 - i % 2000;
  lat = 30.0 + 0.01 * static_cast<double>(row);
  lon = -125.0 + 0.01 * static_cast<double>(col);
}

std::string writeFile(const Format& format, std::size_t count) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp != nullptr ? tmp : "/tmp") + "/nurvo-import-bench-" +
                           std::to_string(getpid()) + format.extension;
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) std::abort();
  std::fputs(format.head, f);
  for (std::size_t i = 0; i < count; ++i) {
    double lat = 0, lon = 0;
    gridPoint(i, lat, lon);
    if (i > 0) std::fputs(format.separator, f);
    std::fprintf(f, format.point, format.lonFirst ? lon : lat, format.lonFirst ? lat : lon);
  }
  std::fputs(format.tail, f);
  std::fclose(f);
  return path;
}

struct Result {
  double seconds = 0;
  double peakMB = 0;
  long long points = 0;
};

// Reads `path` in a child process; returns its time, peak memory and number of points.
Result measure(const std::string& path) {
  int fds[2];
  if (pipe(fds) != 0) std::abort();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const auto start = std::chrono::steady_clock::now();
    nurvo::wptList route;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr || !nurvo::readRouteFile(f, path, {}, route)) std::_Exit(2);
    Result r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const nurvo::node* n = route.head(); n != nullptr; n = n->nextPtr) ++r.points;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    r.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (write(fds[1], &r, sizeof r) != sizeof r) std::_Exit(3);
    std::_Exit(0);
  }
  close(fds[1]);
  Result r;
  if (read(fds[0], &r, sizeof r) != sizeof r) r.points = -1;
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
  const Format formats[] = {
      {"plain", ".txt", "", "%.6f %.6f", false, "\n", "\n"},
      {"GPX route", ".gpx", "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\">\n<rte>\n",
       "<rtept lat=\"%.6f\" lon=\"%.6f\"/>", false, "\n", "\n</rte>\n</gpx>\n"},
      {"GeoJSON LineString", ".geojson", "{\"type\":\"LineString\",\"coordinates\":[\n",
       "[%.6f,%.6f]", true, ",\n", "\n]}\n"},
      {"KML LineString", ".kml", "<kml><Placemark><LineString><coordinates>\n", "%.6f,%.6f", true,
       "\n", "\n</coordinates></LineString></Placemark></kml>\n"},
      {"CSV", ".csv", "lat,lon\n", "%.6f,%.6f", false, "\n", "\n"},
  };
  std::printf("Reading a route of %zu points (fastest of 3 runs)\n", count);
  std::printf("%-20s %10s %10s %12s %10s\n", "format", "file MB", "seconds", "peak MB", "points");
  for (const Format& format : formats) {
    const std::string path = writeFile(format, count);
    Result best;
    for (int run = 0; run < 3; ++run) {
      const Result r = measure(path);
      if (run == 0 || r.seconds < best.seconds) best = r;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const double fileMB = static_cast<double>(std::ftell(f)) / (1024.0 * 1024.0);
    std::fclose(f);
    std::remove(path.c_str());
    std::printf("%-20s %10.1f %10.3f %12.1f %10lld\n", format.name, fileMB, best.seconds,
                best.peakMB, best.points);
  }
  return 0;
}
