#pragma once

#include <QString>

class QWidget;

namespace quillar {

class NumberedError;

// The settings file, opened by its bare name in the current directory.
inline constexpr const char *SettingsFileName = "Quillar.ini";

// What start-up and shut-down need of the main window (the window's seam
// style: see PortToggleUi). Window values are twips of the outer frame.
class SettingsUi
{
public:
    virtual ~SettingsUi() = default;

    // Start-up's setters. Each may throw (NumberedError or any std::exception)
    // when the window refuses the value; start-up then recovers and goes on.
    // A box whose text changes runs its change rule, as if the user typed.
    virtual void setPortBoxText(const QString &text) = 0;
    virtual void setBaudBoxText(const QString &text) = 0;
    virtual void setOuterLeft(double twips) = 0;
    virtual void setOuterTop(double twips) = 0;
    virtual void setOuterWidth(double twips) = 0;
    virtual void setOuterHeight(double twips) = 0;
    virtual void setLowerBoundText(const QString &text) = 0;
    virtual void setHigherBoundText(const QString &text) = 0;
    virtual void setLineFeedTimeText(const QString &text) = 0;
    // The Open/Close toggle as start-up runs it, which leaves a port that
    // carries the system console closed; it reports its own failures.
    virtual void togglePort() = 0;
    virtual void resetLineByteCount() = 0;

    // Shut-down's getters: the values of that moment.
    [[nodiscard]] virtual QString portBoxText() const = 0;
    [[nodiscard]] virtual QString baudBoxText() const = 0;
    [[nodiscard]] virtual double outerLeft() const = 0;
    [[nodiscard]] virtual double outerTop() const = 0;
    [[nodiscard]] virtual double outerWidth() const = 0;
    [[nodiscard]] virtual double outerHeight() const = 0;
    [[nodiscard]] virtual QString lowerBoundText() const = 0;
    [[nodiscard]] virtual QString higherBoundText() const = 0;
    [[nodiscard]] virtual QString lineFeedTimeText() const = 0;

    // Owner of the message box that says the file cannot be written.
    [[nodiscard]] virtual QWidget *dialogParent() = 0;
};

// Start-up: restores the nine values from the file at path into the window,
// runs the Open/Close toggle once and leaves LineByteCount at 0. A missing,
// empty or damaged file never stops it, and the file becomes the default
// record, without a message: this run keeps what was read before the damage
// where its box could hold it, and the default record's values for the rest.
// When the default record cannot be written, one message box titled "Quillar"
// names the file and the reason, and start-up goes on. (Form_Load's work.)
void restoreSettings(SettingsUi &window, const QString &path);

// Shut-down: writes the nine values of this moment to path. A failure is
// reported in a message box titled "Quillar" that names the file and the
// reason; it never stops the window from closing. (Form_Unload's work.)
void saveSettings(SettingsUi &window, const QString &path);

// The message box titled "Quillar" that says a settings file at path
// (Quillar.ini, or the display's choices beside it) cannot be written, and why.
void reportSettingsUnwritable(const QString &path, const NumberedError &error, QWidget *dialogParent);

} // namespace quillar
