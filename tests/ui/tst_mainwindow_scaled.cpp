// The window on a screen of twice the usual density, set up as the program sets it up.
// Run by scaled_window.sh on an X display of its own whose Xft.dpi is 192.

#include "form_texts.h"
#include "ui/mainwindow.h"
#include "ui/screen_scaling.h"
#include "worker/card_identification.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QWindow>
#include <QtTest>

namespace {

// What the worker tells the window about the virtual printer's DESFire card.
struct LastText : CardReports {
    void reportUiMessage(const QString &message) override { text = message; }
    void reportPopup(const QString &, const QString &) override {}
    QString text;
};

const QString noCardText = QStringLiteral("No smart card inserted.");

// The X server's own idea of a window's place and size, in device pixels.
QRect xWindowGeometry(WId window) {
    QProcess xwininfo;
    xwininfo.start("xwininfo", {"-id", QString::number(window)});
    if (!xwininfo.waitForFinished())
        return {};
    const QString info = QString::fromLocal8Bit(xwininfo.readAllStandardOutput());
    auto field = [&info](const char *name) {
        return QRegularExpression(QStringLiteral("%1: +(\\d+)").arg(name))
            .match(info)
            .captured(1)
            .toInt();
    };
    return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
            field("Height")};
}

} // namespace

class MainWindowScaledTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void windowTwiceTheSize();
    void iconSharp();
    void textFitsItsControl_data();
    void textFitsItsControl();
    void screenshot();

private:
    template <typename T> T *child(const char *name) { return window->findChild<T *>(name); }

    std::unique_ptr<MainWindow> window;
};

void MainWindowScaledTest::initTestCase() {
    QCOMPARE(qApp->platformName(), QStringLiteral("xcb"));
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // Every control shown, as with Advanced on; the reader list in and the first worker's
    // only message shown.
    QTest::mouseClick(child<QCheckBox>("cb_advanced"), Qt::LeftButton);
    QTRY_VERIFY(child<QComboBox>("combo_readers")->count() > 1);
    QTRY_COMPARE(child<QLabel>("atr_label")->text(), noCardText);
}

void MainWindowScaledTest::windowTwiceTheSize() {
    QCOMPARE(window->devicePixelRatioF(), 2.0);
    QCOMPARE(window->size(), QSize(503, 449));
    QCOMPARE(xWindowGeometry(window->winId()).size(), QSize(1006, 898));
}

void MainWindowScaledTest::iconSharp() {
    const QPixmap icon = window->windowIcon().pixmap(QSize(32, 32));
    QCOMPARE(icon.devicePixelRatio(), 2.0);
    QCOMPARE(icon.size(), QSize(64, 64));
}

void MainWindowScaledTest::textFitsItsControl_data() {
    QTest::addColumn<QString>("name");
    for (const QString &name : formTextControls)
        QTest::newRow(qPrintable(name)) << name;
}

// The glyphs are drawn from the font at twice its size, whose hinted width need not be
// twice the width at the form's own size.
void MainWindowScaledTest::textFitsItsControl() {
    QFETCH(QString, name);
    auto *widget = window->findChild<QWidget *>(name);
    QVERIFY(widget->isVisible());

    QFont deviceFont = widget->font();
    deviceFont.setPixelSize(deviceFont.pixelSize() * 2);
    const int textWidth = QFontMetrics(deviceFont).horizontalAdvance(shownText(widget));
    const int room = textRoom(widget) * 2;
    QVERIFY2(textWidth <= room, qPrintable(QString("%1 > %2").arg(textWidth).arg(room)));
}

// For the README, when asked for: the window at scale 2 as the screen shows it, with
// the contactless reader chosen and the virtual printer's DESFire card identified.
void MainWindowScaledTest::screenshot() {
    const QString path = qEnvironmentVariable("QUORVANE_SCREENSHOT");
    if (path.isEmpty())
        QSKIP("QUORVANE_SCREENSHOT names no file");
    auto *combo = child<QComboBox>("combo_readers");
    auto *label = child<QLabel>("atr_label");
    const int reader = combo->findText("Virtual PCD 00 01");
    if (reader > 0) {
        // Only the new worker's message can show the no-card text again.
        label->clear();
        combo->setCurrentIndex(reader);
        QTRY_COMPARE(label->text(), noCardText);
    }
    LastText identification;
    reportAtrIdentification(QByteArray::fromHex("3B8180018080"), identification);
    window->receiveUIMessage(identification.text);
    window->repaint();
    QGuiApplication::sync();

    const QRect shown = xWindowGeometry(window->winId());
    const QString crop =
        QString("%1x%2+%3+%4").arg(shown.width()).arg(shown.height()).arg(shown.x()).arg(shown.y());
    QCOMPARE(QProcess::execute("import", {"-window", "root", "-crop", crop, "+repage", path}), 0);
}

int main(int argc, char *argv[]) {
    enableScreenScaling();
    QApplication application(argc, argv);
    MainWindowScaledTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow_scaled.moc"
