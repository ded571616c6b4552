#include "xmlDocument.h"

#include <algorithm>
#include <boost/property_tree/xml_parser.hpp>
#include <cctype>
#include <istream>
#include <optional>
#include <streambuf>

#include "message.h"
#include "numberText.h"

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

[[noreturn]] void refuse(std::string_view text, std::size_t at, const std::string& what) {
  throw ImportError(positionAt(text, at), what);
}

bool isNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool isNameChar(char c) {
  return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// The end of the XML name that starts at `from`; `from` itself where none starts there.
std::size_t nameEnd(std::string_view text, std::size_t from) {
  if (from >= text.size() || !isNameStart(text[from])) return from;
  std::size_t i = from + 1;
  while (i < text.size() && isNameChar(text[i])) ++i;
  return i;
}

std::size_t skipBlanks(std::string_view text, std::size_t i) {
  while (i < text.size() && isXmlSpace(text[i])) ++i;
  return i;
}

bool isXmlChar(unsigned long c) {
  return c == 0x9 || c == 0xa || c == 0xd || (c >= 0x20 && c <= 0xd7ff) ||
         (c >= 0xe000 && c <= 0xfffd) || (c >= 0x10000 && c <= 0x10ffff);
}

// The character a reference such as "&#10;" stands for, or 0 where it is no character reference.
unsigned long referencedCharacter(std::string_view reference) {
  if (!reference.starts_with("&#")) return 0;
  const bool hex = reference.size() > 2 && reference[2] == 'x';
  unsigned long value = 0;
  for (char c : reference.substr(hex ? 3 : 2)) {
    int digit = -1;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    }
    if (digit < 0) break;
    value = std::min(value * (hex ? 16 : 10) + static_cast<unsigned long>(digit), 0x110000UL);
  }
  return value;
}

// The end of the reference that starts with the '&' at `at`: one of the five entities XML defines
// or a character reference. Refuses any other, and a '&' that starts none.
std::size_t referenceEnd(std::string_view text, std::size_t at) {
  std::size_t i = at + 1;
  if (i < text.size() && text[i] == '#') {
    const bool hex = i + 1 < text.size() && text[i + 1] == 'x';
    i += hex ? 2 : 1;
    const std::size_t digits = i;
    const auto isDigitOfReference = [&](char c) {
      return isDigit(c) || (hex && std::isxdigit(static_cast<unsigned char>(c)) != 0);
    };
    while (i < text.size() && isDigitOfReference(text[i])) ++i;
    if (i == digits || i == text.size() || text[i] != ';') {
      refuse(text, at,
             "expected a character reference such as &#176; or &#xB0;, found \"" +
                 excerpt(text, at) + "\"");
    }
    if (!isXmlChar(referencedCharacter(text.substr(at, i - at)))) {
      refuse(text, at,
             "the character reference " +
                 std::string(text.substr(at, std::min<std::size_t>(i + 1 - at, 24))) +
                 " names no character that XML allows");
    }
    return i + 1;
  }
  const std::size_t end = nameEnd(text, i);
  if (end == i || end == text.size() || text[end] != ';') {
    refuse(text, at, "found a bare \"&\"; write it as &amp;");
  }
  const std::string_view name = text.substr(i, end - i);
  if (name != "lt" && name != "gt" && name != "amp" && name != "apos" && name != "quot") {
    refuse(text, at,
           "the entity &" + std::string(name.substr(0, 24)) +
               "; is not defined (no DTD is read): write &lt; &gt; &amp; &apos; &quot; or a "
               "character reference such as &#160;");
  }
  return end + 1;
}

struct Attribute {
  std::string_view name;
  std::size_t offset;
};

// Refuses an attribute that the start tag <`name` names twice, of its `attributes`. Sorted, a name
// given twice is found in n log n even in a tag of many attributes; the one refused is the first
// that repeats an earlier one in the text.
void refuseRepeatedAttribute(std::string_view text, std::string_view name,
                             std::vector<Attribute>& attributes) {
  std::sort(attributes.begin(), attributes.end(), [](const Attribute& x, const Attribute& y) {
    return x.name != y.name ? x.name < y.name : x.offset < y.offset;
  });
  const Attribute* twice = nullptr;
  for (std::size_t k = 1; k < attributes.size(); ++k) {
    if (attributes[k].name == attributes[k - 1].name &&
        (twice == nullptr || attributes[k].offset < twice->offset)) {
      twice = &attributes[k];
    }
  }
  if (twice != nullptr) {
    refuse(text, twice->offset,
           "the attribute \"" + std::string(twice->name) + "\" appears twice in the tag <" +
               std::string(name) + ">");
  }
}

