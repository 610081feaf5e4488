#pragma once

#include <QList>
#include <QString>
#include <QVector>

// What a row is held against: a plain limit on its median, a limit on how far it may
// lie above its floor (median of the per-run differences), or a limit on its ratio to
// the floor (ratio of the medians).
struct BenchTarget {
    enum Kind { None, Below, AboveFloorBy, TimesFloor } kind = None;
    double limit = 0;
};

struct BenchRow {
    QString name;
    QString unit;
    QVector<double> samples;      // one per run
    QVector<double> floorSamples; // same runs, the bare floor; empty when there is none
    BenchTarget target;
    QString note; // for an empty row: why it could not be measured

    bool measured() const { return !samples.isEmpty(); }
    bool hasFloor() const { return !floorSamples.isEmpty(); }
    double value() const;
    double floor() const;
    // Median of the per-run differences to the floor, or ratio of the medians.
    double comparison() const;
    bool targetMet() const;
};

// A row that could not be measured, with the reason.
BenchRow unavailableRow(const QString &name, const QString &reason);

double median(QVector<double> values);

QString formatTable(const QList<BenchRow> &rows);
bool writeJson(const QList<BenchRow> &rows, const QString &path);
