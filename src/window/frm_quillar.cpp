#include "frm_quillar.h"

#include "app_icon.h"
#include "capture/capture_save.h"
#include "capture/file_appender.h"
#include "digit_filter.h"
#include "display_menu.h"
#include "enter_presses_button.h"
#include "entry_box.h"
#include "fitted_font.h"
#include "help/frm_istruzioni.h"
#include "key_preview.h"
#include "layout_table.h"
#include "platform/guarded.h"
#include "platform/modal_ui.h"
#include "platform/numbered_error.h"
#include "platform/twips.h"
#include "port/mscomm.h"
#include "port/read_pacing.h"
#include "plot/plot_data.h"
#include "plot_widgets/plot_window.h"
#include "display/display_view.h"
#include "receive/receive_path.h"
#include "receive/side_prefix.h"
#include "resize_rule.h"
#include "settings/settings_restore.h"
#include "ruler_label.h"
#include "ruler_placement.h"
#include "ruler_text.h"
#include "select_all_on_click.h"
#include "settings/choices_file.h"
#include "status_line.h"
#include "system_colours.h"
#include "window_fonts.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace quillar {

namespace {

const QColor StatusBackground(255, 255, 208);
const QColor StatusText(0, 0, 255);
const QColor DisplayText(238, 238, 238);
const QColor RulerText(255, 255, 0);
const QColor ErrorBackground = colourFromValue(255);

void setColour(QWidget &w, QPalette::ColorRole role, const QColor &colour)
{
    QPalette p = w.palette();
    p.setColor(role, colour);
    w.setPalette(p);
}

} // namespace