// The offset of the '>' that ends the start tag <`name` at `tag`, its attributes read strictly:
// each a name, "=" and a quoted value without '<' and with defined references only, none named
// twice. `attributes` is room for the attributes' names.
std::size_t startTagEnd(std::string_view text, std::size_t tag, std::string_view name,
                        std::vector<Attribute>& attributes) {
  const auto fail = [&](std::size_t at, const std::string& what) { refuse(text, at, what); };
  const auto found = [&](std::size_t at) { return "found \"" + excerpt(text, at) + "\""; };
  const auto tagName = [&] { return "the tag <" + std::string(name) + ">"; };
  const auto notClosed = [&](std::size_t j) {
    if (j >= text.size()) fail(tag, tagName() + " is not closed");
  };
  attributes.clear();
  std::size_t j = tag + 1 + name.size();
  for (;;) {
    const std::size_t blank = j;
    j = skipBlanks(text, j);
    notClosed(j);
    if (text[j] == '>') break;
    if (text.substr(j).starts_with("/>")) {
      ++j;
      break;
    }
    const std::size_t nameStop = nameEnd(text, j);
    if (nameStop == j) {
      fail(j, "expected an attribute name, \">\" or \"/>\" in " + tagName() + ", " + found(j));
    }
    const std::string_view attr = text.substr(j, nameStop - j);
    const auto quoted = [&] { return "\"" + std::string(attr) + "\""; };
    if (j == blank) fail(j, "expected a blank before the attribute " + quoted());
    attributes.push_back({attr, j});
    j = skipBlanks(text, nameStop);
    notClosed(j);
    if (text[j] != '=') fail(j, "expected \"=\" after the attribute " + quoted() + ", " + found(j));
    j = skipBlanks(text, j + 1);
    notClosed(j);
    const char quote = text[j];
    if (quote != '"' && quote != '\'') {
      fail(j, "expected the value of the attribute " + quoted() + " in quotes, " + found(j));
    }
    for (++j; j < text.size() && text[j] != quote;) {
      if (text[j] == '<') {
        fail(j, "found \"<\" in the value of the attribute " + quoted() + "; write it as &lt;");
      }
      j = text[j] == '&' ? referenceEnd(text, j) : j + 1;
    }
    notClosed(j);
    ++j;
  }
  refuseRepeatedAttribute(text, name, attributes);
  return j;
}

// An element whose start tag the walk has read and whose end tag it has not.
struct OpenElement {
  std::string_view name;
  std::size_t offset;
};

// What to say of the text at `at`: a few characters of it, or that the text ends.
std::string foundAt(std::string_view text, std::size_t at) {
  return at < text.size() ? "found \"" + excerpt(text, at) + "\"" : std::string("found the end");
}

// The place after one step through character data at `i` (no '<' there): one character, or a
// whole reference. Outside the root element only blanks may stand.
std::size_t characterDataStep(std::string_view text, std::size_t i, bool insideRoot) {
  if (!insideRoot) {
    if (!isXmlSpace(text[i])) {
      refuse(text, i, "expected XML, found text outside any element: \"" + excerpt(text, i) + "\"");
    }
    return i + 1;
  }
  if (text[i] == '&') return referenceEnd(text, i);
  if (text.substr(i).starts_with("]]>")) {
    refuse(text, i, "found \"]]>\" outside a CDATA section; write it as ]]&gt;");
  }
  return i + 1;
}

// The place after the end of `end`, looked for from `from`; refused, as `what`, where it is
// missing.
std::size_t pastEnd(std::string_view text, std::size_t from, std::string_view end,
                    const char* what) {
  const std::size_t at = text.find(end, from);
  if (at == std::string_view::npos) refuse(text, from, strprintf("%s is not closed", what));
  return at + end.size();
}

