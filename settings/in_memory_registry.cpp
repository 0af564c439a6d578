#include "settings/in_memory_registry.h"

#include <cstring>

namespace {

std::string LowerCase(const char* text) {
    std::string lowered = text ? text : "";
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

class InMemoryKey final : public RegistryKey {
public:
    explicit InMemoryKey(InMemoryRegistry::Values& values) : values_(values) {}

    std::optional<std::uint32_t> ReadText(const char* name, char* buffer, std::uint32_t capacity) override {
        auto found = values_.find(LowerCase(name));
        if (found == values_.end() || found->second.isNumber)
            return std::nullopt;
        const std::vector<char>& bytes = found->second.bytes;
        if (bytes.size() > capacity)
            return std::nullopt;
        if (!bytes.empty())
            std::memcpy(buffer, bytes.data(), bytes.size());
        // A value stored without its terminator still reads as text when there is room for one.
        if (bytes.empty() || bytes.back() != '\0') {
            if (bytes.size() == capacity)
                return std::nullopt;
            buffer[bytes.size()] = '\0';
        }
        return static_cast<std::uint32_t>(bytes.size());
    }

    std::optional<std::uint32_t> ReadNumber(const char* name) override {
        auto found = values_.find(LowerCase(name));
        if (found == values_.end() || !found->second.isNumber)
            return std::nullopt;
        std::uint32_t number;
        std::memcpy(&number, found->second.bytes.data(), sizeof number);
        return number;
    }

    bool WriteText(const char* name, const char* text, std::uint32_t byteCount) override {
        values_[LowerCase(name)] = {false, std::vector<char>(text, text + byteCount)};
        return true;
    }

    bool WriteNumber(const char* name, std::uint32_t number) override {
        std::vector<char> bytes(sizeof number);
        std::memcpy(bytes.data(), &number, sizeof number);
        values_[LowerCase(name)] = {true, std::move(bytes)};
        return true;
    }

    bool DeleteValue(const char* name) override { return values_.erase(LowerCase(name)) > 0; }

private:
    InMemoryRegistry::Values& values_;
};

}  // namespace

std::unique_ptr<RegistryKey> InMemoryRegistry::CreateKey(const char* path) {
    return std::make_unique<InMemoryKey>(keys_[LowerCase(path)]);
}
