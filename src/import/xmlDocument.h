// XML route files (GPX, KML) read with Boost.PropertyTree, strictly: no DTD, no entity of the
// file's own, every end tag matching its start tag. The tree keeps no positions, so a refusal
// finds its element again in the text: elements come in the tree in the order their start tags
// come in the text, and the n-th element of the tree is the n-th start tag.
#pragma once

#include <boost/property_tree/ptree.hpp>
#include <cstddef>
#include <string_view>
#include <vector>

#include "importText.h"

namespace nurvo {

using XmlTree = boost::property_tree::ptree;

struct XmlDocument {
  std::string_view text;  // the file's text; the document refers to it and must not outlive it
  XmlTree tree;           // the root element is the tree's only child
};

// Parses `text`. Refuses (ImportError, with the position) text that is not well-formed XML, a
// DOCTYPE or any other markup declaration, and an end tag that does not match its start tag.
XmlDocument parseXml(std::string_view text);

// The root element's name and the element itself. The document must hold one.
std::string_view rootName(const XmlDocument& doc);
const XmlTree& rootElement(const XmlDocument& doc);

// An element name without its namespace prefix: "rte" for "gpx:rte".
std::string_view localName(std::string_view qualified);

// The child elements of `element` whose local name is `name`, in document order.
std::vector<const XmlTree*> childElements(const XmlTree& element, std::string_view name);
// The text of the first child element named `name`, blanks and line ends around it removed;
// empty when there is none.
std::string childText(const XmlTree& element, std::string_view name);
// The value of attribute `name`, or null when the element has none.
const std::string* attribute(const XmlTree& element, std::string_view name);

// Where an element of doc.tree starts, where the value of one of its attributes starts, and where
// the `word`-th (from 0) blank-separated word of its text starts. Where the text cannot be matched
// word for word (entities, comments or CDATA inside), the element's own position.
TextPos elementPosition(const XmlDocument& doc, const XmlTree& element);
TextPos attributePosition(const XmlDocument& doc, const XmlTree& element, std::string_view name);
TextPos wordPosition(const XmlDocument& doc, const XmlTree& element, std::size_t word);

// The "lat" and "lon" attributes of an element (GPX points), strictly.
GeoPoint latLonAttributes(const XmlDocument& doc, const XmlTree& element);
// The "longitude,latitude[,altitude]" tuples, separated by blanks or line ends, of an element's
// text (KML coordinates), strictly.
std::vector<GeoPoint> coordinateTuples(const XmlDocument& doc, const XmlTree& element);

}  // namespace nurvo
