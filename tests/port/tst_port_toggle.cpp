// The Open/Close toggle's rules against a scripted port and window: status
// texts, button caption and tooltip, which box turns red, failure numbers,
// the message box and the beep.
#include "platform/numbered_error.h"
#include "port/port_toggle.h"
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
    std::optional<NumberedError> failure, failOnClose;
    std::int16_t port = 1;
    QString settingsText;
    bool open = false;

    void fail(Step step) const
    {
        if (failure && step == failStep)
            throw *failure;
    }
    void setCommPort(std::int16_t p) override { fail(OnPort), port = p; }
    std::int16_t commPort() const override { return port; }
    void setSettings(const QString &s) override { fail(OnSettings), settingsText = s; }
    QString settings() const override { return settingsText; }
    void setPortOpen(bool o) override
    {
        if (o)
            fail(OnOpen);
        else if (failOnClose)
            throw *failOnClose;
        open = o;
    }
    bool portOpen() const override { return open; }
    void openDevice(const QString &) override {} // the reconnect tests' part
};

class FakeUi final : public PortToggleUi
{
public:
    QString portText = QStringLiteral("2"), baudText = QStringLiteral("9600");
    QString status = QStringLiteral("before"), caption = QStringLiteral("Open"), toolTip, focus;
    bool portRed = false, baudRed = false;

    QString portBoxText() const override { return portText; }
    QString baudBoxText() const override { return baudText; }
    void setStatus(const QString &t) override { status = t; }
    void setButtonCaption(const QString &c) override { caption = c; }
    void setButtonToolTip(const QString &t) override { toolTip = t; }
    void setBoxInError(Box box, bool e) override { (box == Box::Port ? portRed : baudRed) = e; }
    void focusBox(Box box) override { focus = box == Box::Port ? QStringLiteral("port") : QStringLiteral("baud"); }
    void focusDisplay() override { focus = QStringLiteral("display"); }
    QWidget *dialogParent() override { return nullptr; }
};

