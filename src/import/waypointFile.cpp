#include "waypointFile.h"

#include <cstring>

#include "numberText.h"
#include "nurvoError.h"
#include "platform.h"
#include "textEncoding.h"
#include "textSink.h"

namespace nurvo {

namespace {

const char* const nulProblem =
    "holds a NUL byte; a waypoint file is text, one latitude and longitude per line";
const std::string longLineProblem =
    strprintf("is longer than %zu bytes; a waypoint file holds one latitude and longitude per line",
              maxWaypointLineBytes);

// What makes `line` unreadable before its numbers are looked at: a NUL byte, its length, a carriage
// return inside it; null where nothing does.
const char* lineTextProblem(std::string_view line) {
  if (line.find('\0') != std::string_view::npos) return nulProblem;
  if (line.size() > maxWaypointLineBytes) return longLineProblem.c_str();
  // A carriage return with more text behind it is an old Mac line end: the file's other waypoints
  // would otherwise vanish silently behind the first one.
  const std::size_t cr = line.find('\r');
  if (cr != std::string_view::npos && !trimBlanks(line.substr(cr)).empty()) {
    return "holds a carriage return inside the line; save the file with LF or CR LF line ends";
  }
  return nullptr;
}

std::string_view withoutLeadingBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}

// The latitude and longitude as written at the start of `s`, which starts with neither a blank nor
// the line's end: what is wrong with them, empty where they are two decimal numbers, each ended by
// a blank or the end of the line.
std::string numberTexts(std::string_view s, std::string_view& latText, std::string_view& lonText) {
  const std::size_t latLen = decimalNumberLength(s);
  if (latLen == 0 || (latLen < s.size() && !isBlank(s[latLen]))) {
    return "expected latitude and longitude in decimal degrees, separated by blanks";
  }
  latText = s.substr(0, latLen);
  s = withoutLeadingBlanks(s.substr(latLen));
  if (s.empty()) return "latitude " + quoted(latText) + " but no longitude";
  const std::size_t lonLen = decimalNumberLength(s);
  if (lonLen == 0)
    return "expected a longitude in decimal degrees after latitude " + quoted(latText);
  lonText = s.substr(0, lonLen);
  // Like the latitude, the longitude ends at a blank or the end of the line: "-121,9" would
  // otherwise be read as -121 and "-121.9abc" taken as a number.
  if (lonLen < s.size() && !isBlank(s[lonLen])) {
    return "unexpected text right after the longitude " + quoted(lonText);
  }
  return {};
}

}  // namespace

WaypointLine parseWaypointLine(std::string_view line) {
  WaypointLine r;
  if (const char* problem = lineTextProblem(line)) {
    r.kind = WaypointLine::bad;
    r.problem = problem;
    return r;
  }
  const std::string_view s = withoutLeadingBlanks(line);
  if (s.empty()) return r;
  r.kind = WaypointLine::bad;
  std::string_view latText;
  std::string_view lonText;
  r.problem = numberTexts(s, latText, lonText);
  if (!r.problem.empty()) return r;
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

// Reads a file line by line, with or without a final line end. A line is given up as soon as a NUL
// byte or more than maxWaypointLineBytes of it are seen, so that no input, not even an endless
// stream of zeros, is read beyond one buffer past the line it fails on.
class LineReader {
 public:
  enum Result { gotLine, endOfFile, tooLong, nulByte };
  LineReader(std::FILE* f, std::string* copy) : f_(f), copy_(copy) {}
  // The bytes buffered at the file's start, before any line is read. Throws on a read error.
  std::string_view start() {
    if (pos_ == len_ && !eof_) fill();
    return {buf_.get() + pos_, len_ - pos_};
  }
  void skip(std::size_t n) { pos_ += n; }
  // The next line without its line end. Throws on a read error.
  Result next(std::string& line) {
    line.clear();
    for (;;) {
      if (pos_ == len_) {
        if (eof_) {
          // A last line without a line end is returned once; after it the file is done.
          const bool more = !line.empty() || pendingLine_;
          pendingLine_ = false;
          return more ? gotLine : endOfFile;
        }
        fill();
        continue;
      }
      pendingLine_ = true;
      const char* begin = buf_.get() + pos_;
      const auto* nl = static_cast<const char*>(std::memchr(begin, '\n', len_ - pos_));
      const std::size_t n = nl != nullptr ? static_cast<std::size_t>(nl - begin) : len_ - pos_;
      if (std::memchr(begin, '\0', n) != nullptr) return nulByte;
      if (line.size() + n > maxWaypointLineBytes) return tooLong;
      line.append(begin, n);
      pos_ += n;
      if (nl != nullptr) {
        ++pos_;
        pendingLine_ = false;
        return gotLine;
      }
    }
  }
  struct ReadError {};

 private:
  void fill() {
    len_ = std::fread(buf_.get(), 1, bufSize, f_);
    pos_ = 0;
    if (copy_ != nullptr) copy_->append(buf_.get(), len_);
    if (len_ < bufSize) {
      if (std::ferror(f_)) throw ReadError();
      eof_ = true;
    }
  }

  static constexpr std::size_t bufSize = 1 << 16;
  std::FILE* f_;
  std::string* copy_;
  std::unique_ptr<char[]> buf_ = std::make_unique<char[]>(bufSize);
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool eof_ = false;
  bool pendingLine_ = false;
};

[[noreturn]] void badLine(std::size_t lineNumber, const std::string& name,
                          std::string_view problem) {
  throw NurvoError(strprintf("line %zu of %s: %.*s\n", lineNumber, name.c_str(),
                             static_cast<int>(problem.size()), problem.data()),
                   {name, lineNumber});
}

}  // namespace

bool readWaypoints(std::FILE* file, const std::string& name, wptList& list, std::string* copy) {
  LineReader reader(file, copy);
  std::string line;
  std::size_t lineNumber = 0;
  std::size_t count = 0;
  try {
    const TextStart start = textStart(reader.start());
    if (start.refusal != nullptr) badLine(1, name, start.refusal);
    reader.skip(start.skip);
    for (;;) {
      const LineReader::Result got = reader.next(line);
      if (got == LineReader::endOfFile) break;
      ++lineNumber;
      if (got == LineReader::nulByte) badLine(lineNumber, name, nulProblem);
      if (got == LineReader::tooLong) badLine(lineNumber, name, longLineProblem);
      const WaypointLine w = parseWaypointLine(line);
      if (w.kind == WaypointLine::blank) continue;
      if (w.kind == WaypointLine::bad) badLine(lineNumber, name, w.problem);
      if (++count > maxRouteNodes) {
        throw NurvoError(
            strprintf("%s holds more than %zu waypoints\n", name.c_str(), maxRouteNodes), {name});
      }
      list.insertLatLonEnd(w.lat, w.lon);
    }
  } catch (const LineReader::ReadError&) {
    return false;
  }
  return true;
}

}  // namespace nurvo
