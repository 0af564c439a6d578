#include "xmlstore/xml_document.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "xmlstore/code_page.h"
#include "xmlstore/file_replace.h"
#include "xmlstore/xml_dom.h"

namespace xmldom {

namespace {

constexpr std::size_t kFirstBlockSize = 4096;
constexpr std::size_t kLargestBlockSize = 1 << 20;



}  // namespace

bool IsXmlName(std::string_view utf8) {
    if (utf8.empty() || !IsNameStart(static_cast<unsigned char>(utf8[0]))) return false;
    for (char c : utf8)
        if (!IsNameChar(static_cast<unsigned char>(c))) return false;
    return true;
}

bool IsBlank(std::string_view utf8) {
    for (char c : utf8)
        if (!IsXmlSpace(c)) return false;
    return true;
}

void Append(Node* parent, Node* child) {
    child->parent = parent;
    if (parent->lastChild) parent->lastChild->nextSibling = child;
    else parent->firstChild = child;
    parent->lastChild = child;
}

void* Storage::AllocateInNewBlock(std::size_t size, std::size_t alignment) {
    std::size_t blockSize;
    if (blocks_.empty()) blockSize = expectedBytes_ > kFirstBlockSize ? expectedBytes_ : kFirstBlockSize;
    else blockSize = blocks_.back().size * 2;
    if (blockSize > kLargestBlockSize) blockSize = kLargestBlockSize;
    if (blockSize < size + alignment) blockSize = size + alignment;
    // Not value-initialised: every object placed here is constructed in place.
    blocks_.push_back({std::unique_ptr<char[]>(new char[blockSize]), blockSize});
    bytesInBlocks_ += blockSize;
    next_ = blocks_.back().memory.get();
    end_ = next_ + blockSize;
    auto at = (reinterpret_cast<std::uintptr_t>(next_) + alignment - 1) & ~(alignment - 1);
    next_ = reinterpret_cast<char*>(at + size);
    return reinterpret_cast<void*>(at);
}

char* Storage::NewSource(std::size_t size) {
    // The zero byte, and slack for decoders that copy a few bytes at a time.
    sourceCapacity_ = size + 4;
    source_.reset(new char[sourceCapacity_]);
    sourceBegin_ = source_.get();
    sourceBegin_[size] = '\0';
    sourceSize_ = size;
    return sourceBegin_;
}

void Storage::TrimSource(std::size_t front, std::size_t size) {
    sourceBegin_ += front;
    sourceSize_ = size;
    sourceBegin_[size] = '\0';
}

Text Storage::NewText(std::string_view utf8) {
    Text text;
    text.size = text.capacity = static_cast<std::uint32_t>(utf8.size());
    if (!utf8.empty()) {
        text.data = static_cast<char*>(Allocate(utf8.size(), 1));
        std::memcpy(text.data, utf8.data(), utf8.size());
    }
    return text;
}

void Storage::Assign(Text& target, std::string_view utf8) {
    if (utf8.size() <= target.capacity) {
        if (!utf8.empty()) std::memmove(target.data, utf8.data(), utf8.size());
        target.size = static_cast<std::uint32_t>(utf8.size());
        return;
    }
    target = NewText(utf8);
}

}  // namespace xmldom

using xmldom::Node;

namespace {

std::string_view NodeName(const Node* node) {
    if (!node || (node->kind != XmlNodeKind::Element && node->kind != XmlNodeKind::ProcessingInstruction)) return {};
    return node->name.View();
}

xmldom::Attribute* FindAttribute(const Node* node, std::string_view utf8Name) {
    if (!node || node->kind != XmlNodeKind::Element) return nullptr;
    for (xmldom::Attribute* attribute = node->firstAttribute; attribute; attribute = attribute->next)
        if (attribute->name.View() == utf8Name) return attribute;
    return nullptr;
}

// Characters XML 1.0 cannot carry at all (not even as references) become blanks, so that
// whatever the program stores always reads back.
std::string Storable(std::string_view narrow) {
    std::string utf8 = NarrowToUtf8(narrow);
    for (char& c : utf8)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') c = ' ';
    return utf8;
}

bool SetAttributeUtf8(Node* node, std::string_view narrowName, std::string_view utf8Value) {
    if (!node || node->kind != XmlNodeKind::Element) return false;
    std::string name = NarrowToUtf8(narrowName);
    if (!xmldom::IsXmlName(name)) return false;
    xmldom::Storage& storage = *node->owner;
    if (xmldom::Attribute* existing = FindAttribute(node, name)) {
        storage.Assign(existing->value, utf8Value);
        return true;
    }
    xmldom::Attribute* attribute = storage.NewAttribute();
    attribute->name = storage.NewText(name);
    attribute->value = storage.NewText(utf8Value);
    xmldom::Attribute** link = &node->firstAttribute;
    while (*link) link = &(*link)->next;
    *link = attribute;
    return true;
}

}  // namespace


