// The settings rules over the in-memory registry; the same suite runs on the real registry
// under Wine.
#include "settings/in_memory_registry.h"
#include "tests/shared/settings_suite.h"

namespace {

// A fresh registry for every test, gone with it.
class FreshInMemoryRegistry {
public:
    RegistryBackend& Backend() { return registry_; }

private:
    InMemoryRegistry registry_;
};

}  // namespace

namespace settings_suite {
INSTANTIATE_TYPED_TEST_SUITE_P(InMemorySettings, SettingsSuite, ::testing::Types<FreshInMemoryRegistry>);
}  // namespace settings_suite
