#include "xmlstore/xml_document.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "base/code_page.h"
#include "base/code_page_platform.h"
#include "xmlstore/xml_dom.h"

using xmldom::Node;
using xmldom::Offset;
using xmldom::Storage;

namespace {

bool IsXmlName(std::string_view utf8) {
    if (utf8.empty() || !xmldom::IsNameStart(static_cast<unsigned char>(utf8[0]))) return false;
    bool ascii = true;
    for (char c : utf8) {
        if (!xmldom::IsNameChar(static_cast<unsigned char>(c))) return false;
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    return ascii || IsXmlUtf8(utf8);
}

bool HasName(XmlNodeKind kind) { return kind == XmlNodeKind::Element || kind == XmlNodeKind::ProcessingInstruction; }
bool HasValue(XmlNodeKind kind) { return kind != XmlNodeKind::Element && kind != XmlNodeKind::Document; }

Offset FindAttribute(const Storage* storage, Offset node, std::string_view utf8Name) {
    if (!node) return 0;
    const Node* element = storage->NodeAt(node);
    if (xmldom::KindOf(element->header) != XmlNodeKind::Element) return 0;
    std::uint32_t name = storage->FindName(utf8Name);
    if (name == xmldom::kNoName) return 0;
    for (Offset at = element->links.firstAttribute; at;) {
        const xmldom::Attribute* attribute = storage->AttributeAt(at);
        if (xmldom::NameOf(attribute->header) == name) return at;
        at = attribute->next;
    }
    return 0;
}

// Characters XML 1.0 cannot carry at all (not even as references) become blanks, so that
// whatever the program stores always reads back.
std::string Storable(std::string_view narrow) {
    std::string utf8 = NarrowToUtf8(narrow);
    std::size_t kept = 0;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const auto c = static_cast<unsigned char>(utf8[at]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            utf8[kept++] = ' ';
        } else if (c == 0xEF && utf8.size() - at >= 3 && static_cast<unsigned char>(utf8[at + 1]) == 0xBF &&
                   static_cast<unsigned char>(utf8[at + 2]) >= 0xBE) {
            utf8[kept++] = ' ';  // U+FFFE or U+FFFF
            at += 2;
        } else {
            utf8[kept++] = utf8[at];
        }
    }
    utf8.resize(kept);
    return utf8;
}

bool SetAttributeUtf8(Storage* storage, Offset node, std::string_view narrowName, std::string_view utf8Value) {
    if (!node || xmldom::KindOf(storage->NodeAt(node)->header) != XmlNodeKind::Element) return false;
    std::string name = NarrowToUtf8(narrowName);
    if (!IsXmlName(name)) return false;
    if (Offset existing = FindAttribute(storage, node, name)) {
        xmldom::Attribute* attribute = storage->AttributeAt(existing);
        return storage->Assign(attribute->header, attribute->value, utf8Value);
    }
    std::uint32_t id = storage->Intern(name);
    if (id == xmldom::kNoName) return false;
    Offset created = storage->NewAttribute(id);
    if (!created) return false;
    xmldom::Attribute* attribute = storage->AttributeAt(created);
    if (!storage->Assign(attribute->header, attribute->value, utf8Value)) return false;
    Offset* link = &storage->NodeAt(node)->links.firstAttribute;
    while (*link) link = &storage->AttributeAt(*link)->next;
    *link = created;
    return true;
}

}  // namespace


std::string XmlAttribute::Name() const { return Utf8ToNarrow(NameUtf8()); }
std::string XmlAttribute::Value() const { return Utf8ToNarrow(ValueUtf8()); }

std::string_view XmlAttribute::NameUtf8() const {
    if (!attribute_) return {};
    return storage_->Name(xmldom::NameOf(storage_->AttributeAt(attribute_)->header));
}

std::string_view XmlAttribute::ValueUtf8() const {
    if (!attribute_) return {};
    const xmldom::Attribute* attribute = storage_->AttributeAt(attribute_);
    return storage_->Text(attribute->header, attribute->value);
}

XmlAttribute XmlAttribute::Next() const {
    if (!attribute_) return XmlAttribute();
    Offset next = storage_->AttributeAt(attribute_)->next;
    return next ? XmlAttribute(storage_, next) : XmlAttribute();
}

XmlNodeKind XmlNode::Kind() const { return node_ ? xmldom::KindOf(storage_->NodeAt(node_)->header) : XmlNodeKind::Document; }
std::string XmlNode::Name() const { return Utf8ToNarrow(NameUtf8()); }

