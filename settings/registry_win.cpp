#include <windows.h>

#include <utility>

#include "base/scoped_handles_win.h"
#include "settings/platform_seams.h"

namespace {

// An open key of the current user's registry, closed when destroyed.
class WindowsRegistryKey final : public RegistryKey {
public:
    explicit WindowsRegistryKey(ScopedKey key) : key_(std::move(key)) {}

    std::optional<std::uint32_t> ReadText(const char* name, char* buffer, std::uint32_t capacity) override {
        DWORD type = 0;
        DWORD size = capacity;
        if (RegQueryValueExA(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
            return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return std::nullopt;
        // The registry keeps whatever byte count the writer gave, terminator or not.
        if (size == 0 || buffer[size - 1] != '\0') {
            if (size >= capacity)
                return std::nullopt;
            buffer[size] = '\0';
        }
        return size;
    }

    std::optional<std::uint32_t> ReadNumber(const char* name) override {
        DWORD type = 0;
        DWORD number = 0;
        DWORD size = sizeof number;
        if (RegQueryValueExA(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS)
            return std::nullopt;
        if (type != REG_DWORD || size != sizeof number)
            return std::nullopt;
        return number;
    }

    bool WriteText(const char* name, const char* text, std::uint32_t byteCount) override {
        return RegSetValueExA(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), byteCount) ==
               ERROR_SUCCESS;
    }

    bool WriteNumber(const char* name, std::uint32_t number) override {
        DWORD value = number;
        return RegSetValueExA(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
               ERROR_SUCCESS;
    }

    bool DeleteValue(const char* name) override { return RegDeleteValueA(key_.get(), name) == ERROR_SUCCESS; }

private:
    ScopedKey key_;
};

class WindowsRegistry final : public RegistryBackend {
public:
    std::unique_ptr<RegistryKey> CreateKey(const char* path) override {
        ScopedKey key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(),
                            nullptr) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<WindowsRegistryKey>(std::move(key));
    }
};

}  // namespace

RegistryBackend& SystemRegistry() {
    static WindowsRegistry registry;
    return registry;
}
