#pragma once

#include "debug_log.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class MainWindow;
class PrinterPlatform;
class QComboBox;
class QLabel;
class QTextEdit;

// One pop-up as the operator saw it before pressing OK.
struct SeenPopup {
    QString title;
    QString text;
};

// The real main window, with its real worker threads, driven the way an operator
// drives it: choosing a reader, typing, pressing buttons, and pressing OK on every
// pop-up as soon as it is up (which the test finds in popups).
class OperatorWindow : public QObject {
public:
    OperatorWindow();
    explicit OperatorWindow(std::unique_ptr<PrinterPlatform> printerPlatform);
    ~OperatorWindow() override;

    MainWindow &window() { return *window_; }
    QLabel *atrLabel() const;
    QComboBox *readers() const;
    QTextEdit *apduEdit() const;

    // Waits until the reader box lists the reader, then picks it.
    bool chooseReader(const QString &reader);
    // Picks the reader once the window watches its list's first entry, and waits until
    // the fresh worker watches the reader: a fault made before that would hit the
    // worker's set-up instead of its watch.
    bool watchReader(const QString &reader);
    void showAdvanced();
    void refresh();
    // Types nothing: the text is pasted whole, as a long text would be.
    void pasteApdu(const QString &text);
    void pressSend();
    void sendApdu(const QString &text) {
        pasteApdu(text);
        pressSend();
    }
    void pressDesfire();

    QList<SeenPopup> popups;
    // The message area's text after each report of a worker that changed it, in order.
    QStringList shownTexts;
    // Called with each new entry of shownTexts, right after the report that showed it
    // and before any later report: an operator reacting at once to what appears.
    std::function<void(const QString &shown)> onShown;
    // Every debug line since the window was made.
    DebugLog debug;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void start();
    void closePopups();

    std::unique_ptr<MainWindow> window_;
    QTimer popupWatch_;
};
