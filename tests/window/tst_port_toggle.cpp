// The Open/Close toggle's rules against a scripted port and window.
#include "platform/numbered_error.h"
#include "window/port_toggle.h"
#include "support/scripted_ui.h"

#include <QTest>

#include <optional>

using namespace quillar;
using quillar::test::ScriptedUi;

namespace {

enum Step { None, OnPort, OnSettings, OnOpen };

class FakePort final : public TogglePort
{
public:
    Step failStep = None;
    std::optional<NumberedError> failure;
    std::int16_t port = 1;
    QString settingsText;
    bool open = false;

    void fail(Step step) const { failure &&step == failStep ? throw *failure : void(); }
    void setCommPort(std::int16_t p) override { fail(OnPort), port = p; }
    std::int16_t commPort() const override { return port; }
    void setSettings(const QString &s) override { fail(OnSettings), settingsText = s; }
    QString settings() const override { return settingsText; }
    void setPortOpen(bool o) override { fail(o ? OnOpen : None), open = o; }
    bool portOpen() const override { return open; }
    bool portConnecting() const override { return false; } // the remote port tests' part
    QString devicePath() const override { return {}; }
    void openDevice(const QString &) override { }         // the reconnect tests' part
    QString consoleBehind() const override { return {}; } // the window tests' part
};

class FakeUi final : public PortToggleUi
{
public:
    QString portText, baudText, status = QStringLiteral("before"), detail, caption = QStringLiteral("Open"), toolTip,
                                focus;
    bool portRed = false, baudRed = false;

    QString portBoxText() const override { return portText; }
    QString baudBoxText() const override { return baudText; }
    void setStatus(const QString &t) override { status = t, detail.clear(); }
    void setStatusDetail(const QString &d) override { detail = d; }
    void setButtonCaption(const QString &c) override { caption = c; }
    void setButtonToolTip(const QString &t) override { toolTip = t; }
    void setBoxInError(Box box, bool e) override { (box == Box::Port ? portRed : baudRed) = e; }
    void focusBox(Box box) override { focus = box == Box::Port ? QStringLiteral("port") : QStringLiteral("baud"); }
    void focusDisplay() override { focus = QStringLiteral("display"); }
    QWidget *dialogParent() override { return nullptr; }
};

// One press of Open; `red`: "port", "baud" or none; `message`: a box's text.
struct OpenCase
{
    QString portText, baudText;
    Step step;
    int number, commPort;
    QString status, red, message;
};

} // namespace

Q_DECLARE_METATYPE(OpenCase)

class TestPortToggle : public QObject
{
    Q_OBJECT

    ScriptedUi m_seam;
    FakePort m_port;
    FakeUi m_ui;

private slots:
    void init()
    {
        m_seam.clear();
        m_port = FakePort();
        m_ui = FakeUi();
    }

    void open_data()
    {
        QTest::addColumn<OpenCase>("c");
        const QString bad2 = QStringLiteral("Numero di Porta COM2 non valido");
        QTest::newRow("the port text as typed")
            << OpenCase{"02", "9600", None, 0, 2, "Porta COM02: 9600,n,8,1 OK", "", ""};
        QTest::newRow("2.5 rounds to 2, empty baud box")
            << OpenCase{"2.5", "", None, 0, 2, "Porta COM2.5: 0,n,8,1 OK", "", ""};
        QTest::newRow("-32768 fits 16 bits, baud as typed")
            << OpenCase{"-32768", "9600.5", None, 0, -32768, "Porta COM-32768: 9600.5,n,8,1 OK", "", ""};
        QTest::newRow("32768: Overflow 6")
            << OpenCase{"32768", "9600", None, 0, 1, "", "", "Errore Porta Seriale n.6\r\nOverflow"};
        QTest::newRow("8002 on the number, empty box")
            << OpenCase{"", "9600", OnPort, 8002, 1, "Numero di Porta COM non valido", "port", ""};
        QTest::newRow("68 device gone") << OpenCase{"2", "9600", OnOpen, 68, 2, bad2, "port", ""};
        QTest::newRow("8012") << OpenCase{"2", "9600", OnOpen, 8012, 2, bad2, "port", ""};
        QTest::newRow("380 on the settings")
            << OpenCase{"7", "9600", OnSettings, 380, 7, "Vel. Baud Porta COM7 non valida", "baud", ""};
        QTest::newRow("8010 busy") << OpenCase{"2", "9600", OnOpen, 8010,
                                               2,   "",     "",     "Errore Porta Seriale n.8010\r\nwhy"};
    }
    void open()
    {
        QFETCH(OpenCase, c);
        m_ui.portText = c.portText;
        m_ui.baudText = c.baudText;
        m_port.failStep = c.step;
        if (c.step != None)
            m_port.failure = NumberedError(c.number, QStringLiteral("why"));
        const bool opened = c.status.endsWith(QLatin1String("OK"));
        m_ui.portRed = m_ui.baudRed = opened; // a success clears both boxes

        PortToggle toggle(m_port, m_ui);
        toggle.toggle();

        QCOMPARE(m_port.open, opened);
        QCOMPARE(int(m_port.commPort()), c.commPort);
        QCOMPARE(m_ui.status, c.status);
        // A marked box's status line tells why in its detail.
        QCOMPARE(m_ui.detail, c.red.isEmpty() ? QString() : QStringLiteral("why"));
        QCOMPARE(m_ui.caption, opened ? QStringLiteral("Close") : QStringLiteral("Open"));
        QCOMPARE(m_ui.toolTip, opened ? QStringLiteral("Close COM") + c.portText : QString());
        QCOMPARE(QString(m_ui.portRed ? "port" : "") + (m_ui.baudRed ? "baud" : ""), c.red);
        QCOMPARE(m_ui.focus, opened ? QStringLiteral("display") : c.red);
        // A warning box, then a beep, on every failure.
        QStringList calls;
        for (const ScriptedUi::Call &call : m_seam.calls)
            calls << (call.kind == ScriptedUi::Kind::Beep ? QStringLiteral("beep") : call.title + u' ' + call.text);
        QStringList expected{c.message.isEmpty() ? QString() : "Quillar " + c.message, opened ? QString() : "beep"};
        expected.removeAll(QString());
        QCOMPARE(calls, expected);
        QVERIFY(m_seam.callsOf(ScriptedUi::Kind::Message).empty() || m_seam.calls[0].icon == ModalUi::Icon::Warning);
        if (opened) { // closed again, the keys go to the data, not back to a box
            m_ui.focus.clear();
            toggle.toggle();
            QCOMPARE(m_port.open, false);
            QCOMPARE(m_ui.focus, QStringLiteral("display"));
        }
    }
};

QTEST_GUILESS_MAIN(TestPortToggle)
#include "tst_port_toggle.moc"
