// The query subset: "//" and child steps of element names, each with an optional predicate
// of attribute equalities joined by "and". Text outside that grammar finds nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "base/code_page.h"
#include "xmlstore/xml_dom.h"

namespace {

using xmldom::Node;
using xmldom::Offset;
using xmldom::Storage;

// Names and literals are views of the query's UTF-8 text; a query makes no allocation unless
// its text needs converting.
// Filled as they are read: a query's arrays are not cleared first.
struct Condition {
    std::string_view attribute;
    std::string_view value;
    std::uint32_t attributeId;
};

struct Step {
    std::string_view name;
    std::uint32_t nameId;
    std::size_t firstCondition;
    std::size_t conditionCount;
};

constexpr std::size_t kMaxSteps = 32;
constexpr std::size_t kMaxConditions = 64;

struct Query {
    bool fromRoot = false;  // "//": the first step at any depth below the document
    std::size_t stepCount = 0;
    Step steps[kMaxSteps];
    std::size_t conditionCount = 0;
    Condition conditions[kMaxConditions];
};

// Query names take no namespace prefix, so ':' is not among their characters.
bool IsQueryNameStart(unsigned char c) { return c != ':' && xmldom::IsNameStart(c); }
bool IsQueryNameChar(unsigned char c) { return c != ':' && xmldom::IsNameChar(c); }

class QueryReader {
public:
    explicit QueryReader(std::string_view text) : text_(text) {}

    bool Read(Query& query) {
        if (Skip("//")) query.fromRoot = true;
        for (;;) {
            if (query.stepCount == kMaxSteps) return false;
            Step& step = query.steps[query.stepCount++];
            step.firstCondition = query.conditionCount;
            step.conditionCount = 0;
            if (!Name(step.name)) return false;
            SkipSpace();
            if (Skip("[") && !Predicate(query, step)) return false;
            if (at_ == text_.size()) return true;
            if (!Skip("/") || (at_ < text_.size() && text_[at_] == '/')) return false;
        }
    }

private:
    bool Predicate(Query& query, Step& step) {
        for (;;) {
            SkipSpace();
            if (query.conditionCount == kMaxConditions) return false;
            Condition& condition = query.conditions[query.conditionCount];
            if (!Skip("@") || !Name(condition.attribute)) return false;
            SkipSpace();
            if (!Skip("=")) return false;
            SkipSpace();
            if (!Literal(condition.value)) return false;
            ++query.conditionCount;
            ++step.conditionCount;
            SkipSpace();
            if (Skip("]")) return true;
            if (!Skip("and")) return false;
            if (at_ < text_.size() && IsQueryNameChar(static_cast<unsigned char>(text_[at_]))) return false;
        }
    }

    bool Name(std::string_view& name) {
        std::size_t start = at_;
        if (at_ >= text_.size() || !IsQueryNameStart(static_cast<unsigned char>(text_[at_]))) return false;
        while (at_ < text_.size() && IsQueryNameChar(static_cast<unsigned char>(text_[at_]))) ++at_;
        name = text_.substr(start, at_ - start);
        return true;
    }

    bool Literal(std::string_view& value) {
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) return false;
        char quote = text_[at_++];
        std::size_t close = text_.find(quote, at_);
        if (close == std::string_view::npos) return false;
        value = text_.substr(at_, close - at_);
        at_ = close + 1;
        return true;
    }

    bool Skip(std::string_view token) {
        if (text_.substr(at_, token.size()) != token) return false;
        at_ += token.size();
        return true;
    }

