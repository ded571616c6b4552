#include "waypointFile.h"

#include <cstring>

#include "numberText.h"
#include "nurvoError.h"
#include "platform.h"
#include "textSink.h"

namespace nurvo {

WaypointLine parseWaypointLine(std::string_view line) {
  WaypointLine r;
  if (line.find('\0') != std::string_view::npos) {
    r.kind = WaypointLine::bad;
    r.problem = "holds a NUL byte; a waypoint file is text, one latitude and longitude per line";
    return r;
  }
  // A carriage return with more text behind it is an old Mac line end: the file's other waypoints
  // would otherwise vanish silently behind the first one.
  const std::size_t cr = line.find('\r');
  if (cr != std::string_view::npos && !trimBlanks(line.substr(cr)).empty()) {
    r.kind = WaypointLine::bad;
    r.problem = "holds a carriage return inside the line; save the file with LF or CR LF line ends";
    return r;
  }
  std::string_view s = line;
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  if (s.empty()) return r;

  r.kind = WaypointLine::bad;
  const std::size_t latLen = decimalNumberLength(s);
  if (latLen == 0 || (latLen < s.size() && !isBlank(s[latLen]))) {
    r.problem = "expected latitude and longitude in decimal degrees, separated by blanks";
    return r;
  }
  const std::string_view latText = s.substr(0, latLen);
  s.remove_prefix(latLen);
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  if (s.empty()) {
    r.problem = "latitude " + quoted(latText) + " but no longitude";
    return r;
  }
  const std::size_t lonLen = decimalNumberLength(s);
  if (lonLen == 0) {
    r.problem = "expected a longitude in decimal degrees after latitude " + quoted(latText);
    return r;
  }
  const std::string_view lonText = s.substr(0, lonLen);
  // Like the latitude, the longitude ends at a blank or the end of the line: "-121,9" would
  // otherwise be read as -121 and "-121.9abc" taken as a number.
  if (lonLen < s.size() && !isBlank(s[lonLen])) {
    r.problem = "unexpected text right after the longitude " + quoted(lonText);
    return r;
  }
  r.lat = toDouble(latText);
  r.lon = toDouble(lonText);
  if (!(r.lat >= -90.0 && r.lat <= 90.0)) {
    r.problem = "latitude " + quoted(latText) + " is outside -90 to 90";
    return r;
  }
  if (!(r.lon >= -180.0 && r.lon <= 180.0)) {
    r.problem = "longitude " + quoted(lonText) + " is outside -180 to 180";
    return r;
  }
  r.kind = WaypointLine::waypoint;
  return r;
}

FilePtr openWaypointFile(const std::string& name) {
  if (isDirectory(name)) return nullptr;
  // Binary: the Windows runtime's text mode would end the file at a Ctrl-Z byte. The reader
  // takes CR LF line ends itself.
  return FilePtr(std::fopen(name.c_str(), "rb"));
}

namespace {

// Reads a file line by line, lines of any length, with or without a final line end.
class LineReader {
 public:
  LineReader(std::FILE* f, std::string* copy) : f_(f), copy_(copy) {}
  // The next line without its line end; false at the end of the file. Throws on a read error.
  bool next(std::string& line) {
    line.clear();
    for (;;) {
      if (pos_ == len_) {
        if (eof_) {
          // A last line without a line end is returned once; after it the file is done.
          const bool more = !line.empty() || pendingLine_;
          pendingLine_ = false;
          return more;
        }
        len_ = std::fread(buf_.get(), 1, bufSize, f_);
        pos_ = 0;
        if (copy_ != nullptr) copy_->append(buf_.get(), len_);
        if (len_ < bufSize) {
          if (std::ferror(f_)) throw ReadError();
          eof_ = true;
        }
        continue;
      }
      pendingLine_ = true;
      const char* start = buf_.get() + pos_;
      const void* nl = std::memchr(start, '\n', len_ - pos_);
      if (nl != nullptr) {
        const std::size_t n = static_cast<std::size_t>(static_cast<const char*>(nl) - start);
        line.append(start, n);
        pos_ += n + 1;
        pendingLine_ = false;
        return true;
      }
      line.append(start, len_ - pos_);
      pos_ = len_;
    }
  }
  struct ReadError {};

 private:
  static constexpr std::size_t bufSize = 1 << 16;
  std::FILE* f_;
  std::string* copy_;
  std::unique_ptr<char[]> buf_ = std::make_unique<char[]>(bufSize);
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool eof_ = false;
  bool pendingLine_ = false;
};

}  // namespace

bool readWaypoints(std::FILE* file, const std::string& name, wptList& list, std::string* copy) {
  LineReader reader(file, copy);
  std::string line;
  std::size_t lineNumber = 0;
  std::size_t count = 0;
  try {
    while (reader.next(line)) {
      ++lineNumber;
      const WaypointLine w = parseWaypointLine(line);
      if (w.kind == WaypointLine::blank) continue;
      if (w.kind == WaypointLine::bad) {
        throw NurvoError(
            strprintf("line %zu of %s: %s\n", lineNumber, name.c_str(), w.problem.c_str()));
      }
      if (++count > maxRouteNodes) {
        throw NurvoError(
            strprintf("%s holds more than %zu waypoints\n", name.c_str(), maxRouteNodes));
      }
      list.insertLatLonEnd(w.lat, w.lon);
    }
  } catch (const LineReader::ReadError&) {
    return false;
  }
  return true;
}

}  // namespace nurvo