std::string XmlAttribute::Name() const { return Utf8ToNarrow(NameUtf8()); }
std::string XmlAttribute::Value() const { return Utf8ToNarrow(ValueUtf8()); }
std::string_view XmlAttribute::NameUtf8() const { return attribute_ ? attribute_->name.View() : std::string_view(); }
std::string_view XmlAttribute::ValueUtf8() const { return attribute_ ? attribute_->value.View() : std::string_view(); }
XmlAttribute XmlAttribute::Next() const { return XmlAttribute(attribute_ ? attribute_->next : nullptr); }

XmlNodeKind XmlNode::Kind() const { return node_ ? node_->kind : XmlNodeKind::Document; }
std::string XmlNode::Name() const { return Utf8ToNarrow(NameUtf8()); }
std::string_view XmlNode::NameUtf8() const { return NodeName(node_); }

std::string XmlNode::Value() const { return Utf8ToNarrow(ValueUtf8()); }

std::string_view XmlNode::ValueUtf8() const {
    if (!node_ || node_->kind == XmlNodeKind::Element || node_->kind == XmlNodeKind::Document) return {};
    return node_->value.View();
}

bool XmlNode::SetValue(std::string_view narrow) {
    if (!node_) return false;
    std::string utf8 = Storable(narrow);
    switch (node_->kind) {
    case XmlNodeKind::Text:
        break;
    case XmlNodeKind::Comment:
        // A comment can hold neither "--" nor end in "-".
        if (utf8.find("--") != std::string::npos || (!utf8.empty() && utf8.back() == '-')) return false;
        break;
    case XmlNodeKind::ProcessingInstruction:
        if (utf8.find("?>") != std::string::npos) return false;
        break;
    default:
        return false;
    }
    node_->owner->Assign(node_->value, utf8);
    return true;
}

XmlNode XmlNode::Parent() const { return XmlNode(node_ ? node_->parent : nullptr); }
XmlNode XmlNode::FirstChild() const { return XmlNode(node_ ? node_->firstChild : nullptr); }
XmlNode XmlNode::NextSibling() const { return XmlNode(node_ ? node_->nextSibling : nullptr); }

XmlNode XmlNode::AppendChild(XmlNode child) {
    Node* parent = node_;
    Node* node = child.node_;
    if (!parent || !node || node->owner != parent->owner || node->parent || node->kind == XmlNodeKind::Document)
        return XmlNode();
    if (parent->kind != XmlNodeKind::Element && parent->kind != XmlNodeKind::Document) return XmlNode();
    // The node must not be the parent or one of its ancestors (only the root is parentless
    // inside a tree, so it is enough to rule out the node itself).
    if (node == parent) return XmlNode();
    if (parent->kind == XmlNodeKind::Document) {
        if (node->kind == XmlNodeKind::Text) return XmlNode();
        if (node->kind == XmlNodeKind::Element)
            for (Node* sibling = parent->firstChild; sibling; sibling = sibling->nextSibling)
                if (sibling->kind == XmlNodeKind::Element) return XmlNode();
    }
    for (Node* ancestor = parent; ancestor; ancestor = ancestor->parent)
        if (ancestor == node) return XmlNode();
    xmldom::Append(parent, node);
    return child;
}

bool XmlNode::GetAttribute(std::string_view name, std::string& narrowValue) const {
    xmldom::Attribute* attribute = FindAttribute(node_, NarrowToUtf8(name));
    if (!attribute) return false;
    narrowValue = Utf8ToNarrow(attribute->value.View());
    return true;
}

XmlAttribute XmlNode::FirstAttribute() const {
    return XmlAttribute(node_ && node_->kind == XmlNodeKind::Element ? node_->firstAttribute : nullptr);
}

bool XmlNode::SetAttribute(std::string_view name, std::string_view narrowValue) {
    return SetAttributeUtf8(node_, name, Storable(narrowValue));
}

bool XmlNode::SetAttribute(std::string_view name, std::int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    return SetAttributeUtf8(node_, name, std::string_view(digits, result.ptr - digits));
}

