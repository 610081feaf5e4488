#include "form_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextEdit>

const QStringList formTextControls = {"label_reader",   "btn_refresh",   "cb_advanced",
                                      "label_apdu",     "btn_send_apdu", "cb_protocol_t0",
                                      "cb_protocol_t1", "label_desfire", "button_desfire"};

QString shownText(QWidget *widget) {
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *edit = qobject_cast<QTextEdit *>(widget))
        return edit->toPlainText();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentText();
    return QString();
}

int textRoom(QWidget *widget) {
    auto *button = qobject_cast<QAbstractButton *>(widget);
    if (!button)
        return widget->contentsRect().width();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool checkBox = qobject_cast<QCheckBox *>(button);
    return button->style()
        ->subElementRect(checkBox ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents,
                         &option, button)
        .width();
}