    void SkipSpace() {
        while (at_ < text_.size() && xmldom::IsXmlSpace(text_[at_])) ++at_;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

bool Matches(const Storage& storage, const Node* node, const Query& query, const Step& step) {
    if (xmldom::KindOf(node->header) != XmlNodeKind::Element || xmldom::NameOf(node->header) != step.nameId)
        return false;
    for (std::size_t i = 0; i < step.conditionCount; ++i) {
        const Condition& condition = query.conditions[step.firstCondition + i];
        Offset at = node->links.firstAttribute;
        const xmldom::Attribute* attribute = nullptr;
        while (at) {
            attribute = storage.AttributeAt(at);
            if (xmldom::NameOf(attribute->header) == condition.attributeId) break;
            at = attribute->next;
        }
        if (!at || storage.Text(attribute->header, attribute->value) != condition.value) return false;
    }
    return true;
}

// True when the node and its ancestors match the steps up to `last`, read backwards.
bool MatchesPath(const Storage& storage, Offset node, const Query& query, std::size_t last) {
    for (std::size_t i = last + 1; i-- > 0;) {
        if (!node) return false;
        const Node* at = storage.NodeAt(node);
        if (!Matches(storage, at, query, query.steps[i])) return false;
        node = at->parent;
    }
    return true;
}

bool HasChildren(const Node* node) {
    XmlNodeKind kind = xmldom::KindOf(node->header);
    return (kind == XmlNodeKind::Element || kind == XmlNodeKind::Document) && node->links.firstChild;
}

// The next node in document order below `top`, without recursion.
Offset NextInOrder(const Storage& storage, Offset node, Offset top) {
    const Node* at = storage.NodeAt(node);
    if (HasChildren(at)) return at->links.firstChild;
    while (node != top) {
        if (at->nextSibling) return at->nextSibling;
        node = at->parent;
        at = storage.NodeAt(node);
    }
    return 0;
}

template <typename Visit>
void Evaluate(const Storage* storage, Offset context, std::string_view narrowQuery, Visit&& visit) {
    if (!context) return;
    // ASCII text is UTF-8 as it stands.
    std::string converted;
    std::string_view text = narrowQuery;
    for (char c : narrowQuery) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            converted = NarrowToUtf8(narrowQuery);
            text = converted;
            break;
        }
    }
    Query query;
    if (!QueryReader(text).Read(query)) return;
    // Names the document has never seen match nothing.
    for (std::size_t i = 0; i < query.stepCount; ++i) {
        query.steps[i].nameId = storage->FindName(query.steps[i].name);
        if (query.steps[i].nameId == xmldom::kNoName) return;
    }
    for (std::size_t i = 0; i < query.conditionCount; ++i) {
        query.conditions[i].attributeId = storage->FindName(query.conditions[i].attribute);
        if (query.conditions[i].attributeId == xmldom::kNoName) return;
    }
    const std::size_t last = query.stepCount - 1;
    if (query.fromRoot) {
        Offset top = context;
        while (storage->NodeAt(top)->parent) top = storage->NodeAt(top)->parent;
        // Every match of the whole path is an element whose chain of parents spells it.
        const Node* topNode = storage->NodeAt(top);
        for (Offset node = HasChildren(topNode) ? topNode->links.firstChild : 0; node;
             node = NextInOrder(*storage, node, top))
            if (MatchesPath(*storage, node, query, last) && !visit(node)) return;
        return;
    }
    // Child steps: walk the context's descendants down to the path's depth only.
    const std::size_t depth = query.stepCount;
    std::vector<Offset> trail;
    const Node* contextNode = storage->NodeAt(context);
    Offset node = HasChildren(contextNode) ? contextNode->links.firstChild : 0;
    while (node) {
        const std::size_t level = trail.size();
        const Node* at = storage->NodeAt(node);
        if (Matches(*storage, at, query, query.steps[level])) {
            if (level + 1 == depth) {
                if (!visit(node)) return;
            } else if (at->links.firstChild) {
                trail.push_back(node);
                node = at->links.firstChild;
                continue;
            }
        }
        while (!storage->NodeAt(node)->nextSibling && !trail.empty()) {
            node = trail.back();
            trail.pop_back();
        }
        node = storage->NodeAt(node)->nextSibling;
    }
}

}  // namespace

XmlNode XmlNode::SelectSingleNode(std::string_view query) const {
    XmlNode found;
    Evaluate(storage_, node_, query, [&](Offset node) {
        found = XmlNode(storage_, node);
        return false;
    });
    return found;
}

std::vector<XmlNode> XmlNode::SelectNodes(std::string_view query) const {
    std::vector<XmlNode> found;
    Evaluate(storage_, node_, query, [&](Offset node) {
        found.push_back(XmlNode(storage_, node));
        return true;
    });
    return found;
}
