#include "xmlDocument.h"

#include <boost/property_tree/xml_parser.hpp>
#include <istream>
#include <streambuf>

#include "textSink.h"

namespace nurvo {

namespace {

bool isXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Keys PropertyTree gives to what is not an element.
bool isElementKey(std::string_view key) {
  return key.empty() || key.front() != '<';
}

// A few characters of the text at `offset`, for a message that says what was found.
std::string excerpt(std::string_view text, std::size_t offset) {
  std::string_view s = text.substr(offset, 24);
  s = s.substr(0, s.find_first_of("\r\n"));
  return std::string(s) + (offset + s.size() < text.size() ? "..." : "");
}

// Walks the markup of `text`: start tags, end tags, comments, CDATA sections and processing
// instructions. `onStart(offset, name, selfClosing)` is told every start tag in document order and
// returns false to end the walk. Refuses what parseXml refuses beyond the XML parser's own checks.
template <class OnStart>
void walkMarkup(std::string_view text, OnStart onStart) {
  struct Open {
    std::string_view name;
    std::size_t offset;
  };
  std::vector<Open> open;
  bool rootSeen = false;
  const auto fail = [&](std::size_t at, const std::string& what) {
    throw ImportError(positionAt(text, at), what);
  };
  const auto skipPast = [&](std::size_t from, std::string_view end, const char* what) {
    const std::size_t at = text.find(end, from);
    if (at == std::string_view::npos) fail(from, strprintf("%s is not closed", what));
    return at + end.size();
  };
  const auto nameEnd = [&](std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && !isXmlSpace(text[i]) && text[i] != '>' && text[i] != '/') ++i;
    return i;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '<') {
      if (open.empty() && !isXmlSpace(text[i])) {
        fail(i, "expected XML, found text outside any element: \"" + excerpt(text, i) + "\"");
      }
      ++i;
      continue;
    }
    const std::string_view at = text.substr(i);
    if (at.starts_with("<!--")) {
      i = skipPast(i + 4, "-->", "a comment");
    } else if (at.starts_with("<![CDATA[")) {
      i = skipPast(i + 9, "]]>", "a CDATA section");
    } else if (at.starts_with("<?")) {
      i = skipPast(i + 2, "?>", "a processing instruction");
    } else if (at.starts_with("<!")) {
      // A DTD could define entities that expand a small file into gigabytes.
      fail(i, "found \"" + excerpt(text, i) +
                  "\": a document type or other declaration is refused, no DTD is read");
    } else if (at.starts_with("</")) {
      const std::string_view name = text.substr(i + 2, nameEnd(i + 2) - (i + 2));
      if (open.empty() || open.back().name != name) {
        fail(i, open.empty()
                    ? "end tag </" + std::string(name) + "> without a start tag"
                    : strprintf("end tag </%s> where </%s> (line %zu) was expected",
                                std::string(name).c_str(), std::string(open.back().name).c_str(),
                                positionAt(text, open.back().offset).line));
      }
      open.pop_back();
      i = skipPast(i, ">", "an end tag");
    } else {
      const std::string_view name = text.substr(i + 1, nameEnd(i + 1) - (i + 1));
      if (name.empty()) fail(i, "expected an element name after \"<\"");
      if (open.empty() && rootSeen) fail(i, "a second root element <" + std::string(name) + ">");
      rootSeen = true;
      // The tag ends at the first '>' outside a quoted attribute value.
      std::size_t j = i + 1;
      char quote = 0;
      while (j < text.size() && (quote != 0 || text[j] != '>')) {
        if (quote == 0 && (text[j] == '"' || text[j] == '\'')) {
          quote = text[j];
        } else if (text[j] == quote) {
          quote = 0;
        }
        ++j;
      }
      if (j == text.size()) fail(i, "the tag <" + std::string(name) + "> is not closed");
      const bool selfClosing = text[j - 1] == '/';
      if (!onStart(i, name, selfClosing)) return;
      if (!selfClosing) open.push_back({name, i});
      i = j + 1;
    }
  }
  if (!open.empty()) {
    fail(open.back().offset, "the element <" + std::string(open.back().name) + "> is not closed");
  }
}

