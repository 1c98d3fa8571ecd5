// What an XMP packet says, gathered from a namespace-aware XML parser's
// events; the same for every parser that ReadXmpDescriptions uses.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "NamedText.h"

namespace ovs {

class TXmpCollector {
public:
    // An element opens: its namespace and local name, and its xml:lang
    // (empty when it has none). False when it nests past XmpMaxDepth: the
    // parser is to stop, and the packet gives nothing.
    bool Start(std::string_view ns, std::string_view local, std::string_view lang);
    void End();
    // Character data of the element open last, in any number of pieces.
    void Text(std::string_view utf8);

    std::vector<TNamedText> Found() const;

private:
    struct TProperty {
        std::string FirstItem, DefaultItem;
        bool HasFirst = false, HasDefault = false;
    };

    int depth_ = 0;
    int property_ = -1;         // the dc property open, -1 when none
    int propertyDepth_ = 0;
    bool inContainer_ = false;  // the property's own rdf container is open
    bool inItem_ = false;       // one of its rdf:li is open
    bool itemIsDefault_ = false;
    std::string item_;
    std::array<TProperty, 4> properties_{};
};

} // namespace ovs
