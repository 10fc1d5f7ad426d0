#include "startup.h"

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

namespace {

void reportUnwritable(const QString &path, const NumberedError &error, QWidget *dialogParent)
{
    const QString text = QStringLiteral("Impossibile scrivere il file delle impostazioni\r\n%1\r\nErrore n.%2: %3")
                             .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()))
                             .arg(error.number())
                             .arg(error.description());
    modalUi().messageBox(dialogParent, text, QStringLiteral("Quillar"), ModalUi::Icon::Warning);
}

// Start-up's settings part: steps 2 to 13 in recover mode.
class SettingsRestore
{
public:
    SettingsRestore(SettingsWindow &window, const QString &path, QWidget *dialogParent)
        : m_window(window), m_path(path), m_file(path), m_dialogParent(dialogParent)
    {
    }

    void run()
    {
        SettingsRecord record; // empty texts and zeros until read
        step([&] { m_file.openForReading(); });
        step([&] {
            if (m_file.isOpen() || !m_recoveryFailed)
                m_file.read(record);
            else
                // The recovery could not write the default record to read it
                // back; this run uses it all the same.
                record = SettingsRecord::defaults();
        });
        m_file.close();
        step([&] { m_window.setTxtCom1Text(record.port); });
        step([&] { m_window.setTxtBaud1Text(record.baud); });
        step([&] { m_window.setLeft(record.left); });
        step([&] { m_window.setTop(record.top); });
        step([&] { m_window.setWidth(record.width); });
        step([&] { m_window.setHeight(record.height); });
        step([&] { m_window.setText4Text(record.lowerBound); });
        step([&] { m_window.setText2Text(record.higherBound); });
        step([&] { m_window.setText1Text(record.lineFeedTime); });
        // A recovery after the read reopens the file for reading; nothing
        // reads it again this run.
        m_file.close();
    }

private:
    void step(const std::function<void()> &body)
    {
        try {
            body();
        } catch (...) {
            recover();
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
                reportUnwritable(m_path, e, m_dialogParent);
            }
            return;
        }
        try {
            m_file.openForReading();
        } catch (const NumberedError &) {
            m_recoveryFailed = true;
        }
    }

    SettingsWindow &m_window;
    QString m_path;
    SettingsFile m_file;
    QWidget *m_dialogParent;
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

void Form_Load(SettingsWindow &window, const QString &path, QWidget *dialogParent)
{
    SettingsRestore(window, path, dialogParent).run();
    // The toggle has already reported its own failures.
    ignoringFailure("Form_Load: Command1_Click", [&] { window.Command1_Click(); });
    ignoringFailure("Form_Load: LineByteCount", [&] { window.resetLineByteCount(); });
}

void Form_Unload(const SettingsWindow &window, const QString &path, QWidget *dialogParent)
{
    try {
        SettingsRecord record;
        record.port = window.txtCom1Text();
        record.baud = window.txtBaud1Text();
        // The window reports its frame as 32-bit floats; the file carries those.
        record.left = static_cast<float>(window.left());
        record.top = static_cast<float>(window.top());
        record.width = static_cast<float>(window.width());
        record.height = static_cast<float>(window.height());
        record.lowerBound = window.text4Text();
        record.higherBound = window.text2Text();
        record.lineFeedTime = window.text1Text();
        SettingsFile::write(path, record);
    } catch (const NumberedError &e) {
        reportUnwritable(path, e, dialogParent);
    } catch (const std::exception &e) {
        reportUncaught("Form_Unload", &e);
    } catch (...) {
        reportUncaught("Form_Unload", nullptr);
    }
}

QRect keepOnScreens(const QRect &window, const QList<QRect> &screens, const QRect &primary)
{
    if (screens.isEmpty() || primary.isEmpty())
        return window;
    // A window restored with no size still has a place that must be visible.
    const QRect footprint(window.topLeft(), window.size().expandedTo(QSize(1, 1)));
    for (const QRect &screen : screens) {
        if (screen.intersects(footprint))
            return window;
    }
    return QRect(primary.topLeft(), window.size());
}

} // namespace quillar
