#include "desfire_options.h"

#include <stdexcept>
#include <string>

namespace vcard::desfire {

namespace {

[[noreturn]] void invalid(const std::string &what) {
    throw std::invalid_argument("DesfireCard: " + what);
}

Application applicationFrom(const DesfireApplicationSpec &preset) {
    Application app;
    app.aid = preset.aid;
    app.keySettings = preset.keySettings;
    app.keyCountByte = preset.keyCountByte;
    if (app.keyCount() < 1 || app.keyCount() > maxKeysPerApplication)
        invalid("an application needs 1 to 14 keys");
    if (preset.keys.size() > static_cast<std::size_t>(app.keyCount()))
        invalid("more keys given than the application has");
    app.keys = preset.keys;
    app.keys.resize(static_cast<std::size_t>(app.keyCount()));
    for (const DesfireFileSpec &fileSpec : preset.files) {
        if (fileSpec.number > maxFileNumber || app.files.count(fileSpec.number))
            invalid("file numbers must be unique and at most 31");
        if (fileSpec.contents.size() > fileSpec.size)
            invalid("file contents longer than the file");
        StdDataFile file;
        file.communication = fileSpec.communication;
        file.accessRights = fileSpec.accessRights;
        file.data = fileSpec.contents;
        file.data.resize(fileSpec.size);
        app.files[fileSpec.number] = file;
    }
    return app;
}

} // namespace

Picc piccFrom(const DesfireOptions &options) {
    Picc picc;
    picc.masterKey = options.piccMasterKey;
    picc.keySettings = options.piccKeySettings;
    for (const DesfireApplicationSpec &preset : options.applications) {
        if (preset.aid == piccLevel || picc.find(preset.aid))
            invalid("application IDs must be unique and not 000000");
        picc.applications.push_back(applicationFrom(preset));
    }
    if (picc.applications.size() > maxApplications)
        invalid("more than 28 applications");
    if (picc.usedMemory() > memory::capacity)
        invalid("the applications and files need more memory than the card has");
    return picc;
}

} // namespace vcard::desfire
