// The descriptions of an XMP packet, the way photo tools and phones write a
// photo's title and caption today: dc:title, dc:description, dc:subject and
// dc:creator. Read with a real XML parser: Windows' XmlLite in ovsinfo.exe,
// expat elsewhere. Only ovsinfo reads them; the shell extension and its
// caption item keep to the IPTC caption.
#pragma once

#include <string_view>
#include <vector>

#include "NamedText.h"

namespace ovs {

// What an APP1 section's payload starts with when it holds an XMP packet.
constexpr std::string_view XmpSignature{"http://ns.adobe.com/xap/1.0/\0", 29};

// The four texts the packet gives, in the order above, each the x-default
// item of its rdf:Alt (title, description) or the first item of its rdf:Bag
// (subject) or rdf:Seq (creator), cut to 50 bytes on a character boundary.
// A property without its container is absent. A packet that is not
// well-formed XML, declares a DTD or entities (never expanded) or nests
// deeper than XmpMaxDepth gives nothing at all. Time is linear in the size.
std::vector<TNamedText> ReadXmpDescriptions(std::string_view packet);

constexpr int XmpMaxDepth = 256;

} // namespace ovs
