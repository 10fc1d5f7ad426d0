#include "settings_restore.h"

#include "platform/guarded.h"
#include "platform/modal_ui.h"
#include "platform/numbered_error.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

#include <QDir>
#include <QFileInfo>

#include <exception>
#include <functional>

namespace quillar {

void reportSettingsUnwritable(const QString &path, const NumberedError &error, QWidget *dialogParent)
{
    const QString text = QStringLiteral("Impossibile scrivere il file delle impostazioni\r\n%1\r\nErrore n.%2: %3")
                             .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()))
                             .arg(error.number())
                             .arg(error.description());
    modalUi().messageBox(dialogParent, text, QStringLiteral("Quillar"), ModalUi::Icon::Warning);
}

namespace {

// Start-up's settings part: steps 2 to 13 in recover mode.
class SettingsRestore
{
public:
    SettingsRestore(SettingsUi &window, const QString &path) : m_window(window), m_path(path), m_file(path) { }

    void run()
    {
        // A field that is not read keeps the default's value, so a damaged
        // file never leaves the window without a size or the boxes empty.
        SettingsRecord record = SettingsRecord::defaults();
        step([&] { m_file.openForReading(); });
        const bool damaged = !step([&] {
            if (m_file.isOpen() || !m_recoveryFailed)
                m_file.read(record);
        });
        if (damaged)
            record = usableAfterDamage(record);
        m_file.close();
        step([&] { m_window.setPortBoxText(record.port); });
        step([&] { m_window.setBaudBoxText(record.baud); });
        step([&] { m_window.setOuterLeft(record.left); });
        step([&] { m_window.setOuterTop(record.top); });
        step([&] { m_window.setOuterWidth(record.width); });
        step([&] { m_window.setOuterHeight(record.height); });
        step([&] { m_window.setLowerBoundText(record.lowerBound); });
        step([&] { m_window.setHigherBoundText(record.higherBound); });
        step([&] { m_window.setLineFeedTimeText(record.lineFeedTime); });
        // A recovery after the read reopens the file for reading; nothing
        // reads it again this run.
        m_file.close();
    }

private:
    // False when the step failed and the file was recovered.
    bool step(const std::function<void()> &body)
    {
        try {
            body();
            return true;
        } catch (...) {
            recover();
            return false;
        }
    }

    // Replaces the file with the default record and opens it for reading.
    void recover()
    {
        m_file.close();
        try {
            SettingsFile::write(m_path, SettingsRecord::defaults());
        } catch (const NumberedError &e) {
            m_recoveryFailed = true;
            // One message per start-up, however many steps fail.
            if (!m_reported) {
                m_reported = true;
                reportSettingsUnwritable(m_path, e, m_window.dialogParent());
            }
            return;
        }
        try {
            m_file.openForReading();
        } catch (const NumberedError &) {
            m_recoveryFailed = true;
        }
    }

    SettingsUi &m_window;
    QString m_path;
    SettingsFile m_file;
    bool m_recoveryFailed = false;
    bool m_reported = false;
};

// Ignore mode: a failing step is skipped.
template <typename F>
void ignoringFailure(const char *what, F &&body) noexcept
{
    try {
        body();
    } catch (const std::exception &e) {
        reportUncaught(what, &e);
    } catch (...) {
        reportUncaught(what, nullptr);
    }
}

} // namespace

void restoreSettings(SettingsUi &window, const QString &path)
{
    SettingsRestore(window, path).run();
    // The toggle has already reported its own failures.
    ignoringFailure("start-up: opening the port", [&] { window.togglePort(); });
    ignoringFailure("start-up: the line byte count", [&] { window.resetLineByteCount(); });
}

void saveSettings(SettingsUi &window, const QString &path)
{
    try {
        SettingsRecord record;
        record.port = window.portBoxText();
        record.baud = window.baudBoxText();
        // The window reports its frame as 32-bit floats; the file carries those.
        record.left = static_cast<float>(window.outerLeft());
        record.top = static_cast<float>(window.outerTop());
        record.width = static_cast<float>(window.outerWidth());
        record.height = static_cast<float>(window.outerHeight());
        record.lowerBound = window.lowerBoundText();
        record.higherBound = window.higherBoundText();
        record.lineFeedTime = window.lineFeedTimeText();
        SettingsFile::write(path, record);
    } catch (const NumberedError &e) {
        reportSettingsUnwritable(path, e, window.dialogParent());
    } catch (const std::exception &e) {
        reportUncaught("shut-down", &e);
    } catch (...) {
        reportUncaught("shut-down", nullptr);
    }
}

} // namespace quillar