// The offset of the n-th (from 0) start tag of the text.
std::size_t startTagOffset(std::string_view text, std::size_t n) {
  std::size_t found = std::string_view::npos;
  std::size_t seen = 0;
  walkMarkup(text, [&](std::size_t offset, std::string_view, bool) {
    if (seen++ < n) return true;
    found = offset;
    return false;
  });
  return found;
}

// How many elements come before `target` in document order, counting from `tree`'s children.
bool countElementsBefore(const XmlTree& tree, const XmlTree* target, std::size_t& count) {
  for (const auto& [key, child] : tree) {
    if (!isElementKey(key)) continue;
    if (&child == target) return true;
    ++count;
    if (countElementsBefore(child, target, count)) return true;
  }
  return false;
}

std::size_t elementOffset(const XmlDocument& doc, const XmlTree& element) {
  std::size_t before = 0;
  if (!countElementsBefore(doc.tree, &element, before)) return std::string_view::npos;
  return startTagOffset(doc.text, before);
}

// A read-only stream over the text, so that the parser reads it without a copy of its own.
class ViewBuffer : public std::streambuf {
 public:
  explicit ViewBuffer(std::string_view text) {
    char* p = const_cast<char*>(text.data());
    setg(p, p, p + text.size());
  }
};

// "longitude,latitude" or "longitude,latitude,altitude"; the altitude is not used.
GeoPoint coordinateTuple(std::string_view tuple) {
  const std::size_t comma = tuple.find(',');
  const std::size_t second = comma == std::string_view::npos ? comma : tuple.find(',', comma + 1);
  if (comma == std::string_view::npos ||
      (second != std::string_view::npos && tuple.find(',', second + 1) != std::string_view::npos)) {
    throw ImportError(
        {}, "expected longitude,latitude[,altitude], found \"" + excerpt(tuple, 0) + "\"");
  }
  const std::size_t latLength = second == std::string_view::npos ? second : second - comma - 1;
  GeoPoint p;
  p.lon = parseCoordinate(tuple.substr(0, comma), Axis::longitude, {});
  p.lat = parseCoordinate(tuple.substr(comma + 1, latLength), Axis::latitude, {});
  return p;
}

}  // namespace

XmlDocument parseXml(std::string_view text) {
  walkMarkup(text, [](std::size_t, std::string_view, bool) { return true; });
  XmlDocument doc{text, {}};
  ViewBuffer buffer(text);
  std::istream in(&buffer);
  try {
    boost::property_tree::read_xml(in, doc.tree, boost::property_tree::xml_parser::no_comments);
  } catch (const boost::property_tree::xml_parser_error& e) {
    throw ImportError({e.line(), 0}, "not well-formed XML: " + e.message());
  }
  return doc;
}

std::string_view rootName(const XmlDocument& doc) {
  return doc.tree.front().first;
}

const XmlTree& rootElement(const XmlDocument& doc) {
  return doc.tree.front().second;
}

