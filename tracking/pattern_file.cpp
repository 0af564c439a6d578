#include "tracking/pattern_file.h"

void AppendPatterns(XmlDocument& document, std::vector<std::string>& patterns) {
    // Lenient: every Pattern anywhere, whatever the root is called, in document order.
    for (XmlNode pattern : document.AsNode().SelectNodes("//Pattern")) {
        XmlNode text = pattern.FirstChild();
        // We never write anything but text into a Pattern; a hand-made one that starts with
        // an element or a comment names no pattern we could know.
        if (!text || text.Kind() != XmlNodeKind::Text) continue;
        patterns.push_back(text.Value());
    }
}

std::unique_ptr<XmlDocument> PatternsDocument(const std::vector<std::string>& patterns) {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (!document || !document->LoadXml("<List/>")) return nullptr;
    XmlNode root = document->DocumentElement();
    if (!root) return nullptr;
    for (const std::string& pattern : patterns) {
        XmlNode element = document->CreateElement("Pattern");
        XmlNode text = document->CreateTextNode(pattern);
        // A list cut short must not replace the saved one.
        if (!element || !text) return nullptr;
        element.AppendChild(text);
        root.AppendChild(element);
    }
    return document;
}