bool XmlNode::AttributeToInt32(std::string_view name, std::int32_t& value) const {
    xmldom::Attribute* attribute = FindAttribute(node_, NarrowToUtf8(name));
    if (!attribute) return false;
    std::string_view text = attribute->value.View();
    while (!text.empty() && xmldom::IsXmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && xmldom::IsXmlSpace(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL) return false;
    }
    std::int64_t result = negative ? -magnitude : magnitude;
    if (result > 2147483647LL) return false;
    value = static_cast<std::int32_t>(result);
    return true;
}

XmlDocument::XmlDocument() : storage_(std::make_unique<xmldom::Storage>()) {
    document_ = storage_->NewNode(XmlNodeKind::Document);
}

XmlDocument::~XmlDocument() = default;

XmlNode XmlDocument::AsNode() const { return XmlNode(document_); }

XmlNode XmlDocument::DocumentElement() const {
    for (Node* child = document_->firstChild; child; child = child->nextSibling)
        if (child->kind == XmlNodeKind::Element) return XmlNode(child);
    return XmlNode();
}

namespace {

// Reads the file straight into the document's source buffer: one copy, no clearing.
bool ReadSource(const std::string& narrowPath, xmldom::Storage& storage) {
    std::FILE* file = std::fopen(narrowPath.c_str(), "rb");
    if (!file) return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(file) : -1;
    ok = size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        char* data = storage.NewSource(static_cast<std::size_t>(size));
        std::size_t read = size > 0 ? std::fread(data, 1, static_cast<std::size_t>(size), file) : 0;
        ok = !std::ferror(file);
        storage.TrimSource(0, read);
    }
    std::fclose(file);
    return ok;
}

// Nodes and attributes of a time log take about three times its text; one block that size
// holds a small document whole instead of a chain of doubling blocks.
std::size_t ExpectedDomBytes(std::size_t sourceBytes) { return sourceBytes * 3; }

}  // namespace

bool XmlDocument::Load(const std::string& narrowPath) {
    auto storage = std::make_unique<xmldom::Storage>();
    bool ok = ReadSource(narrowPath, *storage) && xmldom::DecodeSource(*storage);
    // Sized before the first node takes the first block.
    storage->ExpectBytes(ExpectedDomBytes(storage->Source().size()));
    Node* document = storage->NewNode(XmlNodeKind::Document);
    ok = ok && xmldom::ParseInPlace(*storage, document);
    if (!ok) {
        storage = std::make_unique<xmldom::Storage>();
        document = storage->NewNode(XmlNodeKind::Document);
    }
    storage_ = std::move(storage);
    document_ = document;
    return ok;
}

bool XmlDocument::LoadXml(std::string_view bytes) {
    auto storage = std::make_unique<xmldom::Storage>();
    char* source = storage->NewSource(bytes.size());
    if (!bytes.empty()) std::memcpy(source, bytes.data(), bytes.size());
    bool ok = xmldom::DecodeSource(*storage);
    storage->ExpectBytes(ExpectedDomBytes(storage->Source().size()));
    Node* document = storage->NewNode(XmlNodeKind::Document);
    ok = ok && xmldom::ParseInPlace(*storage, document);
    if (!ok) {
        storage = std::make_unique<xmldom::Storage>();
        document = storage->NewNode(XmlNodeKind::Document);
    }
    storage_ = std::move(storage);
    document_ = document;
    return ok;
}

XmlNode XmlDocument::CreateElement(std::string_view narrowName) {
    std::string name = NarrowToUtf8(narrowName);
    if (!xmldom::IsXmlName(name)) return XmlNode();
    Node* node = storage_->NewNode(XmlNodeKind::Element);
    node->name = storage_->NewText(name);
    return XmlNode(node);
}

XmlNode XmlDocument::CreateTextNode(std::string_view narrowText) {
    Node* node = storage_->NewNode(XmlNodeKind::Text);
    node->value = storage_->NewText(Storable(narrowText));
    return XmlNode(node);
}

std::size_t XmlDocument::MemoryUsed() const { return storage_->BytesUsed(); }

std::unique_ptr<XmlDocument> CreateXmlDocument() { return std::make_unique<XmlDocument>(); }

SaveResult SaveXmlDocument(const XmlDocument& document, const std::string& narrowPath) {
    return ReplaceFileContents(narrowPath, FormatXmlDocument(document));
}