std::string_view XmlNode::NameUtf8() const {
    if (!node_) return {};
    std::uint32_t header = storage_->NodeAt(node_)->header;
    if (!HasName(xmldom::KindOf(header))) return {};
    return storage_->Name(xmldom::NameOf(header));
}

std::string XmlNode::Value() const { return Utf8ToNarrow(ValueUtf8()); }

std::string_view XmlNode::ValueUtf8() const {
    if (!node_) return {};
    const Node* node = storage_->NodeAt(node_);
    if (!HasValue(xmldom::KindOf(node->header))) return {};
    return storage_->Text(node->header, node->value);
}

XmlNode XmlNode::FirstChild() const {
    if (!node_) return XmlNode();
    const Node* node = storage_->NodeAt(node_);
    return HasValue(xmldom::KindOf(node->header)) ? XmlNode() : XmlNode(storage_, node->links.firstChild);
}

XmlNode XmlNode::NextSibling() const { return node_ ? XmlNode(storage_, storage_->NodeAt(node_)->nextSibling) : XmlNode(); }

XmlNode XmlNode::AppendChild(XmlNode child) {
    if (!node_ || !child.node_ || child.storage_ != storage_) return XmlNode();
    const Offset parent = node_;
    const Offset offset = child.node_;
    const Node* node = storage_->NodeAt(offset);
    const XmlNodeKind kind = xmldom::KindOf(node->header);
    const XmlNodeKind parentKind = xmldom::KindOf(storage_->NodeAt(parent)->header);
    if (node->parent || kind == XmlNodeKind::Document) return XmlNode();
    if (parentKind != XmlNodeKind::Element && parentKind != XmlNodeKind::Document) return XmlNode();
    // The node must not be the parent or one of its ancestors (only the root is parentless
    // inside a tree, so it is enough to rule out the node itself).
    if (offset == parent) return XmlNode();
    if (parentKind == XmlNodeKind::Document) {
        if (kind == XmlNodeKind::Text) return XmlNode();
        if (kind == XmlNodeKind::Element)
            for (Offset sibling = storage_->NodeAt(parent)->links.firstChild; sibling;
                 sibling = storage_->NodeAt(sibling)->nextSibling)
                if (xmldom::KindOf(storage_->NodeAt(sibling)->header) == XmlNodeKind::Element) return XmlNode();
    }
    for (Offset ancestor = parent; ancestor; ancestor = storage_->NodeAt(ancestor)->parent)
        if (ancestor == offset) return XmlNode();
    xmldom::Append(*storage_, parent, offset);
    return child;
}

bool XmlNode::GetAttribute(std::string_view name, std::string& narrowValue) const {
    Offset found = FindAttribute(storage_, node_, NarrowToUtf8(name));
    if (!found) return false;
    const xmldom::Attribute* attribute = storage_->AttributeAt(found);
    narrowValue = Utf8ToNarrow(storage_->Text(attribute->header, attribute->value));
    return true;
}

XmlAttribute XmlNode::FirstAttribute() const {
    if (!node_) return XmlAttribute();
    const Node* node = storage_->NodeAt(node_);
    if (xmldom::KindOf(node->header) != XmlNodeKind::Element || !node->links.firstAttribute) return XmlAttribute();
    return XmlAttribute(storage_, node->links.firstAttribute);
}

bool XmlNode::SetAttribute(std::string_view name, std::string_view narrowValue) {
    return SetAttributeUtf8(storage_, node_, name, Storable(narrowValue));
}

bool XmlNode::SetAttribute(std::string_view name, std::int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    return SetAttributeUtf8(storage_, node_, name, std::string_view(digits, result.ptr - digits));
}

bool XmlNode::SetAttributeFromUtf8(std::string_view name, std::string_view utf8Value) {
    return SetAttributeUtf8(storage_, node_, name, utf8Value);
}

