// The query subset: "//" and child steps of element names, each with an optional predicate
// of attribute equalities joined by "and". Text outside that grammar finds nothing.
#include <string>
#include <vector>

#include "xmlstore/code_page.h"
#include "xmlstore/xml_dom.h"

namespace {

using xmldom::Node;

struct Condition {
    std::string attribute;
    std::string value;
};

struct Step {
    std::string name;
    std::vector<Condition> conditions;
};

struct Query {
    bool fromRoot = false;  // "//": the first step at any depth below the document
    std::vector<Step> steps;
};

constexpr std::size_t kMaxSteps = 32;

// Query names take no namespace prefix, so ':' is not among their characters.
bool IsQueryNameStart(unsigned char c) { return c != ':' && xmldom::IsNameStart(c); }
bool IsQueryNameChar(unsigned char c) { return c != ':' && xmldom::IsNameChar(c); }

class QueryReader {
public:
    explicit QueryReader(std::string_view text) : text_(text) {}

    bool Read(Query& query) {
        if (Skip("//")) query.fromRoot = true;
        for (;;) {
            if (query.steps.size() == kMaxSteps) return false;
            Step step;
            if (!Name(step.name)) return false;
            SkipSpace();
            if (Skip("[") && !Predicate(step)) return false;
            query.steps.push_back(std::move(step));
            if (at_ == text_.size()) return true;
            if (!Skip("/") || (at_ < text_.size() && text_[at_] == '/')) return false;
        }
    }

private:
    bool Predicate(Step& step) {
        for (;;) {
            SkipSpace();
            Condition condition;
            if (!Skip("@") || !Name(condition.attribute)) return false;
            SkipSpace();
            if (!Skip("=")) return false;
            SkipSpace();
            if (!Literal(condition.value)) return false;
            step.conditions.push_back(std::move(condition));
            SkipSpace();
            if (Skip("]")) return true;
            if (!Skip("and")) return false;
            if (at_ < text_.size() && IsQueryNameChar(static_cast<unsigned char>(text_[at_]))) return false;
        }
    }

    bool Name(std::string& name) {
        std::size_t start = at_;
        if (at_ >= text_.size() || !IsQueryNameStart(static_cast<unsigned char>(text_[at_]))) return false;
        while (at_ < text_.size() && IsQueryNameChar(static_cast<unsigned char>(text_[at_]))) ++at_;
        name.assign(text_.substr(start, at_ - start));
        return true;
    }

    bool Literal(std::string& value) {
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) return false;
        char quote = text_[at_++];
        std::size_t close = text_.find(quote, at_);
        if (close == std::string_view::npos) return false;
        value.assign(text_.substr(at_, close - at_));
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

bool Matches(const Node* node, const Step& step) {
    if (node->kind != XmlNodeKind::Element || node->name.View() != step.name) return false;
    for (const Condition& condition : step.conditions) {
        const xmldom::Attribute* attribute = node->firstAttribute;
        while (attribute && attribute->name.View() != condition.attribute) attribute = attribute->next;
        if (!attribute || attribute->value.View() != condition.value) return false;
    }
    return true;
}

// True when the node and its ancestors match the steps up to `last`, read backwards.
bool MatchesPath(const Node* node, const Query& query, std::size_t last) {
    for (std::size_t i = last + 1; i-- > 0;) {
        if (!node || !Matches(node, query.steps[i])) return false;
        node = node->parent;
    }
    return true;
}

// The next node in document order below `top`, without recursion.
const Node* NextInOrder(const Node* node, const Node* top) {
    if (node->firstChild) return node->firstChild;
    while (node != top) {
        if (node->nextSibling) return node->nextSibling;
        node = node->parent;
    }
    return nullptr;
}

template <typename Visit>
void Evaluate(const Node* context, std::string_view narrowQuery, Visit&& visit) {
    if (!context) return;
    Query query;
    if (!QueryReader(NarrowToUtf8(narrowQuery)).Read(query)) return;
    const std::size_t last = query.steps.size() - 1;
    if (query.fromRoot) {
        const Node* top = context;
        while (top->parent) top = top->parent;
        // Every match of the whole path is an element whose chain of parents spells it.
        for (const Node* node = top->firstChild ? top->firstChild : nullptr; node; node = NextInOrder(node, top))
            if (MatchesPath(node, query, last) && !visit(node)) return;
        return;
    }
    // Child steps: walk the context's descendants down to the path's depth only.
    const std::size_t depth = query.steps.size();
    std::vector<const Node*> trail;
    const Node* node = context->firstChild;
    while (node) {
        const std::size_t level = trail.size();
        if (Matches(node, query.steps[level])) {
            if (level + 1 == depth) {
                if (!visit(node)) return;
            } else if (node->firstChild) {
                trail.push_back(node);
                node = node->firstChild;
                continue;
            }
        }
        while (!node->nextSibling && !trail.empty()) {
            node = trail.back();
            trail.pop_back();
        }
        node = node->nextSibling;
    }
}

}  // namespace

XmlNode XmlNode::SelectSingleNode(std::string_view query) const {
    XmlNode found;
    Evaluate(node_, query, [&](const Node* node) {
        found = XmlNode(const_cast<Node*>(node));
        return false;
    });
    return found;
}

std::vector<XmlNode> XmlNode::SelectNodes(std::string_view query) const {
    std::vector<XmlNode> found;
    Evaluate(node_, query, [&](const Node* node) {
        found.push_back(XmlNode(const_cast<Node*>(node)));
        return true;
    });
    return found;
}
