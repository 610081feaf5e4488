#include "mifare_arguments.h"

#include "hex.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vcard {

namespace {

bool parseNumber(const std::string &text, int *number) {
    if (text.empty())
        return false;
    char *end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || value < 0 || value > 255)
        return false;
    *number = int(value);
    return true;
}

// "SECTOR:HEX" gives that sector, "HEX" every sector of the card; the hex must give
// exactly size bytes.
bool parseTarget(const std::string &value, int count, std::size_t size, std::vector<int> *targets,
                 Bytes *bytes) {
    const std::size_t colon = value.find(':');
    *bytes = fromHex(colon == std::string::npos ? value : value.substr(colon + 1));
    if (bytes->size() != size)
        return false;
    targets->clear();
    if (colon == std::string::npos) {
        for (int target = 0; target < count; ++target)
            targets->push_back(target);
        return true;
    }
    int target = 0;
    if (!parseNumber(value.substr(0, colon), &target))
        return false;
    targets->push_back(target);
    return true;
}

template <typename Array, typename Map>
bool setEach(const std::string &value, int count, Map *bySector) {
    std::vector<int> sectors;
    Bytes bytes;
    if (!parseTarget(value, count, std::tuple_size<Array>::value, &sectors, &bytes))
        return false;
    Array array;
    std::copy(bytes.begin(), bytes.end(), array.begin());
    for (int sector : sectors)
        (*bySector)[sector] = array;
    return true;
}

const std::vector<std::string> mifareOptions{
    "--uid", "--key-a", "--key-b", "--access", "--block", "--fault-silent", "--fault-refuse"};

} // namespace

bool isMifareOption(const std::string &option) {
    return std::find(mifareOptions.begin(), mifareOptions.end(), option) != mifareOptions.end();
}

bool applyMifareOption(const std::string &option, const std::string &value,
                       MifareOptions *options) {
    const int sectors = mifare::sectorCount(options->type);
    if (option == "--uid") {
        options->uid = fromHex(value);
        return options->uid.size() == 4;
    }
    if (option == "--key-a")
        return setEach<mifare::KeyBytes>(value, sectors, &options->keyA);
    if (option == "--key-b")
        return setEach<mifare::KeyBytes>(value, sectors, &options->keyB);
    if (option == "--access")
        return setEach<mifare::AccessBytes>(value, sectors, &options->access);
    if (option == "--block")
        return value.find(':') != std::string::npos &&
               setEach<mifare::Block>(value, 0, &options->blocks);
    int block = 0;
    if (!parseNumber(value, &block))
        return false;
    if (option == "--fault-silent")
        options->silentBlocks.insert(block);
    else if (option == "--fault-refuse")
        options->refusingBlocks.insert(block);
    else
        return false;
    return true;
}

} // namespace vcard