bool XmlNode::AttributeToInt32(std::string_view name, std::int32_t& value) const {
    Offset found = FindAttribute(storage_, node_, NarrowToUtf8(name));
    if (!found) return false;
    const xmldom::Attribute* attribute = storage_->AttributeAt(found);
    std::string_view text = storage_->Text(attribute->header, attribute->value);
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

XmlDocument::XmlDocument() : storage_(std::make_unique<Storage>()) {
    document_ = storage_->NewNode(XmlNodeKind::Document, xmldom::kNoName);
}

XmlDocument::~XmlDocument() = default;

XmlNode XmlDocument::AsNode() const { return XmlNode(storage_.get(), document_); }

XmlNode XmlDocument::DocumentElement() const {
    for (Offset child = storage_->NodeAt(document_)->links.firstChild; child; child = storage_->NodeAt(child)->nextSibling)
        if (xmldom::KindOf(storage_->NodeAt(child)->header) == XmlNodeKind::Element) return XmlNode(storage_.get(), child);
    return XmlNode();
}

namespace {

class FileSource final : public xmldom::ByteSource {
public:
    explicit FileSource(const std::string& narrowPath) : file_(std::fopen(narrowPath.c_str(), "rb")) {}
    ~FileSource() override {
        if (file_) std::fclose(file_);
    }
    bool Opened() const { return file_ != nullptr; }
    // The size at the start, to size the first arena block; 0 when unknown.
    std::size_t Size() {
        if (!file_ || std::fseek(file_, 0, SEEK_END) != 0) return 0;
        long size = std::ftell(file_);
        std::rewind(file_);
        return size > 0 ? static_cast<std::size_t>(size) : 0;
    }
    bool Read(char* buffer, std::size_t size, std::size_t& read) override {
        read = std::fread(buffer, 1, size, file_);
        return !std::ferror(file_);
    }

private:
    std::FILE* file_;
};

class MemorySource final : public xmldom::ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    bool Read(char* buffer, std::size_t size, std::size_t& read) override {
        read = size < bytes_.size() ? size : bytes_.size();
        if (read) std::memcpy(buffer, bytes_.data(), read);
        bytes_.remove_prefix(read);
        return true;
    }

private:
    std::string_view bytes_;
};

// A time log's nodes, attributes and texts take a little more than its file; one block that
// size holds a small document whole instead of a chain of doubling blocks.
std::size_t ExpectedDomBytes(std::size_t sourceBytes) { return sourceBytes + sourceBytes / 2; }

}  // namespace

bool XmlDocument::ParseFrom(xmldom::ByteSource& source) {
    if (!storage_) return false;
    const Offset document = storage_->NewNode(XmlNodeKind::Document, xmldom::kNoName);
    if (document && xmldom::Parse(source, *storage_, document)) {
        document_ = document;
        return true;
    }
    storage_ = std::make_unique<Storage>();
    document_ = storage_->NewNode(XmlNodeKind::Document, xmldom::kNoName);
    return false;
}

bool XmlDocument::Load(const std::string& narrowPath) {
    FileSource file(narrowPath);
    storage_ = std::make_unique<Storage>();
    storage_->ExpectBytes(ExpectedDomBytes(file.Size()));
    if (!file.Opened()) {
        document_ = storage_->NewNode(XmlNodeKind::Document, xmldom::kNoName);
        return false;
    }
    return ParseFrom(file);
}

bool XmlDocument::LoadXml(std::string_view bytes) {
    MemorySource memory(bytes);
    storage_ = std::make_unique<Storage>();
    storage_->ExpectBytes(ExpectedDomBytes(bytes.size()));
    return ParseFrom(memory);
}

XmlNode XmlDocument::CreateElement(std::string_view narrowName) {
    std::string name = NarrowToUtf8(narrowName);
    if (!IsXmlName(name) || storage_->NearlyFull()) return XmlNode();
    std::uint32_t id = storage_->Intern(name);
    if (id == xmldom::kNoName) return XmlNode();
    return XmlNode(storage_.get(), storage_->NewNode(XmlNodeKind::Element, id));
}

XmlNode XmlDocument::CreateTextNode(std::string_view narrowText) {
    if (storage_->NearlyFull()) return XmlNode();
    Offset offset = storage_->NewNode(XmlNodeKind::Text, xmldom::kNoName);
    if (!offset) return XmlNode();
    Node* node = storage_->NodeAt(offset);
    if (!storage_->Assign(node->header, node->value, Storable(narrowText))) return XmlNode();
    return XmlNode(storage_.get(), offset);
}

std::size_t XmlDocument::MemoryUsed() const { return storage_->BytesUsed(); }

std::unique_ptr<XmlDocument> CreateXmlDocument() { return std::make_unique<XmlDocument>(); }

std::string StorableUtf8(std::string_view narrow) { return Storable(narrow); }
