#pragma once

#include <QString>

// Where card commands send what the operator must see. The worker implements it by
// emitting its report signals.
class CardReports {
public:
    virtual void reportUiMessage(const QString &message) = 0;
    virtual void reportPopup(const QString &title, const QString &message) = 0;

protected:
    ~CardReports() = default;
};
