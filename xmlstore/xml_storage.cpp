#include "xmlstore/xml_storage.h"

#include <cstring>

namespace xmldom {

namespace {

constexpr std::size_t kFirstBlockSize = 4096;
// Room kept for the attributes of elements already made once new elements are refused.
constexpr std::uint64_t kHeadroom = 64 * 1024;
constexpr std::uint64_t kAddressable = std::uint64_t{1} << 32;

std::uint64_t arenaLimit = kAddressable;

std::uint32_t HashName(std::string_view name) {
    std::uint32_t hash = 2166136261u;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

}  // namespace

std::uint64_t ArenaLimit() { return arenaLimit; }
void SetArenaLimit(std::uint64_t bytes) { arenaLimit = bytes == 0 || bytes > kAddressable ? kAddressable : bytes; }

Storage::Storage() { nameSlots_.assign(16, 0); }

Offset Storage::AllocateInNewBlock(std::size_t size) {
    // A new block starts at the next free slot; offset 0 stays unused, so that it can mean none.
    std::uint64_t start = blocks_.empty() ? 0 : (blockEnd_ + kBlockSize - 1) & ~(kBlockSize - 1);
    std::uint64_t reserved = start == 0 ? 8 : 0;
    std::uint64_t blockSize;
    if (blocks_.empty()) blockSize = expectedBytes_ > kFirstBlockSize ? expectedBytes_ : kFirstBlockSize;
    else blockSize = lastBlockSize_ * 2;
    if (blockSize > kBlockSize) blockSize = kBlockSize;
    if (blockSize < size + reserved) blockSize = (size + reserved + kBlockSize - 1) & ~(kBlockSize - 1);
    if (start + blockSize > arenaLimit) return 0;
    // Not value-initialised: every object placed here is constructed in place.
    char* memory = new char[blockSize];
    blocks_.emplace_back(memory);
    bytesInBlocks_ += blockSize;
    lastBlockSize_ = blockSize;
    slots_.resize(start >> kBlockBits);
    for (std::uint64_t filled = 0; filled < blockSize; filled += kBlockSize) slots_.push_back(memory + filled);
    blockStart_ = start;
    blockMemory_ = memory;
    blockEnd_ = start + blockSize;
    top_ = start + reserved + size;
    return static_cast<Offset>(start + reserved);
}

bool Storage::NearlyFull() const {
    // What the arena can still take: the rest of its block, then the blocks that fit after it,
    // each at a slot of its own.
    std::uint64_t room = blockEnd_ - top_;
    std::uint64_t start = (blockEnd_ + kBlockSize - 1) & ~(kBlockSize - 1);
    std::uint64_t size = lastBlockSize_ ? lastBlockSize_ : kFirstBlockSize;
    while (room < kHeadroom) {
        size = size * 2 > kBlockSize ? kBlockSize : size * 2;
        if (start + size > arenaLimit) break;
        room += size;
        start += kBlockSize;
    }
    return room < kHeadroom;
}

bool Storage::AssignOutOfLine(std::uint32_t& header, Value& value, std::string_view utf8) {
    // Text that fits where the old one stood is rewritten in place.
    if (TagOf(header) == kOutOfLine && utf8.size() <= value.far.size) {
        std::memmove(At<char>(value.far.data), utf8.data(), utf8.size());
        value.far.size = static_cast<std::uint32_t>(utf8.size());
        return true;
    }
    if (utf8.size() > arenaLimit) return false;
    Offset data = Allocate(utf8.size(), 1);
    if (!data) return false;
    std::memcpy(At<char>(data), utf8.data(), utf8.size());
    value.far.data = data;
    value.far.size = static_cast<std::uint32_t>(utf8.size());
    SetTag(header, kOutOfLine);
    return true;
}

std::uint32_t Storage::FindName(std::string_view name) const {
    const std::size_t mask = nameSlots_.size() - 1;
    const std::uint32_t hash = HashName(name);
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        std::uint32_t slot = nameSlots_[at];
        if (slot == 0) return kNoName;
        const NameEntry& entry = names_[slot - 1];
        if (entry.hash == hash && Name(slot - 1) == name) return slot - 1;
    }
}

std::uint32_t Storage::Intern(std::string_view name) {
    const std::size_t mask = nameSlots_.size() - 1;
    const std::uint32_t hash = HashName(name);
    std::size_t at = hash & mask;
    for (;; at = (at + 1) & mask) {
        std::uint32_t slot = nameSlots_[at];
        if (slot == 0) break;
        const NameEntry& entry = names_[slot - 1];
        if (entry.hash == hash && Name(slot - 1) == name) return slot - 1;
    }
    if (names_.size() >= kNoName || name.size() > arenaLimit) return kNoName;
    Offset data = name.empty() ? 0 : Allocate(name.size(), 1);
    if (!name.empty() && !data) return kNoName;
    if (!name.empty()) std::memcpy(At<char>(data), name.data(), name.size());
    names_.push_back({data, static_cast<std::uint32_t>(name.size()), hash});
    const std::uint32_t id = static_cast<std::uint32_t>(names_.size() - 1);
    nameSlots_[at] = id + 1;
    if (names_.size() * 2 > nameSlots_.size()) GrowNameSlots();
    return id;
}

void Storage::GrowNameSlots() {
    std::vector<std::uint32_t> slots(nameSlots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t id = 0; id < names_.size(); ++id) {
        std::size_t at = names_[id].hash & mask;
        while (slots[at]) at = (at + 1) & mask;
        slots[at] = id + 1;
    }
    nameSlots_.swap(slots);
}

}  // namespace xmldom
