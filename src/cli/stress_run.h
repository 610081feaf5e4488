#pragma once

#include "run_report.h"

#include <QByteArray>
#include <QString>

#include <chrono>

class PrinterFeeder;

struct StressSettings {
    QString reader;
    int cycles = 1;
    std::chrono::milliseconds cardTimeout{10000}; // for a card to arrive or leave
};

// The DESFire stress test, cycle after cycle, on the thread that runs it. With a
// printer each cycle feeds a card to the station, waits for it in the reader, runs the
// exercise, ejects the card and waits for it to leave; without one, each cycle runs the
// exercise on the card in the reader. Every cycle gets a progress line and goes into
// the report.
//
// A stop request (the thread's interruption request) is looked at between steps: the
// exercise under way always finishes, and a card the printer fed is ejected. A printer
// that fails, a card that does not leave, or (without a printer) no card in the reader
// ends the run after that cycle; a card that fails the exercise does not, and neither
// does a card held by another program beyond the tries for it, which is a set-up error.
class StressRun {
public:
    StressRun(const StressSettings &settings, PrinterFeeder *printer, RunReport &report);
    void run();
    // The run stopped because another program held the card.
    bool cardHeldElsewhere() const { return cardHeldElsewhere_; }

private:
    CycleRecord printerCycle(int number);
    CycleRecord readerCycle(int number);
    bool cardArrived(CycleRecord &cycle);
    void exercise(CycleRecord &cycle);
    void ejectCard(CycleRecord &cycle);
    QString noCardWithinTimeout() const;

    StressSettings settings_;
    QByteArray reader_;   // as PC/SC names it
    QString shownReader_; // as messages show it
    PrinterFeeder *printer_;
    RunReport &report_;
    QString stopReason_; // set when the run cannot go on
    bool cardHeldElsewhere_ = false;
};
