#include "bench_table.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

QString number(double value) {
    return QString::number(value, 'f', std::fabs(value) < 10 ? 2 : 1);
}

QString withUnit(double value, const QString &unit) {
    return number(value) + QLatin1Char(' ') + unit;
}

QString comparisonText(const BenchRow &row) {
    if (!row.measured() || !row.hasFloor())
        return {};
    if (row.target.kind == BenchTarget::AboveFloorBy)
        return QStringLiteral("%1%2 %3").arg(row.comparison() >= 0 ? QStringLiteral("+")
                                                                   : QString(),
                                             number(row.comparison()), row.unit);
    return QStringLiteral("%1x").arg(row.comparison(), 0, 'f', 2);
}

QString targetText(const BenchRow &row) {
    switch (row.target.kind) {
    case BenchTarget::None:
        return {};
    case BenchTarget::Below:
        return QStringLiteral("< ") + withUnit(row.target.limit, row.unit);
    case BenchTarget::AboveFloorBy:
        return QStringLiteral("floor + ") + withUnit(row.target.limit, row.unit);
    case BenchTarget::TimesFloor:
        return QStringLiteral("<= %1x floor").arg(row.target.limit, 0, 'f', 1);
    }
    return {};
}

QString metText(const BenchRow &row) {
    if (!row.measured() || row.target.kind == BenchTarget::None)
        return {};
    return row.targetMet() ? QStringLiteral("yes") : QStringLiteral("NO");
}

QJsonArray jsonArray(const QVector<double> &values) {
    QJsonArray array;
    for (double value : values)
        array.append(value);
    return array;
}

} // namespace

double median(QVector<double> values) {
    if (values.isEmpty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double BenchRow::value() const {
    return median(samples);
}

double BenchRow::floor() const {
    return median(floorSamples);
}

double BenchRow::comparison() const {
    const bool difference = target.kind == BenchTarget::AboveFloorBy;
    QVector<double> perRun;
    for (int i = 0; i < std::min(samples.size(), floorSamples.size()); ++i)
        perRun.append(difference ? samples[i] - floorSamples[i] : samples[i] / floorSamples[i]);
    return median(perRun);
}

bool BenchRow::targetMet() const {
    switch (target.kind) {
    case BenchTarget::None:
        return true;
    case BenchTarget::Below:
        return value() < target.limit;
    case BenchTarget::AboveFloorBy:
    case BenchTarget::TimesFloor:
        return comparison() <= target.limit;
    }
    return false;
}

BenchRow unavailableRow(const QString &name, const QString &reason) {
    BenchRow row;
    row.name = name;
    row.note = QStringLiteral("n/a (%1)").arg(reason);
    return row;
}

QString formatTable(const QList<BenchRow> &rows) {
    const QStringList header{QStringLiteral("Row"),    QStringLiteral("Median"),
                             QStringLiteral("Floor"),  QStringLiteral("vs floor"),
                             QStringLiteral("Target"), QStringLiteral("Met"),
                             QStringLiteral("Runs"),   QStringLiteral("Note")};
    QList<QStringList> cells{header};
    for (const BenchRow &row : rows) {
        cells.append(
            {row.name, row.measured() ? withUnit(row.value(), row.unit) : QString(),
             row.measured() && row.hasFloor() ? withUnit(row.floor(), row.unit) : QString(),
             comparisonText(row), targetText(row), metText(row),
             row.measured() ? QString::number(row.samples.size()) : QString(), row.note});
    }
    QVector<int> widths(header.size(), 0);
    for (const QStringList &line : cells)
        for (int column = 0; column < line.size(); ++column)
            widths[column] = std::max(widths[column], int(line[column].size()));

    QString table;
    for (const QStringList &line : cells) {
        QStringList padded;
        for (int column = 0; column < line.size(); ++column)
            padded.append(column + 1 < line.size() ? line[column].leftJustified(widths[column])
                                                   : line[column]);
        table += padded.join(QStringLiteral(" | ")).trimmed() + QLatin1Char('\n');
        if (&line == &cells.first()) {
            QStringList rule;
            for (int width : widths)
                rule.append(QString(width, QLatin1Char('-')));
            table += rule.join(QStringLiteral("-+-")) + QLatin1Char('\n');
        }
    }
    return table;
}

bool writeJson(const QList<BenchRow> &rows, const QString &path) {
    QJsonArray array;
    for (const BenchRow &row : rows) {
        QJsonObject object{{QStringLiteral("row"), row.name},
                           {QStringLiteral("unit"), row.unit},
                           {QStringLiteral("note"), row.note},
                           {QStringLiteral("runs"), jsonArray(row.samples)}};
        if (row.measured())
            object.insert(QStringLiteral("median"), row.value());
        if (row.measured() && row.hasFloor()) {
            object.insert(QStringLiteral("floorRuns"), jsonArray(row.floorSamples));
            object.insert(QStringLiteral("floorMedian"), row.floor());
            object.insert(row.target.kind == BenchTarget::AboveFloorBy
                              ? QStringLiteral("aboveFloor")
                              : QStringLiteral("ratioToFloor"),
                          row.comparison());
        }
        if (row.target.kind != BenchTarget::None) {
            object.insert(QStringLiteral("target"), targetText(row));
            if (row.measured())
                object.insert(QStringLiteral("targetMet"), row.targetMet());
        }
        array.append(object);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(QJsonDocument(array).toJson()) > 0;
}
