#include "atr_list_sources.h"

#include <QFile>
#include <QStandardPaths>

const QString compiledAtrList = QStringLiteral(":/docs/smartcard_list.txt");

QStringList atrListCandidates() {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                QStringLiteral("/smartcard_list.txt"),
            QStringLiteral("/usr/share/pcsc/smartcard_list.txt"), compiledAtrList};
}

bool openFirstAtrList(const QStringList &candidates, QFile &list) {
    for (const QString &candidate : candidates) {
        list.setFileName(candidate);
        if (list.open(QIODevice::ReadOnly)) {
            if (list.size() > 0)
                return true;
            list.close();
        }
    }
    return false;
}
