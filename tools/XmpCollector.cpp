#include "XmpCollector.h"

#include "PathText.h"
#include "Utf8Text.h"
#include "XmpReader.h"

namespace ovs {

namespace {

constexpr std::string_view DublinCore = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view Rdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

// Each property in its container kind as XMP defines it: language
// alternatives for title and description, an unordered bag of keywords,
// an ordered list of creators.
struct TDcProperty {
    std::string_view Local, Container;
};
constexpr TDcProperty DcProperties[] = {
    {"title", "Alt"}, {"description", "Alt"}, {"subject", "Bag"}, {"creator", "Seq"},
};

// An item is kept to a few bytes past the cut, enough to find its character
// boundary; the rest of a long text costs nothing.
constexpr std::size_t KeptItemBytes = DescriptionLength + 8;

} // namespace

bool TXmpCollector::Start(std::string_view ns, std::string_view local, std::string_view lang) {
    if (++depth_ > XmpMaxDepth) return false;
    if (property_ < 0) {
        if (ns != DublinCore) return true;
        for (int k = 0; k < static_cast<int>(std::size(DcProperties)); ++k) {
            if (DcProperties[k].Local != local) continue;
            property_ = k;
            propertyDepth_ = depth_;
        }
    } else if (depth_ == propertyDepth_ + 1) {
        inContainer_ = ns == Rdf && local == DcProperties[property_].Container;
    } else if (depth_ == propertyDepth_ + 2 && inContainer_ && ns == Rdf && local == "li") {
        inItem_ = true;
        itemIsDefault_ = SameTextAscii(lang, "x-default");
        item_.clear();
    }
    return true;
}

void TXmpCollector::End() {
    if (inItem_ && depth_ == propertyDepth_ + 2) {
        TProperty& p = properties_[static_cast<std::size_t>(property_)];
        if (!p.HasFirst) {
            p.FirstItem = item_;
            p.HasFirst = true;
        }
        if (itemIsDefault_ && !p.HasDefault) {
            p.DefaultItem = item_;
            p.HasDefault = true;
        }
        inItem_ = false;
    } else if (property_ >= 0 && depth_ == propertyDepth_ + 1) {
        inContainer_ = false;
    } else if (property_ >= 0 && depth_ == propertyDepth_) {
        property_ = -1;
    }
    --depth_;
}

void TXmpCollector::Text(std::string_view utf8) {
    // Only the item's own text: not that of elements nested inside it.
    if (!inItem_ || depth_ != propertyDepth_ + 2 || item_.size() >= KeptItemBytes) return;
    item_.append(utf8.substr(0, KeptItemBytes - item_.size()));
}

std::vector<TNamedText> TXmpCollector::Found() const {
    std::vector<TNamedText> found;
    for (std::size_t k = 0; k < properties_.size(); ++k) {
        const TProperty& p = properties_[k];
        if (!p.HasFirst) continue;
        // A text cut to KeptItemBytes may end inside a character; the cut to
        // the line's length lies before it.
        const std::string& text = p.HasDefault ? p.DefaultItem : p.FirstItem;
        found.push_back({"dc:" + std::string(DcProperties[k].Local), text.substr(0, Utf8Cut(text, DescriptionLength))});
    }
    return found;
}

} // namespace ovs
