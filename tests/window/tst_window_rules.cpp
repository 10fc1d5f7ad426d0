// The window's rules on their own: resize, ruler, outer geometry, key filter
// and the Open/Close toggle against a scripted port.
#include "platform/numbered_error.h"
#include "platform/twips.h"
#include "port/port_toggle.h"
#include "support/scripted_ui.h"
#include "window/key_rules.h"
#include "window/outer_geometry.h"
#include "window/resize_rule.h"
#include "window/ruler_placement.h"
#include "window/ruler_text.h"

#include <QKeyEvent>
#include <QTest>

#include <optional>

using namespace quillar;
using quillar::test::ScriptedUi;

namespace {

// The serial control with scripted failures.
class FakePort final : public TogglePort
{
public:
    std::optional<NumberedError> failOnPort, failOnSettings, failOnOpen, failOnClose;
    std::int16_t port = 0;
    QString settingsText;
    bool open = false;

    void setCommPort(std::int16_t p) override
    {
        if (failOnPort)
            throw *failOnPort;
        port = p;
    }
    std::int16_t commPort() const override { return port; }
    void setSettings(const QString &s) override
    {
        if (failOnSettings)
            throw *failOnSettings;
        settingsText = s;
    }
    QString settings() const override { return settingsText; }
    void setPortOpen(bool o) override
    {
        if (o && failOnOpen)
            throw *failOnOpen;
        if (!o && failOnClose)
            throw *failOnClose;
        open = o;
    }
    bool portOpen() const override { return open; }
    void openDevice(const QString &) override { setPortOpen(true); }
};

class FakeUi final : public PortToggleUi
{
public:
    QString portText = QStringLiteral("2");
    QString baudText = QStringLiteral("9600");
    QString status = QStringLiteral("Label1");
    QString caption = QStringLiteral("Open");
    QString toolTip = QStringLiteral("Open COM");
    bool portRed = false;
    bool baudRed = false;
    QString focus;

    QString portBoxText() const override { return portText; }
    QString baudBoxText() const override { return baudText; }
    void setStatus(const QString &t) override { status = t; }
    void setButtonCaption(const QString &c) override { caption = c; }
    void setButtonToolTip(const QString &t) override { toolTip = t; }
    void setBoxInError(Box box, bool e) override { (box == Box::Port ? portRed : baudRed) = e; }
    void focusBox(Box box) override { focus = box == Box::Port ? QStringLiteral("txtCom1") : QStringLiteral("txtBaud1"); }
    void focusDisplay() override { focus = QStringLiteral("Text3"); }
    QWidget *dialogParent() override { return nullptr; }
};

} // namespace

