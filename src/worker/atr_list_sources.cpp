#include "atr_list_sources.h"

#include "regular_file.h"

#include <QFile>
#include <QStandardPaths>

#include <functional>
#include <map>
#include <mutex>

const QString compiledAtrList = QStringLiteral(":/docs/smartcard_list.txt");

QStringList atrListCandidates() {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                QStringLiteral("/smartcard_list.txt"),
            QStringLiteral("/usr/share/pcsc/smartcard_list.txt"), compiledAtrList};
}

namespace {

struct ParsedList {
    FileVersion version;
    std::shared_ptr<const AtrList> list;
};

std::mutex cacheMutex;
std::map<QString, ParsedList> parsedLists; // by path, guarded by cacheMutex

std::shared_ptr<const AtrList> parsedList(const QString &path, const FileVersion &version,
                                          const std::function<bool(QByteArray *)> &read) {
    const auto cached = parsedLists.find(path);
    if (cached != parsedLists.end() && cached->second.version == version)
        return cached->second.list;
    QByteArray content;
    if (!read(&content))
        return nullptr;
    auto list = std::make_shared<const AtrList>(content, path);
    parsedLists[path] = ParsedList{version, list};
    return list;
}

// The resources do not change while the program runs.
std::shared_ptr<const AtrList> compiledList(const QString &path, QString *failure) {
    QFile resource(path);
    if (!resource.open(QIODevice::ReadOnly)) {
        *failure = resource.errorString();
        return nullptr;
    }
    return parsedList(path, FileVersion{}, [&resource](QByteArray *content) {
        *content = resource.read(atrListSizeLimit);
        return !content->isEmpty();
    });
}

std::shared_ptr<const AtrList> fileList(const QString &path, QString *failure) {
    RegularFile file(path, atrListSizeLimit);
    std::shared_ptr<const AtrList> list;
    if (file.failure().isEmpty())
        list = parsedList(path, file.version(),
                          [&file](QByteArray *content) { return file.read(content); });
    if (!list)
        *failure = file.failure();
    return list;
}

} // namespace

std::shared_ptr<const AtrList> currentAtrList(const QStringList &candidates, QString *failure) {
    // Held while a new version is read, so that the threads that want it wait for the
    // one that reads it rather than each read it again.
    const std::lock_guard<std::mutex> lock(cacheMutex);
    for (const QString &candidate : candidates) {
        const std::shared_ptr<const AtrList> list = candidate.startsWith(QLatin1String(":/"))
                                                        ? compiledList(candidate, failure)
                                                        : fileList(candidate, failure);
        if (list)
            return list;
    }
    return nullptr;
}
