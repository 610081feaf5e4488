#include "desfire_model.h"

#include <algorithm>

namespace vcard::desfire {

namespace memory {

namespace {
std::size_t blocksFor(std::size_t count, std::size_t perBlock) {
    return (count + perBlock - 1) / perBlock;
}
} // namespace

std::size_t applicationCost(int keyCount) {
    return (applicationBlocks + blocksFor(static_cast<std::size_t>(keyCount), keysPerBlock)) *
           blockSize;
}

std::size_t fileCost(std::size_t fileSize) {
    return blocksFor(fileSize, blockSize) * blockSize;
}

} // namespace memory

Application *Picc::find(const Aid &aid) {
    const auto found = std::find_if(applications.begin(), applications.end(),
                                    [&](const Application &app) { return app.aid == aid; });
    return found == applications.end() ? nullptr : &*found;
}

const Application *Picc::find(const Aid &aid) const {
    return const_cast<Picc *>(this)->find(aid);
}

namespace {
std::size_t memoryOf(const Application &app) {
    std::size_t used = memory::applicationCost(app.keyCount());
    for (const auto &file : app.files)
        used += memory::fileCost(file.second.data.size());
    return used;
}
} // namespace

void Picc::remove(const Aid &aid) {
    const auto found = std::find_if(applications.begin(), applications.end(),
                                    [&](const Application &app) { return app.aid == aid; });
    if (found == applications.end())
        return;
    deletedMemory += memoryOf(*found);
    applications.erase(found);
}

void Picc::format() {
    applications.clear();
    deletedMemory = 0;
}

std::size_t Picc::usedMemory() const {
    std::size_t used = deletedMemory;
    for (const Application &app : applications)
        used += memoryOf(app);
    return used;
}

std::size_t Picc::freeMemory() const {
    const std::size_t used = usedMemory();
    return used < memory::capacity ? memory::capacity - used : 0;
}

} // namespace vcard::desfire
