#include "tracking/platform_seams.h"

namespace {
// Not yet asked of the system: presence comes from input alone.
class NoPresence final : public PresenceSource {
public:
    bool MediaPlaying() override { return false; }
};
}  // namespace

PresenceSource& SystemPresence() {
    static NoPresence presence;
    return presence;
}
