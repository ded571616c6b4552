// Fuzzes a whole run in-process: option parsing, reading, route preparation and the rendering of
// all four files, with a fixed clock and files that go nowhere.
//
// Input: the lines before the first empty line are the command-line words, one per line; the rest
// is the waypoint file, whose name the harness appends as the last word. A run that answers with
// --interactive is given that name on its console and nothing more.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "calcs.h"
#include "fuzzCheck.h"
#include "nurvo.h"
#include "platform.h"

namespace {

using nurvo::fuzz::check;

// Every output byte goes to /dev/null; there is no earlier file, and syncs, renames and removals
// touch nothing.
class NullFileOps : public nurvo::FileOps {
 public:
  std::FILE* createExclusive(const std::string&) override { return std::fopen("/dev/null", "w"); }
  bool sync(std::FILE*) override { return true; }
  bool keep(const std::string&, const std::string&) override {
    errno = ENOENT;
    return false;
  }
  bool rename(const std::string&, const std::string&) override { return true; }
  bool syncFolder(nurvo::FolderLock&) override { return true; }
  void remove(const std::string&) override {}
};

const char* const routeName = "route.txt";

// Waypoints up to the first bad line, as the reader keeps them.
std::vector<nurvo::WaypointLine> waypointsOf(std::string_view text) {
  std::vector<nurvo::WaypointLine> points;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    nurvo::WaypointLine w = nurvo::parseWaypointLine(text.substr(0, nl));
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (w.kind == nurvo::WaypointLine::bad) break;
    if (w.kind == nurvo::WaypointLine::waypoint) points.push_back(w);
  }
  return points;
}

// The smallest maxLegMeters that the words set ("--maxL" onwards abbreviates it), or the default.
double smallestMaxLeg(const std::vector<std::string>& words) {
  double smallest = nurvo::MissionParams{}.maxLegMeters;
  const std::string_view full = "maxLegMeters";
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string_view w = words[i];
    if (w.size() < 6 || w.substr(0, 2) != "--") continue;
    w.remove_prefix(2);
    const std::size_t eq = w.find('=');
    const std::string_view name = w.substr(0, eq);
    if (name.size() < 4 || full.substr(0, name.size()) != name) continue;
    std::string value;
    if (eq != std::string_view::npos) {
      value = std::string(w.substr(eq + 1));
    } else if (i + 1 < words.size()) {
      value = words[i + 1];
    }
    if (const std::optional<double> v = nurvo::parseDoubleValue(value); v && *v > 0.0) {
      smallest = std::min(smallest, *v);
    }
  }
  return smallest;
}

// How many nodes the prepared route would hold, roughly; large routes are the benchmark's
// business and would only slow the fuzzing down.
double preparedNodes(const std::vector<nurvo::WaypointLine>& points, double maxLeg) {
  double nodes = 1.0 + static_cast<double>(points.size());
  for (std::size_t i = 1; i < points.size(); ++i) {
    const double leg =
        nurvo::dist(points[i - 1].lat, points[i - 1].lon, points[i].lat, points[i].lon);
    nodes += leg / maxLeg;
  }
  return nodes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Runs happen in an empty directory of their own, so that names typed by the fuzzer find nothing.
  char dir[] = "/tmp/nurvo-fuzz-run-XXXXXX";
  if (::mkdtemp(dir) == nullptr || ::chdir(dir) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words;
  while (!input.empty()) {
    const std::size_t nl = input.find('\n');
    const std::string_view w = input.substr(0, nl);
    input = nl == std::string_view::npos ? std::string_view() : input.substr(nl + 1);
    if (w.empty()) break;
    words.emplace_back(w.substr(0, w.find('\0')));  // a command-line word ends at a NUL
  }
  // Words naming other places (/dev/zero, ../x) are not the waypoint file the harness provides.
  if (words.size() > 40) return 0;
  for (const std::string& w : words) {
    if (w.find('/') != std::string::npos) return 0;
  }
  if (preparedNodes(waypointsOf(input), smallestMaxLeg(words)) > 2000.0) return 0;

  if (std::FILE* f = std::fopen(routeName, "wb")) {
    std::fwrite(input.data(), 1, input.size(), f);
    std::fclose(f);
  } else {
    std::abort();
  }

  words.insert(words.begin(), "nurvo");
  words.emplace_back(routeName);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  nurvo::StringConsole console(std::string(routeName) + "\n");
  // 7 December 2026, 15:29:30 UTC: the run's files are named 2026_340_1529.
  const nurvo::FixedClock clock(*nurvo::utcTime(1796657370));
  NullFileOps files;
  const int status = nurvo::run(static_cast<int>(words.size()), argv.data(), console, clock, files);

  check(status == 0 || status == 1, "status 0 or 1");
  // Option values and, in interactive mode, the waypoint file are echoed: an input holding the
  // words would fool the count.
  if (std::string_view(reinterpret_cast<const char*>(data), size).find("Wrote") !=
      std::string_view::npos) {
    return 0;
  }
  const std::string& out = console.output;
  std::size_t wrote = 0;
  for (std::size_t p = out.find("**** Wrote"); p != std::string::npos;
       p = out.find("**** Wrote", p + 1)) {
    ++wrote;
  }
  if (status == 0) {
    // --version ends a run at once with its line (after the usage text of an earlier --help).
    const bool versionOnly = wrote == 0 && out.ends_with("nurvo " NURVO_VERSION "\n");
    // The four mission files, and up to four exports chosen with --export.
    check((wrote >= 4 && wrote <= 8) || versionOnly,
          "a successful run confirms its four files and its exports, or tells the version");
  } else {
    check(wrote == 0, "a failed run before writing confirms no file");
    check(!out.empty(), "a failed run says why");
  }
  return 0;
}