std::string_view localName(std::string_view qualified) {
  const std::size_t colon = qualified.find(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

std::vector<const XmlTree*> childElements(const XmlTree& element, std::string_view name) {
  std::vector<const XmlTree*> children;
  for (const auto& [key, child] : element) {
    if (isElementKey(key) && localName(key) == name) children.push_back(&child);
  }
  return children;
}

std::string childText(const XmlTree& element, std::string_view name) {
  const std::vector<const XmlTree*> children = childElements(element, name);
  if (children.empty()) return {};
  std::string_view s = children.front()->data();
  while (!s.empty() && isXmlSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isXmlSpace(s.back())) s.remove_suffix(1);
  return std::string(s);
}

const std::string* attribute(const XmlTree& element, std::string_view name) {
  const auto attributes = element.find("<xmlattr>");
  if (attributes == element.not_found()) return nullptr;
  for (const auto& [key, value] : attributes->second) {
    if (key == name) return &value.data();
  }
  return nullptr;
}

TextPos elementPosition(const XmlDocument& doc, const XmlTree& element) {
  const std::size_t offset = elementOffset(doc, element);
  return offset == std::string_view::npos ? TextPos{} : positionAt(doc.text, offset);
}

TextPos attributePosition(const XmlDocument& doc, const XmlTree& element, std::string_view name) {
  const std::string_view text = doc.text;
  const std::size_t tag = elementOffset(doc, element);
  if (tag == std::string_view::npos) return {};
  std::size_t i = tag + 1;
  while (i < text.size() && !isXmlSpace(text[i]) && text[i] != '>') ++i;
  while (i < text.size() && text[i] != '>' && text[i] != '/') {
    while (i < text.size() && isXmlSpace(text[i])) ++i;
    const std::size_t nameStart = i;
    while (i < text.size() && text[i] != '=' && !isXmlSpace(text[i]) && text[i] != '>') ++i;
    const std::string_view attrName = text.substr(nameStart, i - nameStart);
    const std::size_t quote = text.find_first_of("\"'", i);
    if (quote == std::string_view::npos) break;
    if (attrName == name) return positionAt(text, quote + 1);
    const std::size_t close = text.find(text[quote], quote + 1);
    if (close == std::string_view::npos) break;
    i = close + 1;
  }
  return positionAt(text, tag);
}

TextPos wordPosition(const XmlDocument& doc, const XmlTree& element, std::size_t word) {
  const std::string_view text = doc.text;
  const std::size_t tag = elementOffset(doc, element);
  if (tag == std::string_view::npos) return {};
  std::size_t i = text.find('>', tag);  // the walk has accepted the tag: it ends here
  std::size_t seen = 0;
  for (++i; i < text.size() && text[i] != '<' && text[i] != '&'; ++i) {
    if (isXmlSpace(text[i])) continue;
    if (seen++ == word) return positionAt(text, i);
    while (i + 1 < text.size() && !isXmlSpace(text[i + 1]) && text[i + 1] != '<' &&
           text[i + 1] != '&') {
      ++i;
    }
  }
  return positionAt(text, tag);
}

GeoPoint latLonAttributes(const XmlDocument& doc, const XmlTree& element) {
  GeoPoint p;
  for (const Axis axis : {Axis::latitude, Axis::longitude}) {
    const char* name = axis == Axis::latitude ? "lat" : "lon";
    const std::string* value = attribute(element, name);
    if (value == nullptr) {
      throw ImportError(elementPosition(doc, element),
                        strprintf("expected attribute %s (the %s in decimal degrees)", name,
                                  axis == Axis::latitude ? "latitude" : "longitude"));
    }
    // Positions are looked for only on a refusal: finding one walks the whole text.
    try {
      (axis == Axis::latitude ? p.lat : p.lon) = parseCoordinate(*value, axis, {});
    } catch (const ImportError& e) {
      throw ImportError(attributePosition(doc, element, name), e.what());
    }
  }
  return p;
}

std::vector<GeoPoint> coordinateTuples(const XmlDocument& doc, const XmlTree& element) {
  std::vector<GeoPoint> points;
  const std::string_view text = element.data();
  std::size_t i = 0;
  std::size_t word = 0;
  while (i < text.size()) {
    if (isXmlSpace(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && !isXmlSpace(text[end])) ++end;
    const std::string_view tuple = text.substr(i, end - i);
    // Positions are looked for only on a refusal: finding one walks the whole text.
    try {
      points.push_back(coordinateTuple(tuple));
    } catch (const ImportError& e) {
      throw ImportError(wordPosition(doc, element, word), e.what());
    }
    ++word;
    i = end;
  }
  return points;
}

}  // namespace nurvo
