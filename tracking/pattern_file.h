// The shape shared by the pattern lists' files: root "List", one "Pattern" element a pattern.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "xmlstore/xml_document.h"

// Appends the text of every Pattern in the document, in document order.
void AppendPatterns(XmlDocument& document, std::vector<std::string>& patterns);
// The patterns as a document to save; null when it could not be built whole.
std::unique_ptr<XmlDocument> PatternsDocument(const std::vector<std::string>& patterns);
