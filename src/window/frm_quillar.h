#pragma once

#include "capture/capture_save.h"
#include "capture/long_session.h"
#include "capture/reception.h"
#include "layout_table.h"
#include "outer_geometry.h"
#include "strip_flow.h"
#include "window_placement.h"
#include "window/port_toggle.h"
#include "platform/comm_events.h"
#include "receive/display_buffer.h"
#include "receive/receive_path.h"
#include "receive/time_column.h"
#include "settings/settings_restore.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillar {

class DisplayView;
class FrameClock;
class MSComm;
class PlotData;
class PlotWindow;
class RulerLabel;
class StatusLine;

// The main window: lays out the controls of its design and forwards their
// events to the rules that live beside it (port toggle, receive path, Save,
// start-up and shut-down, key and resize rules), each handler one line of
// delegation. Those rules reach back through their own small interfaces,
// which the window implements privately. Every child has the design's name
// as its objectName.
class frmQuillar : public QWidget, private PortToggleUi, private CaptureUi, private SettingsUi
{
    Q_OBJECT

public:
    // settingsFolder: where Quillar.ini, the COM<N> links and Save's
    // proposal live.
    explicit frmQuillar(QString settingsFolder, QWidget *parent = nullptr);
    ~frmQuillar() override;

    // The window's outer position and size in twips, frame included.
    [[nodiscard]] float Left() const;
    [[nodiscard]] float Top() const;
    [[nodiscard]] float Width() const;
    [[nodiscard]] float Height() const;
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);

    [[nodiscard]] MSComm &port() const { return *MSComm1; }
    [[nodiscard]] ReceivePath &receivePath() const { return *m_receive; }
    [[nodiscard]] DisplayBuffer &display() { return m_display; }
    [[nodiscard]] const LongSession *session() const { return m_reception->session(); }

    // The plot's window (Grafico..., Ctrl+G): made, and its lines read,
    // from the first time it opens; nullptr before.
    void openPlot();
    [[nodiscard]] PlotWindow *plotWindow() const { return m_plot; }

    // What F1 and Command5 run; by default Apri of the help window. Tests count calls.
    void setHelpOpener(std::function<void()> opener) { m_helpOpener = std::move(opener); }

    // The Open/Close toggle (Command1), as start-up runs it once.
    void Command1_Click();

    // A long session, as the command line asks for it, set up before
    // Form_Load: the raw capture (--log) and the text log (--log-text) at
    // these paths, none for an empty path, and reopening a device that comes
    // back (--reconnect); clock: where their waits are timed.
    void startLongSession(const LongSessionOptions &options, Clock &clock = Clock::steady());

    // Start-up: restores the settings from Quillar.ini in the current
    // directory, widens a window too narrow for its controls, brings one
    // restored off every screen back onto the primary one and fits one
    // larger than its screen into it, and opens the port unless it carries
    // the system console. The program runs it once, before the window is
    // first shown; later calls do nothing. Only a window started this way
    // writes the file back when it closes.
    void Form_Load();

