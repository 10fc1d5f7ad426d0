// Opening and closing through the real window and the real serial control,
// against pseudo-terminals linked as COM<N> in a scratch directory.
#include "platform/numbered_error.h"
#include "port/mscomm.h"
#include "support/scripted_ui.h"
#include "window/frm_quillar.h"
#include "window_on_device.h"
#include "window/system_colours.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>


using namespace quillar;
using quillar::test::ScriptedUi;
using quillar::test::WindowOnDevice;

class TestWindowPort : public WindowOnDevice
{
    Q_OBJECT

    QLineEdit *portBox() const { return child<QLineEdit>("txtCom1"); }
    QLineEdit *baudBox() const { return child<QLineEdit>("txtBaud1"); }
    QPushButton *toggle() const { return child<QPushButton>("Command1"); }
    QString status() const { return child<QLabel>("lblStatus")->text(); }
    static bool isRed(QLineEdit *box) { return box->palette().color(QPalette::Base) == QColor(255, 0, 0); }
    static bool isNormal(QLineEdit *box)
    {
        return box->palette().color(QPalette::Base) == systemColour(SystemColour::InactiveCaptionText);
    }
    void click() { QTest::mouseClick(toggle(), Qt::LeftButton); }

private slots:
    void init()
    {
        QVERIFY(startWindow());
    }
    void cleanup() { stopWindow(); }

    void openReceiveClose()
    {
        portBox()->setFocus();
        click();
        QCOMPARE(status(), QStringLiteral("Porta COM2: 9600,n,8,1 OK"));
        QCOMPARE(toggle()->text(), QStringLiteral("Close"));
        QCOMPARE(toggle()->toolTip(), QStringLiteral("Close COM2"));
        QCOMPARE(QApplication::focusWidget(), child("Text3"));
        QVERIFY(m_window->port().portOpen());
        QCOMPARE(m_seam->beeps(), 0);

        // Edited while open: the tooltip stays; closing names the open port.
        portBox()->setText(QStringLiteral("5"));
        QCOMPARE(toggle()->toolTip(), QStringLiteral("Close COM2"));
        portBox()->setFocus();
        click();
        QCOMPARE(status(), QStringLiteral("Porta COM2: CLOSED"));
        QCOMPARE(toggle()->text(), QStringLiteral("Open"));
        QCOMPARE(toggle()->toolTip(), QStringLiteral("Open COM5"));
        QCOMPARE(QApplication::focusWidget(), child("Text3"));
        QVERIFY(!m_window->port().portOpen());
        portBox()->setText(QStringLiteral("7"));
        QCOMPARE(toggle()->toolTip(), QStringLiteral("Open COM7"));
    }

    void noSuchPort()
    {
        portBox()->setText(QStringLiteral("99"));
        click();
        QCOMPARE(status(), QStringLiteral("Numero di Porta COM99 non valido"));
        QVERIFY(isRed(portBox()));
        QVERIFY(isNormal(baudBox()));
        QCOMPARE(QApplication::focusWidget(), portBox());
        QCOMPARE(toggle()->text(), QStringLiteral("Open"));
        QCOMPARE(m_seam->beeps(), 1);
        QCOMPARE(m_seam->callsOf(ScriptedUi::Kind::Message).size(), 0u);
    }

    void emptyBaudBox()
    {
        baudBox()->clear();
        click();
        QCOMPARE(status(), QStringLiteral("Vel. Baud Porta COM2 non valida"));
        QVERIFY(isRed(baudBox()));
        QVERIFY(isNormal(portBox()));
        QCOMPARE(QApplication::focusWidget(), baudBox());
        QCOMPARE(m_seam->beeps(), 1);
        QVERIFY(!m_window->port().portOpen());
    }

    void redBoxesClearedByTheNextOpen()
    {
        baudBox()->clear();
        click();
        // A red box stays red through edits and further failed opens.
        baudBox()->setText(QStringLiteral("4800"));
        portBox()->setText(QStringLiteral("99"));
        click();
        QVERIFY(isRed(portBox()));
        QVERIFY(isRed(baudBox()));
        portBox()->setText(QStringLiteral("2"));
        QVERIFY(isRed(portBox()));
        QVERIFY(isRed(baudBox()));
        click();
        QCOMPARE(status(), QStringLiteral("Porta COM2: 4800,n,8,1 OK"));
        QVERIFY(isNormal(portBox()));
        QVERIFY(isNormal(baudBox()));
    }

    void portHeldByAnotherProgram()
    {
        MSComm other;
        other.setCommPort(2);
        other.setSettings(QStringLiteral("9600,n,8,1"));
        other.setPortOpen(true);
        // The message box is up before the beep; caption and status as before.
        m_seam->whileOpen = [this](ScriptedUi::Kind) { QCOMPARE(m_seam->beeps(), 0); };
        click();
        const auto boxes = m_seam->callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), 1u);
        QVERIFY2(boxes[0].text.startsWith(QStringLiteral("Errore Porta Seriale n.8010\r\n")), qPrintable(boxes[0].text));
        QVERIFY(boxes[0].text.size() > QStringLiteral("Errore Porta Seriale n.8010\r\n").size());
        QCOMPARE(boxes[0].title, QStringLiteral("Quillar"));
        QCOMPARE(boxes[0].icon, ModalUi::Icon::Warning);
        QCOMPARE(m_seam->beeps(), 1);
        QCOMPARE(m_seam->calls.back().kind, ScriptedUi::Kind::Beep);
        QCOMPARE(status(), QString());
        QCOMPARE(toggle()->text(), QStringLiteral("Open"));
        QVERIFY(isNormal(portBox()));
        QVERIFY(isNormal(baudBox()));
    }
};

QTEST_MAIN(TestWindowPort)
#include "tst_window_port.moc"
