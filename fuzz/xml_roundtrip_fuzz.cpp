// Arbitrary bytes in: whatever loads must save, load again and save to the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "xmlstore/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto document = CreateXmlDocument();
    if (!document->LoadXml(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    const std::string first = FormatXmlDocument(*document);
    auto again = CreateXmlDocument();
    if (!again->LoadXml(first)) {
        std::fprintf(stderr, "saved document does not load again:\n%s\n", first.c_str());
        std::abort();
    }
    const std::string second = FormatXmlDocument(*again);
    if (second != first) {
        std::fprintf(stderr, "second save differs:\n%s\n---\n%s\n", first.c_str(), second.c_str());
        std::abort();
    }
    return 0;
}
