#include "atr_list.h"

#include <algorithm>

namespace {

constexpr int mostDescriptionLines = 64;
constexpr int longestText = 16384;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool isExactPattern(const QByteArray &line) {
    return std::all_of(line.cbegin(), line.cend(), [](char c) {
        return isBlank(c) || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') ||
               (c >= 'a' && c <= 'f');
    });
}

QByteArray withoutBlanks(const QByteArray &line) {
    QByteArray packed;
    packed.reserve(line.size());
    for (char c : line)
        if (!isBlank(c))
            packed.append(c);
    return packed;
}

// The line that begins at *pos, without its line end; *pos moves to the next one.
QByteArray nextLine(const QByteArray &content, int *pos) {
    const int begin = *pos;
    int end = content.indexOf('\n', begin);
    if (end < 0)
        end = content.size();
    *pos = end + 1;
    const int length = end > begin && content[end - 1] == '\r' ? end - begin - 1 : end - begin;
    return content.mid(begin, length);
}

} // namespace

QString atrHex(const QByteArray &atr) {
    return QString::fromLatin1(atr.toHex().toUpper());
}

AtrList::AtrList(const QByteArray &content, const QString &origin)
    : origin_(origin), content_(content) {
    for (int pos = 0; pos < content_.size();) {
        const QByteArray line = nextLine(content_, &pos);
        if (line.isEmpty() || line[0] == '\t' || line[0] == '#' || line[0] == '$')
            continue;
        if (isExactPattern(line)) {
            const QByteArray hex = withoutBlanks(line);
            if (!exactEntries_.contains(hex))
                exactEntries_.insert(hex, pos);
        } else if (patterns_.add(std::string_view(line.constData(), std::size_t(line.size())))) {
            patternDescriptions_.push_back(pos);
        }
    }
}

QStringList AtrList::identificationTexts(const QByteArray &atr) const {
    const QString hex = atrHex(atr);
    const auto exact = exactEntries_.constFind(hex.toLatin1());
    if (exact != exactEntries_.cend())
        return descriptionTexts(*exact, hex);
    const QByteArray spaced = spacedAtrText(atr);
    const int pattern =
        patterns_.firstMatch(std::string_view(spaced.constData(), std::size_t(spaced.size())));
    return pattern < 0 ? QStringList()
                       : descriptionTexts(patternDescriptions_[std::size_t(pattern)], hex);
}

QStringList AtrList::descriptionTexts(int descriptionsAt, const QString &hex) const {
    QStringList texts;
    QString text = QStringLiteral("ATR: ") + hex;
    for (int pos = descriptionsAt; pos < content_.size() && texts.size() < mostDescriptionLines;) {
        const QByteArray line = nextLine(content_, &pos);
        if (!line.startsWith('\t'))
            break;
        const QString description = QString::fromUtf8(line).trimmed();
        if (text.size() + 1 + description.size() > longestText)
            break;
        text += QLatin1Char('\n') + description;
        texts.append(text);
    }
    return texts;
}

QStringList atrIdentificationTexts(const QByteArray &list, const QByteArray &atr) {
    return AtrList(list).identificationTexts(atr);
}