protected:
    // Shut-down: writes the settings back; the window always closes, and the
    // port is left to the serial control.
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The layout table keeps where each control it creates goes.
    friend std::span<const ControlLayout> windowControls();

    void createControls();
    void fitEntryBoxFont();
    void placeRuler();
    void placeStrip(const StripLayout &strip);
    void layOut(bool snap);
    [[nodiscard]] bool filled() const;
    void connectHandlers();
    void paceReads();
    void appendForcedLineFeed();
    // A display choice, remembered at once in the choices file.
    void rememberChoice(const QString &key, const QString &value);
    void rememberShowChoices();
    [[nodiscard]] QList<HighlightRule> rememberedHighlights(const QString &choices) const;
    void stopReconnecting();
    // The toggle as start-up runs it: the console's port stays closed.
    void openAtStartUp();
    void bringOntoAScreen();

    // The handlers of the window's events and its controls'.
    void Form_Resize();
    void Form_KeyDown();
    void MSComm1_OnComm(CommEvent event);
    void Command2_Click(); // Clear
    void Command3_Click(); // forced line feed
    void Command4_Click(); // Save
    void Command5_Click(); // Help
    void txtCom1_Change();
    void Text1_Change();

    [[nodiscard]] double dpi() const;
    void setOuterField(double OuterGeometry::*field, float twips);

    // The boxes the receive path follows, as they stand.
    [[nodiscard]] ReceiveSettings receiveSettings() const;

    // What the rules read and write on the window (PortToggleUi, CaptureUi,
    // SettingsUi); names they share mean the same control.
    [[nodiscard]] QString portBoxText() const override;
    [[nodiscard]] QString baudBoxText() const override;
    [[nodiscard]] QString lowerBoundText() const override;
    [[nodiscard]] QString higherBoundText() const override;
    [[nodiscard]] QString lineFeedTimeText() const override;
    void setStatus(const QString &text) override;
    void setStatusDetail(const QString &detail) override;
    void setButtonCaption(const QString &caption) override;
    void setButtonToolTip(const QString &toolTip) override;
    void setBoxInError(Box box, bool inError) override;
    void focusBox(Box box) override;
    void focusDisplay() override;
    [[nodiscard]] QWidget *dialogParent() override { return this; }
    void setPortBoxText(const QString &text) override;
    void setBaudBoxText(const QString &text) override;
    void setOuterLeft(double twips) override { setLeft(static_cast<float>(twips)); }
    void setOuterTop(double twips) override { setTop(static_cast<float>(twips)); }
    void setOuterWidth(double twips) override { setWidth(static_cast<float>(twips)); }
    void setOuterHeight(double twips) override { setHeight(static_cast<float>(twips)); }
    void setLowerBoundText(const QString &text) override;
    void setHigherBoundText(const QString &text) override;
    void setLineFeedTimeText(const QString &text) override;
    void togglePort() override { openAtStartUp(); }
    void resetLineByteCount() override;
    [[nodiscard]] double outerLeft() const override { return Left(); }
    [[nodiscard]] double outerTop() const override { return Top(); }
    [[nodiscard]] double outerWidth() const override { return Width(); }
    [[nodiscard]] double outerHeight() const override { return Height(); }

    DisplayBuffer m_display;
    DisplayView *Text3 = nullptr;    // the receive display
    QLineEdit *txtCom1 = nullptr;    // port number
    QLineEdit *txtBaud1 = nullptr;   // baud rate
    QLineEdit *Text4 = nullptr;      // lower bound of bytes shown as themselves
    QLineEdit *Text2 = nullptr;      // higher bound
    QLineEdit *Text1 = nullptr;      // line-feed time, ms
    QPushButton *Command1 = nullptr; // Open/Close
    QPushButton *Command2 = nullptr; // Clear
    QPushButton *Command3 = nullptr; // forced line feed
    QPushButton *Command4 = nullptr; // Save
    QPushButton *Command5 = nullptr; // Help
    StatusLine *lblStatus = nullptr;
    RulerLabel *Label3 = nullptr; // ruler tens and units
    RulerLabel *Label9 = nullptr; // ruler hundreds
    MSComm *MSComm1 = nullptr;
    ReceivePath *m_receive = nullptr;
    // The one frame the port hands over on and the display paints on.
    FrameClock *m_frames = nullptr;
    Reception *m_reception = nullptr; // owns the long session, when there is one

    std::unique_ptr<PortToggle> m_toggle;
    std::unique_ptr<CaptureSave> m_save;
    std::function<void()> m_helpOpener;
    std::unique_ptr<PlotData> m_plotData;
    PlotWindow *m_plot = nullptr;
    QString m_settingsFolder;

    bool m_loaded = false;
    WindowPlacement *m_placement = nullptr;
    StripLayout m_strip; // as the controls of the top strip stand now
};

} // namespace quillar
