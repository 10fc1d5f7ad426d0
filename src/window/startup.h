#pragma once

#include <QList>
#include <QRect>
#include <QString>

class QWidget;

namespace quillar {

// The settings file, opened by its bare name in the current directory.
inline constexpr const char *SettingsFileName = "Quillar.ini";

// What start-up and shut-down need of the main window frmQuillar; the window
// implements it. Window values are twips of the outer frame.
class SettingsWindow
{
public:
    virtual ~SettingsWindow() = default;

    // Start-up's setters. Each may throw (NumberedError or any std::exception)
    // when the window refuses the value; start-up then recovers and goes on.
    virtual void setTxtCom1Text(const QString &text) = 0; // runs txtCom1_Change when the text changes
    virtual void setTxtBaud1Text(const QString &text) = 0;
    virtual void setLeft(double twips) = 0;
    virtual void setTop(double twips) = 0;
    virtual void setWidth(double twips) = 0;
    virtual void setHeight(double twips) = 0;
    virtual void setText4Text(const QString &text) = 0;   // lower bound
    virtual void setText2Text(const QString &text) = 0;   // higher bound
    virtual void setText1Text(const QString &text) = 0;   // line-feed time; runs Text1_Change
    // The Open/Close toggle; it reports its own failures.
    virtual void Command1_Click() = 0;
    virtual void resetLineByteCount() = 0;

    // Shut-down's getters: the values of that moment.
    [[nodiscard]] virtual QString txtCom1Text() const = 0;
    [[nodiscard]] virtual QString txtBaud1Text() const = 0;
    [[nodiscard]] virtual double left() const = 0;
    [[nodiscard]] virtual double top() const = 0;
    [[nodiscard]] virtual double width() const = 0;
    [[nodiscard]] virtual double height() const = 0;
    [[nodiscard]] virtual QString text4Text() const = 0;
    [[nodiscard]] virtual QString text2Text() const = 0;
    [[nodiscard]] virtual QString text1Text() const = 0;
};

// Start-up: restores the nine values from the file at path into the window,
// runs the Open/Close toggle once and leaves LineByteCount at 0. A missing,
// empty or damaged file never stops it: the failing step's cause decides what
// this run uses, and the file becomes the default record, without a message.
// When the default record cannot be written, one message box titled "Quillar"
// (parent: dialogParent) names the file and the reason, and start-up goes on.
void Form_Load(SettingsWindow &window, const QString &path, QWidget *dialogParent);

// Shut-down: writes the nine values of this moment to path. A failure is
// reported in a message box titled "Quillar" that names the file and the
// reason; it never stops the window from closing.
void Form_Unload(const SettingsWindow &window, const QString &path, QWidget *dialogParent);

// A window restored wholly off every screen (a monitor unplugged since) is
// moved to the top left corner of the primary screen with its size kept; any
// other window is left where it is. Rectangles in one coordinate system.
[[nodiscard]] QRect keepOnScreens(const QRect &window, const QList<QRect> &screens, const QRect &primary);

} // namespace quillar