// The place after the comment, CDATA section or processing instruction at `i`; a declaration is
// refused. Nothing where none of these starts at `i`.
std::optional<std::size_t> otherMarkupEnd(std::string_view text, std::size_t i, bool insideRoot) {
  const std::string_view at = text.substr(i);
  if (at.starts_with("<!--")) {
    const std::size_t dashes = text.find("--", i + 4);
    if (dashes == std::string_view::npos) refuse(text, i, "a comment is not closed");
    if (dashes + 2 >= text.size() || text[dashes + 2] != '>') {
      refuse(text, dashes,
             "found \"--\" inside a comment, where XML allows it only in the closing -->");
    }
    return dashes + 3;
  }
  if (at.starts_with("<![CDATA[")) {
    if (!insideRoot) refuse(text, i, "expected XML, found a CDATA section outside any element");
    return pastEnd(text, i + 9, "]]>", "a CDATA section");
  }
  if (at.starts_with("<?")) return pastEnd(text, i + 2, "?>", "a processing instruction");
  if (at.starts_with("<!")) {
    refuse(text, i,
           "found \"" + excerpt(text, i) +
               "\": a document type or other declaration is refused, no DTD is read");
  }
  return std::nullopt;
}

// The place after the end tag at `i`, which must close the element open last.
std::size_t endTagEnd(std::string_view text, std::size_t i, std::vector<OpenElement>& open) {
  const std::string_view name = text.substr(i + 2, nameEnd(text, i + 2) - (i + 2));
  if (open.empty() || open.back().name != name) {
    refuse(text, i,
           open.empty()
               ? "end tag </" + std::string(name) + "> without a start tag"
               : strprintf("end tag </%s> where </%s> (line %zu) was expected",
                           std::string(name).c_str(), std::string(open.back().name).c_str(),
                           positionAt(text, open.back().offset).line));
  }
  const std::size_t j = skipBlanks(text, i + 2 + name.size());
  if (j == text.size()) refuse(text, i, "an end tag is not closed");
  if (text[j] != '>') {
    refuse(text, j,
           "expected \">\" to end the end tag </" + std::string(name) + ">, " + foundAt(text, j));
  }
  open.pop_back();
  return j + 1;
}

// Walks the markup of `text`: start tags, end tags, comments, CDATA sections and processing
// instructions. `onStart(offset, name, selfClosing)` is told every start tag in document order and
// returns false to end the walk. Refuses what is not well-formed XML, with the position, before
// the XML parser sees it (which does not check all of it, and tells only the line): besides what
// the grammar of tags, references and comments demands, a second attribute of the same name, text
// or CDATA outside the root element, a DTD (which could define entities that expand a small file
// into gigabytes) and elements nested deeper than maxNesting (which the parser reads, and the tree
// frees, by recursion).
template <class OnStart>
void walkMarkup(std::string_view text, OnStart onStart) {
  std::vector<OpenElement> open;
  std::vector<Attribute> attributes;  // those of the tag being read
  bool rootSeen = false;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '<') {
      i = characterDataStep(text, i, !open.empty());
    } else if (const std::optional<std::size_t> past = otherMarkupEnd(text, i, !open.empty())) {
      i = *past;
    } else if (text.substr(i).starts_with("</")) {
      i = endTagEnd(text, i, open);
    } else {
      const std::size_t nameStop = nameEnd(text, i + 1);
      const std::string_view name = text.substr(i + 1, nameStop - (i + 1));
      if (name.empty()) refuse(text, i, "expected an element name after \"<\"");
      if (open.empty() && rootSeen) {
        refuse(text, i, "a second root element <" + std::string(name) + ">");
      }
      if (open.size() == maxNesting) {
        refuse(text, i,
               strprintf("the element <%s> lies %zu levels deep; elements are read to %zu levels "
                         "at most",
                         std::string(name).c_str(), open.size() + 1, maxNesting));
      }
      rootSeen = true;
      const std::size_t end = startTagEnd(text, i, name, attributes);
      const bool selfClosing = text[end - 1] == '/';
      if (!onStart(i, name, selfClosing)) return;
      if (!selfClosing) open.push_back({name, i});
      i = end + 1;
    }
  }
  if (!open.empty()) {
    refuse(text, open.back().offset,
           "the element <" + std::string(open.back().name) + "> is not closed");
  }
}