// One press of Open. `red` is the box that ends red ("port", "baud" or
// none); `message` the warning box's text, when there is one.
struct OpenCase
{
    QString portText;
    Step step;
    int number;
    int commPort;
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
        m_seam.whileOpen = nullptr;
        m_port = FakePort();
        m_ui = FakeUi();
    }

    void open_data()
    {
        QTest::addColumn<OpenCase>("c");
        const QString bad2 = QStringLiteral("Numero di Porta COM2 non valido");
        QTest::newRow("the port text as typed") << OpenCase{"02", None, 0, 2, "Porta COM02: 9600,n,8,1 OK", "", ""};
        QTest::newRow("2.5 rounds to 2") << OpenCase{"2.5", None, 0, 2, "Porta COM2.5: 9600,n,8,1 OK", "", ""};
        QTest::newRow("3.5 rounds to 4") << OpenCase{"3.5", None, 0, 4, "Porta COM3.5: 9600,n,8,1 OK", "", ""};
        QTest::newRow("-32768 fits 16 bits") << OpenCase{"-32768", None, 0, -32768, "Porta COM-32768: 9600,n,8,1 OK", "", ""};
        QTest::newRow("32768: Overflow 6") << OpenCase{"32768", None, 0, 1, "", "", "Errore Porta Seriale n.6\r\nOverflow"};
        QTest::newRow("8002 on the number") << OpenCase{"2", OnPort, 8002, 1, bad2, "port", ""};
        QTest::newRow("8002, empty box") << OpenCase{"", OnOpen, 8002, 0, "Numero di Porta COM non valido", "port", ""};
        QTest::newRow("68 device gone") << OpenCase{"2", OnOpen, 68, 2, bad2, "port", ""};
        QTest::newRow("8012") << OpenCase{"2", OnOpen, 8012, 2, bad2, "port", ""};
        QTest::newRow("380 on the settings") << OpenCase{"7", OnSettings, 380, 7, "Vel. Baud Porta COM7 non valida", "baud", ""};
        QTest::newRow("380 on open") << OpenCase{"2", OnOpen, 380, 2, "Vel. Baud Porta COM2 non valida", "baud", ""};
        QTest::newRow("8010 busy") << OpenCase{"2", OnOpen, 8010, 2, "", "", "Errore Porta Seriale n.8010\r\nwhy"};
        QTest::newRow("70 forbidden") << OpenCase{"2", OnOpen, 70, 2, "", "", "Errore Porta Seriale n.70\r\nwhy"};
    }
    void open()
    {
        QFETCH(OpenCase, c);
        m_ui.portText = c.portText;
        m_port.failStep = c.step;
        if (c.step != None)
            m_port.failure = NumberedError(c.number, QStringLiteral("why"));
        const bool opened = c.status.endsWith(QLatin1String("OK"));
        // A success clears both boxes; a failure turns only its own red.
        m_ui.portRed = m_ui.baudRed = opened;
        m_seam.whileOpen = [this](ScriptedUi::Kind) { QCOMPARE(m_seam.beeps(), 0); }; // box, then beep

        PortToggle(m_port, m_ui).toggle();

        QCOMPARE(m_port.open, opened);
        QCOMPARE(int(m_port.commPort()), c.commPort);
        QCOMPARE(m_ui.status, c.status);
        QCOMPARE(m_ui.caption, opened ? QStringLiteral("Close") : QStringLiteral("Open"));
        QCOMPARE(m_ui.toolTip, opened ? QStringLiteral("Close COM") + c.portText : QString());
        QCOMPARE(m_ui.portRed, c.red == QLatin1String("port"));
        QCOMPARE(m_ui.baudRed, c.red == QLatin1String("baud"));
        QCOMPARE(m_ui.focus, opened ? QStringLiteral("display") : c.red);
        const auto boxes = m_seam.callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), c.message.isEmpty() ? 0u : 1u);
        if (!c.message.isEmpty()) {
            QCOMPARE(boxes[0].text, c.message);
            QCOMPARE(boxes[0].title, QStringLiteral("Quillar"));
            QCOMPARE(boxes[0].icon, ModalUi::Icon::Warning);
        }
        QCOMPARE(m_seam.beeps(), opened ? 0 : 1);
        if (!opened)
            QCOMPARE(m_seam.calls.back().kind, ScriptedUi::Kind::Beep);
    }

    void settingsFromTheBaudBox_data()
    {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("settings");
        QTest::newRow("9600") << "9600" << "9600,n,8,1";
        QTest::newRow("empty") << "" << "0,n,8,1";
        QTest::newRow("fraction") << "9600.5" << "9600.5,n,8,1";
        QTest::newRow("negative") << "-110" << "-110,n,8,1";
    }
    void settingsFromTheBaudBox()
    {
        QFETCH(QString, baud);
        QTEST(PortToggle::settingsFor(baud), "settings");
    }

    // Closing names the open port, not the box; the tooltip follows the box
    // only while the port is closed.
    void closeAndTooltip()
    {
        PortToggle toggle(m_port, m_ui);
        toggle.toggle();
        m_ui.portText = QStringLiteral("5");
        toggle.portBoxChanged();
        QCOMPARE(m_ui.toolTip, QStringLiteral("Close COM2"));
        m_ui.focus.clear();
        toggle.toggle();
        QVERIFY(!m_port.open);
        QCOMPARE(m_ui.status, QStringLiteral("Porta COM2: CLOSED"));
        QCOMPARE(m_ui.caption, QStringLiteral("Open"));
        QCOMPARE(m_ui.toolTip, QStringLiteral("Open COM5"));
        QCOMPARE(m_ui.focus, QStringLiteral("display"));
        m_ui.portText = QStringLiteral("7");
        toggle.portBoxChanged();
        QCOMPARE(m_ui.toolTip, QStringLiteral("Open COM7"));

        // Only the opening steps have an error path.
        toggle.toggle();
        m_port.failOnClose = NumberedError(8012, QStringLiteral("not open"));
        QVERIFY_THROWS_EXCEPTION(NumberedError, toggle.toggle());
        QCOMPARE(m_seam.beeps(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPortToggle)
#include "tst_port_toggle.moc"
