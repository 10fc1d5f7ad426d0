#include "frm_istruzioni.h"

#include "help_window.h"
#include "platform/guarded.h"

namespace quillar {

frmIstruzioni &frmIstruzioni::instance()
{
    static frmIstruzioni self;
    return self;
}

HelpWindow *frmIstruzioni::helpWindow() const
{
    if (m_window && !m_window->isClosing())
        return m_window.data();
    return nullptr;
}

QWidget *frmIstruzioni::window() const
{
    return helpWindow();
}

void frmIstruzioni::Apri(const QString &NFileIstruzioni, const QString &Titolo)
{
    guarded("frmIstruzioni.Apri", [&] {
        if (!helpWindow()) {
            m_window = new HelpWindow;
            m_window->Form_Load();
        }
        HelpWindow *window = m_window.data();
        window->setHelpFileName(NFileIstruzioni);
        window->setWindowTitle(QStringLiteral(" ") + Titolo);
        // Showing makes it the active window, which loads the document.
        window->show();
        window->raise();
        window->activateWindow();
    });
}

} // namespace quillar