// The offset of the '>' that ends the tag starting at `offset`; the walk has accepted the tag.
std::size_t tagEnd(std::string_view text, std::size_t offset) {
  char quote = 0;
  std::size_t j = offset + 1;
  for (; j < text.size() && (quote != 0 || text[j] != '>'); ++j) {
    if (quote == 0 && (text[j] == '"' || text[j] == '\'')) {
      quote = text[j];
    } else if (text[j] == quote) {
      quote = 0;
    }
  }
  return j;
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

// "longitude,latitude" or "longitude,latitude,altitude", the `word`-th tuple of `element`'s text;
// the altitude is not used.
GeoPoint coordinateTuple(const XmlDocument& doc, const XmlTree& element, std::string_view tuple,
                         std::size_t word) {
  // Positions are looked for only on a refusal: finding one walks the whole text.
  const auto where = [&](Axis) { return wordPosition(doc, element, word); };
  const std::size_t comma = tuple.find(',');
  const std::size_t second = comma == std::string_view::npos ? comma : tuple.find(',', comma + 1);
  if (comma == std::string_view::npos ||
      (second != std::string_view::npos && tuple.find(',', second + 1) != std::string_view::npos)) {
    throw ImportError(where(Axis::longitude), "expected longitude,latitude[,altitude], found \"" +
                                                  excerpt(tuple, 0) + "\"");
  }
  const std::size_t latLength = second == std::string_view::npos ? second : second - comma - 1;
  const auto text = [&](Axis axis) {
    return axis == Axis::longitude ? tuple.substr(0, comma) : tuple.substr(comma + 1, latLength);
  };
  return coordinatePair(Axis::longitude, text, where);
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
  // The element's text is what lies between its tags outside child elements, comments and
  // processing instructions: plain text, with a reference standing for one character, and the
  // contents of CDATA sections.
  std::size_t depth = 0;  // of the child elements the walk is inside
  std::size_t seen = 0;
  bool inWord = false;
  const auto character = [&](bool blank) {
    const bool starts = !blank && !inWord && depth == 0;
    if (depth == 0) inWord = !blank;
    return starts && seen++ == word;
  };
  std::size_t i = tagEnd(text, tag);
  if (text[i - 1] == '/') return positionAt(text, tag);
  for (++i; i < text.size();) {
    const std::string_view at = text.substr(i);
    if (at.starts_with("<![CDATA[")) {
      const std::size_t end = text.find("]]>", i + 9);
      for (std::size_t k = i + 9; k < end; ++k) {
        if (character(isXmlSpace(text[k]))) return positionAt(text, k);
      }
      i = end + 3;
    } else if (at.starts_with("<!--")) {
      i = text.find("-->", i + 4) + 3;
    } else if (at.starts_with("<?")) {
      i = text.find("?>", i + 2) + 2;
    } else if (at.starts_with("</")) {
      if (depth == 0) break;
      --depth;
      i = tagEnd(text, i) + 1;
    } else if (at.starts_with("<")) {
      const std::size_t end = tagEnd(text, i);
      if (text[end - 1] != '/') ++depth;
      i = end + 1;
    } else if (text[i] == '&') {
      const std::size_t end = text.find(';', i) + 1;
      const unsigned long c = referencedCharacter(text.substr(i, end - 1 - i));
      if (character(c == ' ' || c == '\t' || c == '\r' || c == '\n')) return positionAt(text, i);
      i = end;
    } else {
      if (character(isXmlSpace(text[i]))) return positionAt(text, i);
      ++i;
    }
  }
  return positionAt(text, tag);
}

GeoPoint latLonAttributes(const XmlDocument& doc, const XmlTree& element) {
  const auto name = [](Axis axis) { return axis == Axis::latitude ? "lat" : "lon"; };
  const auto value = [&](Axis axis) -> std::string_view {
    const std::string* found = attribute(element, name(axis));
    if (found == nullptr) {
      throw ImportError(elementPosition(doc, element),
                        strprintf("expected attribute %s (the %s in decimal degrees)", name(axis),
                                  axis == Axis::latitude ? "latitude" : "longitude"));
    }
    return *found;
  };
  // Positions are looked for only on a refusal: finding one walks the whole text.
  return coordinatePair(Axis::latitude, value,
                        [&](Axis axis) { return attributePosition(doc, element, name(axis)); });
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
    points.push_back(coordinateTuple(doc, element, text.substr(i, end - i), word));
    ++word;
    i = end;
  }
  return points;
}

}  // namespace nurvo
