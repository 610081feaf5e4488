#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The form's controls that show a fixed text: labels, buttons and check boxes.
extern const QStringList formTextControls;

// The text a control shows, whatever its kind.
QString shownText(QWidget *widget);

// The width, in the widget's own pixels, that its style leaves for its text.
int textRoom(QWidget *widget);
