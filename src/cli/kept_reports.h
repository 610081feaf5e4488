#pragma once

#include "card/card_reports.h"

#include <QPair>
#include <QStringList>

// The card code's reports as the command-line program takes them: the operator's texts
// kept for the command to use, the window's console lines left out, since standard
// output carries the program's own results.
class KeptReports : public CardReports {
public:
    void reportUiMessage(const QString &message) override { uiMessages.append(message); }
    void reportPopup(const QString &title, const QString &message) override {
        popups.append({title, message});
    }
    void reportConsoleLine(const QString &) override {}

    QStringList uiMessages;
    QList<QPair<QString, QString>> popups;
};