class TestWindowRules : public QObject
{
    Q_OBJECT

private slots:
    void resizeRule_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("newWidth");
        QTest::addColumn<double>("newHeight");
        QTest::addColumn<double>("displayWidth");
        QTest::addColumn<double>("displayHeight");
        QTest::newRow("both at once") << 15000.0 << 0.0 << 14925.0 << 1825.0 << 14790.0 << 535.0;
        QTest::newRow("just below the minimum height") << 11000.0 << 1824.9 << 11000.0 << 1825.0 << 10865.0 << 535.0;
        QTest::newRow("no maximum height") << 11000.0 << 90000.0 << 11000.0 << 90000.0 << 10865.0 << 88710.0;
        QTest::newRow("width exactly 135 keeps a display") << 135.0 << 4500.0 << 135.0 << 4500.0 << 1.0 << 3210.0;
    }
    void resizeRule()
    {
        QFETCH(double, width);
        QFETCH(double, height);
        const auto out = applyResizeRule(false, width, height);
        QVERIFY(out);
        QFETCH(double, newWidth);
        QFETCH(double, newHeight);
        QFETCH(double, displayWidth);
        QFETCH(double, displayHeight);
        QCOMPARE(*out, (ResizeOutcome{newWidth, newHeight, displayWidth, displayHeight}));
        // The rule is stable: applying it to its own result changes nothing.
        QCOMPARE(*applyResizeRule(false, out->outerWidth, out->outerHeight), *out);
    }

    void rulerText()
    {
        const QString a = rulerRowA();
        const QString b = rulerRowB();
        QCOMPARE(a.size(), 120);
        QCOMPARE(b.size(), 120);
        QCOMPARE(label3Caption(),
                 QStringLiteral("0        1         2         3         4         5         6         7         8"
                                "         9         0         1         2 "
                                "1234567890123456789012345678901234567890123456789012345678901234567890123456789012"
                                "34567890123456789012345678901234567890"));
        QCOMPARE(label9Caption(), QStringLiteral("1         1         1"));
        // Every column k from 1 to 120 reads as its number: hundreds from Label9
        // (its first character over column 100), tens from row A, units from row B.
        const QString h = label9Caption();
        for (int k = 1; k <= 120; ++k) {
            QCOMPARE(b[k - 1], QChar(u'0' + k % 10));
            const bool tensShown = k == 1 || k % 10 == 0;
            QCOMPARE(a[k - 1], tensShown ? QChar(u'0' + (k / 10) % 10) : QChar(u' '));
            const QChar hundreds = k >= 100 ? h[k - 100] : QChar(u' ');
            QCOMPARE(hundreds, k >= 100 && k % 10 == 0 ? QChar(u'1') : QChar(u' '));
        }
    }

    void rulerPlacement_data()
    {
        QTest::addColumn<double>("column1Left");
        QTest::addColumn<double>("cell");
        QTest::newRow("fractional cell") << 2.0 << 7.2246;
        QTest::newRow("wide cell beyond the design width") << 2.0 << 9.5;
        QTest::newRow("display left of the design label") << 1.0 << 8.0;
    }
    void rulerPlacement()
    {
        QFETCH(double, column1Left);
        QFETCH(double, cell);
        const QRect label3Design(4, 20, 962, 33);
        const QRect label9Design(796, 5, 173, 16);
        const RulerPlacement p = quillar::rulerPlacement(label3Design, label9Design, column1Left, cell);
        for (int k = 1; k <= 120; ++k) {
            const double x = p.label3.left() + p.label3FirstChar + (k - 1) * cell;
            QCOMPARE(x, column1Left + (k - 1) * cell);
            QVERIFY2(x >= p.label3.left() && x + cell <= p.label3.right() + 1 + 1e-9, qPrintable(QString::number(k)));
        }
        for (int i = 0; i < 21; ++i) {
            const double x = p.label9.left() + p.label9FirstChar + i * cell;
            QCOMPARE(x, column1Left + (99 + i) * cell);
            QVERIFY(x >= p.label9.left() && x + cell <= p.label9.right() + 1 + 1e-9);
        }
        // Rows and height never change: the ruler keeps its designed lines.
        QCOMPARE(p.label3.top(), label3Design.top());
        QCOMPARE(p.label3.height(), label3Design.height());
        QCOMPARE(p.label9.top(), label9Design.top());
        QCOMPARE(p.label9.height(), label9Design.height());
    }

    void outerGeometryRoundTrip_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::newRow("96") << 96.0;
        QTest::newRow("odd 101") << 101.0;
    }
    void outerGeometryRoundTrip()
    {
        QFETCH(double, dpi);
        const QMargins frame = designFrameMargins(dpi);
        const QList<OuterGeometry> samples{{0, 0, 11000, 4500}, {1234.5, 987.25, 14925, 1825}, {-3000, 40000, 7777, 3333}};
        for (const OuterGeometry &stored : samples) {
            // Start-up sets what the file holds, shut-down reads it back: after
            // the first whole-pixel rounding every further cycle is exact.
            const OuterGeometry first = outerFromClient(clientRectFromOuter(stored, frame, dpi), frame, dpi);
            const OuterGeometry second = outerFromClient(clientRectFromOuter(first, frame, dpi), frame, dpi);
            QCOMPARE(second, first);
            // ...also through 32-bit floats, as the settings file keeps them.
            const OuterGeometry asFloat{float(first.left), float(first.top), float(first.width), float(first.height)};
            QCOMPARE(clientRectFromOuter(asFloat, frame, dpi), clientRectFromOuter(first, frame, dpi));
            const double pixel = 1440.0 / dpi;
            QVERIFY(std::abs(first.width - stored.width) <= pixel / 2 + 1e-9);
        }
        // The design frame: 60 twips at the sides and bottom, 450 at the top.
        QCOMPARE(frame, QMargins(twipsToPixels(60, dpi), twipsToPixels(450, dpi), twipsToPixels(60, dpi),
                                 twipsToPixels(60, dpi)));
    }

    void outerGeometryNeverEmpty()
    {
        const QRect r = clientRectFromOuter({0, 0, 0, 0}, designFrameMargins(96), 96);
        QVERIFY(r.width() >= 1);
        QVERIFY(r.height() >= 1);
    }

    void digitFilter_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("typesCharacter");
        QTest::addColumn<bool>("passes");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("digit 0") << int(Qt::Key_0) << "0" << 0 << true << true;
        QTest::newRow("digit 9") << int(Qt::Key_9) << "9" << 0 << true << true;
        QTest::newRow("tab 9") << int(Qt::Key_Tab) << "\t" << 0 << true << true;
        QTest::newRow("Ctrl+C as 3") << int(Qt::Key_C) << "\x03" << ctrl << true << true;
        QTest::newRow("Ctrl+C with letter text") << int(Qt::Key_C) << "c" << ctrl << true << true;
        QTest::newRow("Ctrl+V with letter text") << int(Qt::Key_V) << "v" << ctrl << true << false;
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << "x" << ctrl << true << false;
        QTest::newRow("Enter 13") << int(Qt::Key_Return) << "\r" << 0 << true << false;
        QTest::newRow("Escape 27") << int(Qt::Key_Escape) << "\x1b" << 0 << true << false;
        QTest::newRow("capital letter") << int(Qt::Key_E) << "E" << int(Qt::ShiftModifier) << true << false;
        QTest::newRow("superscript two is no digit") << int(Qt::Key_twosuperior) << QString(QChar(0xb2)) << 0 << true << false;
        QTest::newRow("Arabic-Indic digit is no digit") << 0 << QString(QChar(0x661)) << 0 << true << false;
        QTest::newRow("Delete types nothing") << int(Qt::Key_Delete) << "\x7f" << 0 << false << true;
        QTest::newRow("arrow types nothing") << int(Qt::Key_Left) << "" << 0 << false << true;
    }
    void digitFilter()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(bool, typesCharacter);
        QFETCH(bool, passes);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
        const auto code = keyAsciiOf(event);
        QCOMPARE(code.has_value(), typesCharacter);
        QCOMPARE(!code || digitFilterPasses(*code), passes);
    }

    void settingsText_data()
    {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("settings");
        QTest::newRow("9600") << "9600" << "9600,n,8,1";
        QTest::newRow("empty") << "" << "0,n,8,1";
        QTest::newRow("fraction") << "9600.5" << "9600.5,n,8,1";
        QTest::newRow("negative") << "-110" << "-110,n,8,1";
    }
    void settingsText()
    {
        QFETCH(QString, baud);
        QFETCH(QString, settings);
        QCOMPARE(PortToggle::settingsFor(baud), settings);
    }

    void portNumberRounding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::newRow("2.5 goes to 2") << "2.5" << 2;
        QTest::newRow("3.5 goes to 4") << "3.5" << 4;
        QTest::newRow("empty is 0") << "" << 0;
        QTest::newRow("32767 fits") << "32767" << 32767;
        QTest::newRow("-32768 fits") << "-32768" << -32768;
    }
    void portNumberRounding()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        ScriptedUi seam;
        FakePort fake;
        FakeUi ui;
        ui.portText = text;
        PortToggle(fake, ui).toggle();
        QCOMPARE(int(fake.port), port);
    }

    void openFailures_data()
    {
        QTest::addColumn<int>("step"); // 0 CommPort, 1 Settings, 2 PortOpen
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("redBox");
        QTest::addColumn<QString>("message");
        const QString none;
        QTest::newRow("68 marks the port box") << 2 << 68 << "7" << "Numero di Porta COM7 non valido" << "txtCom1" << none;
        QTest::newRow("8002 on CommPort") << 0 << 8002 << "0" << "Numero di Porta COM0 non valido" << "txtCom1" << none;
        QTest::newRow("8002 on open, empty box") << 2 << 8002 << "" << "Numero di Porta COM non valido" << "txtCom1" << none;
        QTest::newRow("8012") << 2 << 8012 << "3" << "Numero di Porta COM3 non valido" << "txtCom1" << none;
        QTest::newRow("380 carries the port box text") << 1 << 380 << "2" << "Vel. Baud Porta COM2 non valida" << "txtBaud1" << none;
        QTest::newRow("380 on open") << 2 << 380 << "4" << "Vel. Baud Porta COM4 non valida" << "txtBaud1" << none;
        QTest::newRow("8010 busy: message box") << 2 << 8010 << "2" << "" << "" << "Errore Porta Seriale n.8010\r\nbusy";
        QTest::newRow("70 forbidden: message box") << 2 << 70 << "2" << "" << "" << "Errore Porta Seriale n.70\r\nbusy";
        QTest::newRow("port number beyond 16 bits: Overflow 6") << -1 << 6 << "99999" << "" << "" << "Errore Porta Seriale n.6\r\nOverflow";
    }
    void openFailures()
    {
        QFETCH(int, step);
        QFETCH(int, number);
        QFETCH(QString, portText);
        QFETCH(QString, status);
        QFETCH(QString, redBox);
        QFETCH(QString, message);
        ScriptedUi seam;
        FakePort port;
        FakeUi ui;
        ui.portText = portText;
        const NumberedError error(number, QStringLiteral("busy"));
        if (step == 0)
            port.failOnPort = error;
        else if (step == 1)
            port.failOnSettings = error;
        else if (step == 2)
            port.failOnOpen = error;
        ui.baudRed = redBox == QLatin1String("txtCom1"); // the other box keeps its colour
        const bool otherBoxWasRed = ui.baudRed;
        seam.whileOpen = [&](ScriptedUi::Kind) { QCOMPARE(seam.beeps(), 0); }; // beep after the box

        PortToggle(port, ui).toggle();

        QVERIFY(!port.open);
        QCOMPARE(ui.status, status);
        QCOMPARE(ui.caption, QStringLiteral("Open"));
        QCOMPARE(ui.toolTip, QStringLiteral("Open COM"));
        QCOMPARE(ui.focus, redBox);
        QCOMPARE(ui.portRed, redBox == QLatin1String("txtCom1"));
        QCOMPARE(ui.baudRed, redBox == QLatin1String("txtBaud1") || otherBoxWasRed);
        const auto boxes = seam.callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), message.isEmpty() ? 0u : 1u);
        if (!message.isEmpty()) {
            QCOMPARE(boxes[0].text, message);
            QCOMPARE(boxes[0].title, QStringLiteral("Quillar"));
            QCOMPARE(boxes[0].icon, ModalUi::Icon::Warning);
        }
        QCOMPARE(seam.beeps(), 1);
        QCOMPARE(seam.calls.back().kind, ScriptedUi::Kind::Beep);
    }

    void failureOnCloseIsNotCaught()
    {
        ScriptedUi seam;
        FakePort port;
        FakeUi ui;
        PortToggle toggle(port, ui);
        toggle.toggle();
        QVERIFY(port.open);
        // Only the opening steps have an error path.
        port.failOnClose = NumberedError(8012, QStringLiteral("not open"));
        QVERIFY_THROWS_EXCEPTION(NumberedError, toggle.toggle());
        QCOMPARE(seam.beeps(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWindowRules)
#include "tst_window_rules.moc"
