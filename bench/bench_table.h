#pragma once

#include <QList>
#include <QString>
#include <QVector>

#include <utility>

// What a row is held against: a plain limit on its median, a limit on how far it may
// lie above its floor, or a limit on its ratio to the floor. Floors are measured in
// the same runs, so the comparison is the median of the per-run differences or ratios:
// a run slowed down by other load on the machine slows its floor alike.
struct BenchTarget {
    enum Kind { None, Below, AboveFloorBy, TimesFloor } kind = None;
    double limit = 0;
};

struct BenchRow {
    BenchRow() = default;
    BenchRow(QString name, QString unit, BenchTarget target, QString note)
        : name(std::move(name)), unit(std::move(unit)), target(target), note(std::move(note)) {}

    QString name;
    QString unit;
    BenchTarget target;
    QString note;                 // for an empty row: why it could not be measured
    QVector<double> samples;      // one per run
    QVector<double> floorSamples; // same runs, the bare floor; empty when there is none

    bool measured() const { return !samples.isEmpty(); }
    bool hasFloor() const { return !floorSamples.isEmpty(); }
    double value() const;
    double floor() const;
    // Median of the per-run differences to the floor when the target is one, otherwise
    // median of the per-run ratios.
    double comparison() const;
    bool targetMet() const;
};

// A row that could not be measured, with the reason.
BenchRow unavailableRow(const QString &name, const QString &reason);

double median(QVector<double> values);

QString formatTable(const QList<BenchRow> &rows);
bool writeJson(const QList<BenchRow> &rows, const QString &path);
