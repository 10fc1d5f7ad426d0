#pragma once

#include <QPointer>
#include <QString>

class QWidget;

namespace quillar {

class HelpWindow;

// The help window: one for the whole program, created on first use and again
// after each close. Modeless and without owner.
class frmIstruzioni
{
public:
    [[nodiscard]] static frmIstruzioni &instance();

    // Sets the document's file name and the caption " " + Titolo, loading
    // (and centring) the window first when it is not loaded, then shows it.
    void Apri(const QString &NFileIstruzioni, const QString &Titolo);

    // The loaded window, or nullptr when it is not loaded.
    [[nodiscard]] QWidget *window() const;
    // The same, as the help window itself (its view, its file name).
    [[nodiscard]] HelpWindow *helpWindow() const;

private:
    frmIstruzioni() = default;

    QPointer<HelpWindow> m_window;
};

} // namespace quillar
