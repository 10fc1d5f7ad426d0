#pragma once

#include "support/pseudo_terminal.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"
#include "window/frm_quillar.h"

#include <QObject>
#include <QTest>

#include <memory>

namespace quillar::test {

// The real main window, shown and active, in a scratch working directory
// where a pseudo-terminal is linked as COM2; message boxes go to the
// scripted seam.
class WindowOnDevice : public QObject
{
protected:
    // For init(): false when any part could not be set up. A window not shown
    // is left for a test that starts it up first.
    [[nodiscard]] bool startWindow(bool shown = true)
    {
        m_dir = std::make_unique<TemporaryWorkingDir>();
        m_seam = std::make_unique<ScriptedUi>();
        m_device = std::make_unique<PseudoTerminal>();
        if (!m_dir->isValid() || !m_device->isOpen() || !m_device->linkAs(m_dir->path(), 2))
            return false;
        m_window = std::make_unique<frmQuillar>(m_dir->path());
        if (!shown)
            return true;
        m_window->show();
        m_window->activateWindow();
        return QTest::qWaitForWindowActive(m_window.get());
    }

    // For cleanup(): the window goes before the device and the directory.
    void stopWindow()
    {
        m_window.reset();
        m_device.reset();
        m_seam.reset();
        m_dir.reset();
    }

    template <typename T = QWidget>
    T *child(const char *name) const
    {
        return namedChild<T>(*m_window, name);
    }

    std::unique_ptr<TemporaryWorkingDir> m_dir;
    std::unique_ptr<ScriptedUi> m_seam;
    std::unique_ptr<PseudoTerminal> m_device;
    std::unique_ptr<frmQuillar> m_window;
};

} // namespace quillar::test
