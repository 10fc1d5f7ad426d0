#pragma once

#include "port/toggle_port.h"

#include <QString>

#include <cstdint>

class QWidget;

namespace quillar {

class NumberedError;

// What the toggle reads and writes on the main window.
//
// Every class that works for the main window reaches back into it the same
// way: through a small interface of its own like this one, named for what it
// needs (PortToggleUi, CaptureUi, SettingsUi), which the window
// implements privately. Tests implement the same interfaces with plain fakes.
class PortToggleUi
{
public:
    enum class Box { Port, Baud }; // txtCom1, txtBaud1

    virtual ~PortToggleUi() = default;
    [[nodiscard]] virtual QString portBoxText() const = 0;
    [[nodiscard]] virtual QString baudBoxText() const = 0;
    virtual void setStatus(const QString &text) = 0; // lblStatus
    // Why the status line says what it says, where a failure has more to tell
    // than its fixed text (which device, what it lacks); setStatus clears it.
    virtual void setStatusDetail(const QString &detail) = 0;
    virtual void setButtonCaption(const QString &caption) = 0; // Command1
    virtual void setButtonToolTip(const QString &toolTip) = 0;
    // The normal background, or red (255) after a failed open.
    virtual void setBoxInError(Box box, bool inError) = 0;
    virtual void focusBox(Box box) = 0;
    virtual void focusDisplay() = 0; // Text3
    // Owner of the warning box.
    [[nodiscard]] virtual QWidget *dialogParent() = 0;
};

// The Open/Close button and the rules that keep it in step with the port.
class PortToggle final : public PortReopener
{
public:
    PortToggle(TogglePort &port, PortToggleUi &ui) : m_port(port), m_ui(ui) { }

    // Opens the port named by the boxes, or closes the open one, and reports
    // the outcome on the status line, the button and the boxes. Failures
    // outside the opening steps are not caught. A remote port that is still
    // connecting says so on the status line, and the button (Annulla) gives up.
    void toggle(); // the click of Command1
    // The toggle as start-up runs it: the same, except that a port that
    // carries the system console stays closed, since opening it would reset
    // the console's speed; the status line says so, and Open opens it.
    void toggleAtStartUp();
    // The end of a connect that toggle or reopen started: reported as the
    // open it finishes (none for a failure: the port opened).
    void connectFinished(const NumberedError *failure);
    // While the port is closed the button's tooltip follows the port box.
    void portBoxChanged(); // a change of txtCom1
    // The control closed the port itself (device vanished): the button offers
    // to open it again.
    void portClosedByControl();
    // Opens the device that vanished, now at devicePath, with the number and
    // settings it had. Success shows on the status line, the button and the
    // boxes as a normal open does (the focus stays where it is); a failure
    // is reported as a failed open only when `report` is set. True when open;
    // a remote port may still be connecting, and ends in connectFinished.
    bool reopen(const QString &devicePath, bool report) override;
    // A failure of a reopen that was not reported, reported as a failed open.
    void reportReopenFailure(const NumberedError &error) override;
    // Whether the failure of the connect under way is reported as a failed
    // open (as it is unless told), or left to be tried again: then the
    // button offers Open and the status line's detail says why.
    void setConnectReported(bool reported) override;

    // "<baud>,n,8,1" for a baud box text.
    [[nodiscard]] static QString settingsFor(const QString &baudBoxText);

private:
    // Who waits for a connect to end, and how it is reported.
    enum class Waiting { None, Open, QuietReopen, ReportedReopen };

    void toggle(bool atStartUp);
    void open(bool atStartUp);
    void close();
    void reportOpenFailure(const NumberedError &error, const QString &portText);
    void showOpened(const QString &portText);
    void showConnecting(const QString &portText);
    void showConsoleLeftClosed(const QString &portText, const QString &console);

    TogglePort &m_port;
    PortToggleUi &m_ui;
    Waiting m_waiting = Waiting::None;
    QString m_waitingPortText; // the port box as it was when the connect began
};

} // namespace quillar