frmQuillar::frmQuillar(QString settingsFolder, QWidget *parent)
    : QWidget(parent),
      m_settingsFolder(std::move(settingsFolder))
{
    setObjectName(QStringLiteral("frmQuillar"));
    setWindowTitle(QStringLiteral("Quillar v1"));
    setWindowIcon(quillarIcon());
    setFont(windowFont());
    setAutoFillBackground(true);
    setColour(*this, QPalette::Window, systemColour(SystemColour::AppWorkspace));
    resize(twipsToPixels(DesignClientWidth, dpi()), twipsToPixels(DesignClientHeight, dpi()));
    // Narrower, a control of the top strip would be cut off even with each
    // group of them on a row of its own.
    setMinimumWidth(twipsToPixels(narrowestStrip(), dpi()));
    m_placement = new WindowPlacement(*this);

    m_frames = new FrameClock(FrameClock::DisplayFrame, Clock::steady(), this);
    MSComm1 = new MSComm(m_settingsFolder, this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    MSComm1->setFrameClock(*m_frames);
    createControls();
    m_receive = new ReceivePath(m_display, receiveSettings(), Clock::steady(), this);
    m_reception = new Reception(*MSComm1, *m_receive, this);
    m_toggle = std::make_unique<PortToggle>(*MSComm1, static_cast<PortToggleUi &>(*this));
    m_save = std::make_unique<CaptureSave>(m_display, static_cast<CaptureUi &>(*this), m_settingsFolder);
    Text3->setMenuExtension([this](QMenu &menu) {
        addWindowItems(
            menu, *Text3, [this] { Command4_Click(); }, [this] { Command2_Click(); }, [this] { openPlot(); });
    });
    auto *plot = new QAction(this);
    plot->setShortcut(PlotShortcut);
    plot->setShortcutContext(Qt::WindowShortcut);
    connect(plot, &QAction::triggered, this, [this] { guarded("plot", [this] { openPlot(); }); });
    addAction(plot);
    m_helpOpener = [] {
        frmIstruzioni::instance().Apri(QStringLiteral("Term_Istr.rtf"), QStringLiteral("Quillar - Istruzioni"));
    };
    connectHandlers();
    placeRuler();
    Text3->setFocus();
}

frmQuillar::~frmQuillar()
{
    // What the port read ahead of the display goes into the logs too, also
    // when the window goes without being closed; the session goes while the
    // display it follows is still here.
    m_reception->endSession();
    m_receive->setLineSink({});
    delete m_plot;
}

void frmQuillar::openPlot()
{
    if (!m_plot) {
        m_plotData = std::make_unique<PlotData>();
        m_receive->setLineSink([data = m_plotData.get()](QByteArrayView line, qint64 ms) { data->addLine(line, ms); });
        m_plot = new PlotWindow(*m_plotData, m_settingsFolder, this);
        m_plot->setWindowIcon(windowIcon());
    }
    m_plot->show();
    m_plot->raise();
    m_plot->activateWindow();
}

void frmQuillar::startLongSession(const LongSessionOptions &options, Clock &clock)
{
    m_reception->setSession(nullptr); // one before it lets go of the display first
    m_reception->setSession(std::make_unique<LongSession>(options, *MSComm1, *m_toggle, m_display, clock));
    LongSession *session = m_reception->session();
    connect(session, &LongSession::logFailed, this,
            [this](const QString &path, int number, const QString &description) {
                guarded("log failure", [&] {
                    modalUi().messageBox(this, FileAppender::failureMessage(path, number, description),
                                         QStringLiteral("Quillar"), ModalUi::Icon::Warning);
                });
            });
    connect(session, &LongSession::deviceReturned, this,
            [this] { guarded("device returned", [this] { m_receive->deviceReturned(); }); });
}

void frmQuillar::createControls()
{
    const double d = dpi();
    auto *digitFilter = new DigitFilter(this);
    auto *selectAll = new SelectAllOnClick(this);
    auto *enterPresses = new EnterPressesButton(this);

    const auto keep = [this](const ControlLayout &c, auto *control) {
        this->*std::get<decltype(control) frmQuillar::*>(c.member) = control;
    };
    std::vector<QWidget *> created;
    for (const ControlLayout &c : windowControls()) {
        QWidget *w = nullptr;
        switch (c.kind) {
        case ControlKind::PlainLabel: {
            auto *label = new QLabel(QString::fromLatin1(c.text), this);
            label->setAlignment((c.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
            setColour(*label, QPalette::WindowText, systemColour(SystemColour::ButtonFace));
            if (c.boldFont)
                label->setFont(boldLabelFont());
            w = label;
            break;
        }
        case ControlKind::EntryBox: {
            auto *box = new EntryBox(QString::fromLatin1(c.text), this);
            box->setAlignment(Qt::AlignCenter);
            box->setMaxLength(c.maxLength);
            setColour(*box, QPalette::Base, systemColour(SystemColour::InactiveCaptionText));
            setColour(*box, QPalette::Text, Qt::black);
            box->setTextMargins(0, 0, 0, 0);
            selectAll->installOn(*box);
            keep(c, static_cast<QLineEdit *>(box));
            w = box;
            break;
        }
        case ControlKind::PushButton: {
            auto *button = new QPushButton(QString::fromLatin1(c.text), this);
            button->setAutoDefault(false);
            button->setDefault(false);
            enterPresses->installOn(*button);
            keep(c, button);
            w = button;
            break;
        }
        case ControlKind::StatusLabel: {
            auto *label = new StatusLine(QString::fromLatin1(c.text), this);
            label->setAlignment(Qt::AlignCenter);
            label->setFrameShape(QFrame::Box);
            label->setLineWidth(1);
            label->setAutoFillBackground(true);
            setColour(*label, QPalette::Window, StatusBackground);
            setColour(*label, QPalette::WindowText, StatusText);
            keep(c, label);
            w = label;
            break;
        }
        case ControlKind::RulerLabel: {
            auto *ruler = new RulerLabel(this);
            ruler->setFont(displayFont());
            setColour(*ruler, QPalette::Window, systemColour(SystemColour::AppWorkspace));
            setColour(*ruler, QPalette::WindowText, RulerText);
            keep(c, ruler);
            w = ruler;
            break;
        }
        case ControlKind::Display: {
            auto *view = new DisplayView(m_display, *m_frames, this);
            view->setFont(displayFont());
            view->setFocusPolicy(Qt::StrongFocus);
            setColour(*view, QPalette::Base, systemColour(SystemColour::WindowText));
            setColour(*view, QPalette::Text, DisplayText);
            keep(c, view);
            w = view;
            break;
        }
        }
        w->setObjectName(QString::fromLatin1(c.name));
        if (*c.toolTip)
            w->setToolTip(QString::fromLatin1(c.toolTip)); // also its accessible description
        if (*c.accessibleName)
            w->setAccessibleName(QString::fromLatin1(c.accessibleName));
        w->setGeometry(twipsRectToPixels(c.left, c.top, c.width, c.height, d));
        created.push_back(w);
    }

    digitFilter->installOn(*txtCom1);
    digitFilter->installOn(*txtBaud1);
    fitEntryBoxFont();

    // The display is drawn over the bottom strip of Label3; Label9 stays under
    // the buttons should a wide font push it against them.
    Label9->lower();
    Text3->raise();

    const auto widgetOf = [&created](const ControlLayout *c) { return created[c - windowControls().data()]; };
    const std::vector<const ControlLayout *> order = focusOrder();
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(widgetOf(order[i - 1]), widgetOf(order[i]));
}

// One font for every entry box, narrowed until each shows as many digits as
// it takes whole: the baud box is as wide as it was drawn, and six digits of
// most desktop fonts do not fit it.
void frmQuillar::fitEntryBoxFont()
{
    QFont boxFont = font();
    for (QLineEdit *box : {txtCom1, txtBaud1, Text4, Text2, Text1}) {
        const auto *entry = static_cast<const EntryBox *>(box);
        boxFont =
            fittedFont(boxFont, widestDigits(boxFont, box->maxLength(), box), entry->textRoom(boxFont), box, true);
    }
    for (QLineEdit *box : {txtCom1, txtBaud1, Text4, Text2, Text1})
        box->setFont(boxFont);
}

void frmQuillar::placeRuler()
{
    // The display's own cell grid, so that the ruler follows its frame, margin
    // and cell whatever the font.
    const double column1Left = Text3->x() + Text3->columnLeft(1);
    const double cellWidth = Text3->cellWidth();
    const double d = dpi();
    const double below = m_strip.extraHeight; // the ruler stands on the display
    const auto rect = [d, below](const char *name) {
        const ControlLayout &c = controlLayout(QString::fromLatin1(name));
        return twipsRectToPixels(c.left, c.top + below, c.width, c.height, d);
    };
    // A display wider than the design's, in a maximized window, has every
    // column it shows numbered.
    const int shown = static_cast<int>(std::ceil((Text3->viewport()->width() - DisplayView::TextMargin) / cellWidth));
    const int columns = filled() ? std::max(RulerColumns, shown) : RulerColumns;
    const RulerPlacement p = rulerPlacement(rect("Label3"), rect("Label9"), column1Left, cellWidth, columns);
    // Scrolled sideways, the ruler counts the columns in view.
    const RulerScroll scroll = rulerScroll(Text3->sidewaysScroll(), cellWidth);
    Label3->setGeometry(p.label3);
    Label3->setRows({rulerRowA(scroll.firstColumn, columns), rulerRowB(scroll.firstColumn, columns)});
    Label3->setText(label3Caption(scroll.firstColumn, columns));
    Label3->setGrid(p.label3FirstChar - scroll.shift, cellWidth);
    Label3->setClipLeft(p.label3FirstChar - DisplayView::TextMargin);
    Label9->setGeometry(p.label9);
    Label9->setRows({label9Caption(scroll.firstColumn, columns)});
    Label9->setText(label9Caption(scroll.firstColumn, columns));
    Label9->setGrid(p.label9FirstChar - scroll.shift, cellWidth);
}

// In a window narrower than the design, the top strip's groups of controls
// wrap onto further rows, so that each can be reached and read.
void frmQuillar::placeStrip(const StripLayout &strip)
{
    if (strip.moves == m_strip.moves)
        return;
    const double d = dpi();
    for (const StripMove &move : strip.moves) {
        const ControlLayout &c = controlLayout(move.name);
        findChild<QWidget *>(move.name)->setGeometry(
            twipsRectToPixels(c.left + move.dx, c.top + move.dy, c.width, c.height, d));
    }
    m_strip = strip;
}

void frmQuillar::connectHandlers()
{
    new KeyPreview(*this, [this] { Form_KeyDown(); });
    // The serial control's one event, OnComm, but for received bytes: those
    // go from the port to the logs and the display through m_reception.
    connect(MSComm1, &MSComm::lineEvent, this, &frmQuillar::MSComm1_OnComm);
    connect(MSComm1, &MSComm::deviceLost, this, [this] { MSComm1_OnComm(CommEvent::DeviceLost); });
    // The port opened, whatever opened it. A remote port ends its connect
    // later than the press that began it; and each opening, the user's or a
    // reconnect's, is where "since the port opened" counts from for the
    // lines that follow.
    connect(MSComm1, &MSComm::portOpenChanged, this, [this](bool open) {
        if (!open)
            return;
        // Before its first byte: a pair's lines carry their sides' names,
        // in their colours, which the lines of an earlier pair keep.
        const QStringList sides = MSComm1->sideNames();
        m_receive->setSideNames(sides);
        if (!sides.isEmpty())
            m_display.setSidePrefixes({sidePrefix(sides, 0), sidePrefix(sides, 1)});
        guarded("MSComm1 connected", [this] { m_toggle->connectFinished(nullptr); });
        m_display.markPortOpened(MSComm1->openedAtMs());
    });
    connect(MSComm1, &MSComm::sideLineEvent, this, [this](int, const QString &name, CommEvent event) {
        const QString text = commEventStatus(event, txtCom1->text());
        if (!text.isNull())
            lblStatus->setStatus(QStringLiteral("%1 (lato %2)").arg(text, name));
    });
    // One side of a pair went or came back; the other reads on meanwhile.
    connect(MSComm1, &MSComm::sideLost, this, [this](int, const QString &name) {
        lblStatus->setStatus(
            QStringLiteral("Errore n.68 sul lato %1 di COM%2: l'altro lato continua").arg(name, txtCom1->text()));
    });
    connect(MSComm1, &MSComm::sideReturned, this, [this](int side, const QString &name) {
        lblStatus->setStatus(QStringLiteral("Lato %1 di COM%2 di nuovo aperto").arg(name, txtCom1->text()));
        m_receive->sideReturned(side);
    });
    connect(MSComm1, &MSComm::connectFailed, this, [this](int number, const QString &description) {
        guarded("MSComm1 connect failed", [&] {
            const NumberedError failure(number, description);
            m_toggle->connectFinished(&failure);
        });
    });
    connect(Command1, &QPushButton::clicked, this, &frmQuillar::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmQuillar::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmQuillar::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmQuillar::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmQuillar::Command5_Click);
    connect(txtCom1, &QLineEdit::textChanged, this, &frmQuillar::txtCom1_Change);
    for (QLineEdit *box : {Text4, Text2, Text1})
        connect(box, &QLineEdit::textChanged, this, [this] { m_receive->setSettings(receiveSettings()); });
    connect(Text1, &QLineEdit::textChanged, this, &frmQuillar::Text1_Change);
    connect(Text3, &DisplayView::textColumnsMoved, this, &frmQuillar::placeRuler);
    connect(Text3, &DisplayView::timeColumnChanged, this,
            [this](TimeColumn column) { rememberChoice(QStringLiteral("time-column"), timeColumnName(column)); });
    paceReads();
}

// ---- the handlers: each hands over to the rule it runs

void frmQuillar::Command1_Click()
{
    guarded("Command1_Click", [this] {
        stopReconnecting();
        m_toggle->toggle();
    });
}
void frmQuillar::openAtStartUp()
{
    guarded("Form_Load: opening the port", [this] {
        stopReconnecting();
        m_toggle->toggleAtStartUp();
    });
}
void frmQuillar::Command2_Click()
{
    guarded("Command2_Click", [this] {
        m_display.clear();
        focusDisplay();
    });
}
void frmQuillar::Command3_Click()
{
    guarded("Command3_Click", [this] { appendForcedLineFeed(); });
}
void frmQuillar::Command4_Click()
{
    guarded("Command4_Click", [this] { m_save->save(); });
}
void frmQuillar::Command5_Click()
{
    guarded("Command5_Click", [this] { m_helpOpener(); });
}
void frmQuillar::Form_KeyDown()
{
    guarded("Form_KeyDown", [this] { m_helpOpener(); });
}
void frmQuillar::txtCom1_Change()
{
    guarded("txtCom1_Change", [this] {
        stopReconnecting();
        m_toggle->portBoxChanged();
    });
}
void frmQuillar::Text1_Change()
{
    guarded("Text1_Change", [this] {
        m_receive->lineFeedTimeChanged();
        paceReads();
    });
}

void frmQuillar::appendForcedLineFeed()
{
    m_receive->forcedLineFeed();
    focusDisplay();
}

// Remembered at once, beside Quillar.ini, by a window that reads them there.
void frmQuillar::rememberChoice(const QString &key, const QString &value)
{
    if (!m_loaded)
        return;
    const QString path = QDir(m_settingsFolder).filePath(QString::fromLatin1(ChoicesFileName));
    if (ChoicesFile::read(path, key) == value)
        return; // as start-up read it
    try {
        ChoicesFile::write(path, key, value);
    } catch (const NumberedError &e) {
        reportSettingsUnwritable(path, e, this);
    }
}

void frmQuillar::rememberShowChoices()
{
    const ShowChoices choices = m_display.showChoices();
    rememberChoice(QStringLiteral("terminal-colours"), choices.colours ? QStringLiteral("on") : QStringLiteral("off"));
    rememberChoice(QStringLiteral("utf-8"), choices.utf8 ? QStringLiteral("on") : QStringLiteral("off"));
    const QList<HighlightRule> &rules = m_display.highlightRules();
    for (qsizetype i = 0; i < rules.size(); ++i)
        rememberChoice(QStringLiteral("highlight-%1").arg(i + 1), rules[i].toChoice());
    rememberChoice(QStringLiteral("highlights"), QString::number(rules.size()));
}

// The rules the file keeps, the ready ones while it keeps none; a damaged
// rule is left out.
QList<HighlightRule> frmQuillar::rememberedHighlights(const QString &choices) const
{
    bool counted = false;
    const int count = ChoicesFile::read(choices, QStringLiteral("highlights")).toInt(&counted);
    if (!counted)
        return readyHighlightRules();
    QList<HighlightRule> rules;
    for (int i = 1; i <= std::min(count, 100); ++i) {
        if (auto rule = HighlightRule::fromChoice(ChoicesFile::read(choices, QStringLiteral("highlight-%1").arg(i))))
            rules.append(*rule);
    }
    return rules;
}

void frmQuillar::stopReconnecting()
{
    if (LongSession *session = m_reception->session())
        session->userTookOver();
}

void frmQuillar::paceReads()
{
    m_frames->setFrame(std::chrono::milliseconds(read_pacing::longestPause(m_receive->lineFeedInterval())));
}

void frmQuillar::MSComm1_OnComm(CommEvent event)
{
    guarded("MSComm1_OnComm", [this, event] {
        lblStatus->setStatus(commEventStatus(event, txtCom1->text()));
        if (event == CommEvent::DeviceLost) {
            m_toggle->portClosedByControl();
            if (LongSession *session = m_reception->session())
                session->deviceVanished();
        }
    });
}

// ---- start-up and shut-down

void frmQuillar::Form_Load()
{
    if (std::exchange(m_loaded, true))
        return;
    restoreSettings(*this, QDir(m_settingsFolder).filePath(QString::fromLatin1(SettingsFileName)));
    if (LongSession *session = m_reception->session())
        guarded("Form_Load: reconnect", [session] { session->startedUp(); });
    guarded("Form_Load: a usable width", [this] {
        if (const double width = restoredWidth(Width()); width != Width())
            setWidth(static_cast<float>(width));
    });
    // Anything but a known name, the file's absence included, is no column;
    // anything but "on" leaves a choice off.
    const QString choices = QDir(m_settingsFolder).filePath(QString::fromLatin1(ChoicesFileName));
    const QString timeColumn = ChoicesFile::read(choices, QStringLiteral("time-column"));
    Text3->setTimeColumn(timeColumnFromName(timeColumn).value_or(TimeColumn::Off));
    const auto on = [&choices](const QString &key) { return ChoicesFile::read(choices, key) == QLatin1String("on"); };
    m_display.setShowChoices({.colours = on(QStringLiteral("terminal-colours")), .utf8 = on(QStringLiteral("utf-8"))});
    m_display.setHighlightRules(rememberedHighlights(choices));
    // Remembered from here on, when the user changes them.
    connect(&m_display, &DisplayBuffer::showChoicesChanged, this, &frmQuillar::rememberShowChoices);
    guarded("Form_Load: back onto a screen", [this] { bringOntoAScreen(); });
}

void frmQuillar::bringOntoAScreen()
{
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->geometry();
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return;
    const OuterGeometry o = m_placement->outer();
    const double d = dpi();
    const QRect restored = twipsRectToPixels(o.left, o.top, o.width, o.height, d);
    const QRect kept = keptOnScreens(restored, screens, primary->availableGeometry());
    const QScreen *screen = QGuiApplication::screenAt(kept.center());
    const QRect fitted = fittedToScreen(kept, (screen ? screen : primary)->availableGeometry());
    // Only what moved: the rest keeps the twips the file gave.
    const auto set = [this, d](int now, int was, void (frmQuillar::*field)(float)) {
        if (now != was)
            (this->*field)(static_cast<float>(pixelsToTwips(now, d)));
    };
    set(fitted.left(), restored.left(), &frmQuillar::setLeft);
    set(fitted.top(), restored.top(), &frmQuillar::setTop);
    set(fitted.width(), restored.width(), &frmQuillar::setWidth);
    set(fitted.height(), restored.height(), &frmQuillar::setHeight);
}

void frmQuillar::closeEvent(QCloseEvent *event)
{
    // What reached the program before the end goes into the logs too.
    m_reception->deliverPending();
    if (m_plot)
        m_plot->close();
    if (m_loaded)
        saveSettings(*this, QDir(m_settingsFolder).filePath(QString::fromLatin1(SettingsFileName)));
    event->accept();
}

// ---- outer geometry and the resize rule

double frmQuillar::dpi() const
{
    return logicalDpiX() > 0 ? logicalDpiX() : 96.0;
}

float frmQuillar::Left() const
{
    return static_cast<float>(m_placement->outer().left);
}
float frmQuillar::Top() const
{
    return static_cast<float>(m_placement->outer().top);
}
float frmQuillar::Width() const
{
    return static_cast<float>(m_placement->outer().width);
}
float frmQuillar::Height() const
{
    return static_cast<float>(m_placement->outer().height);
}

void frmQuillar::setLeft(float twips)
{
    setOuterField(&OuterGeometry::left, twips);
}
void frmQuillar::setTop(float twips)
{
    setOuterField(&OuterGeometry::top, twips);
}
void frmQuillar::setWidth(float twips)
{
    setOuterField(&OuterGeometry::width, twips);
}
void frmQuillar::setHeight(float twips)
{
    setOuterField(&OuterGeometry::height, twips);
}

void frmQuillar::setOuterField(double OuterGeometry::*field, float twips)
{
    OuterGeometry o = m_placement->outer();
    o.*field = twips;
    m_placement->setOuter(o);
}

bool frmQuillar::filled() const
{
    return isMaximized() || isFullScreen();
}

// Minimized, nothing changes. Maximized or full-screen, the display fills
// the window; in the normal state the design's rule sizes the window and the
// display.
void frmQuillar::Form_Resize()
{
    guarded("Form_Resize", [this] { layOut(true); });
}

// snap: whether the rule may set the window's size. Not as the state
// changes: the window manager gives the size that goes with the new state
// only afterwards, and a size set before it would win over the restored one.
void frmQuillar::layOut(bool snap)
{
    if (isMinimized())
        return;
    const double d = dpi();
    placeStrip(stripLayout(pixelsToTwips(width(), d)));
    const ControlLayout &display = controlLayout(QStringLiteral("Text3"));
    const double top = display.top + m_strip.extraHeight;
    QRect r;
    if (filled()) {
        r = filledDisplay(twipsRectToPixels(display.left, top, 0, 0, d).topLeft(), size());
    } else {
        const OuterGeometry o = m_placement->outer();
        const ResizeOutcome rule = applyResizeRule(o.width, o.height, m_strip.extraHeight);
        if (snap && (rule.outerHeight != o.height || rule.outerWidth != o.width))
            m_placement->setOuter({o.left, o.top, rule.outerWidth, rule.outerHeight});
        r = twipsRectToPixels(display.left, top, rule.displayWidth, rule.displayHeight, d);
    }
    Text3->setGeometry(r.x(), r.y(), std::max(1, r.width()), std::max(1, r.height()));
    placeRuler();
}

void frmQuillar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmQuillar::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        guarded("Form_Resize", [this] { layOut(false); });
}

void frmQuillar::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_placement->windowShown();
    placeRuler();
    Form_Resize();
}

// ---- what the rules read and write on the window

QString frmQuillar::portBoxText() const
{
    return txtCom1->text();
}
QString frmQuillar::baudBoxText() const
{
    return txtBaud1->text();
}
ReceiveSettings frmQuillar::receiveSettings() const
{
    return {Text4->text(), Text2->text(), Text1->text()};
}
QString frmQuillar::lowerBoundText() const
{
    return Text4->text();
}
QString frmQuillar::higherBoundText() const
{
    return Text2->text();
}
QString frmQuillar::lineFeedTimeText() const
{
    return Text1->text();
}

// QLineEdit::setText signals textChanged only when the text differs, so the
// change rules of txtCom1 (tooltip) and Text1 (LineByteCount) run exactly when
// start-up changes a text.
void frmQuillar::setPortBoxText(const QString &text)
{
    txtCom1->setText(text);
}
void frmQuillar::setBaudBoxText(const QString &text)
{
    txtBaud1->setText(text);
}
void frmQuillar::setLowerBoundText(const QString &text)
{
    Text4->setText(text);
}
void frmQuillar::setHigherBoundText(const QString &text)
{
    Text2->setText(text);
}
void frmQuillar::setLineFeedTimeText(const QString &text)
{
    Text1->setText(text);
}
void frmQuillar::resetLineByteCount()
{
    m_receive->setLineByteCount(0);
}
void frmQuillar::setStatus(const QString &text)
{
    lblStatus->setStatus(text);
}
void frmQuillar::setStatusDetail(const QString &detail)
{
    lblStatus->setDetail(detail);
}
void frmQuillar::setButtonCaption(const QString &caption)
{
    Command1->setText(caption);
}
void frmQuillar::setButtonToolTip(const QString &toolTip)
{
    Command1->setToolTip(toolTip);
}

void frmQuillar::setBoxInError(Box box, bool inError)
{
    QLineEdit *edit = box == Box::Port ? txtCom1 : txtBaud1;
    setColour(*edit, QPalette::Base, inError ? ErrorBackground : systemColour(SystemColour::InactiveCaptionText));
}

void frmQuillar::focusBox(Box box)
{
    (box == Box::Port ? txtCom1 : txtBaud1)->setFocus();
}

void frmQuillar::focusDisplay()
{
    Text3->setFocus();
}

} // namespace quillar
