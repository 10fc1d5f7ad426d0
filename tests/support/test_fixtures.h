#pragma once

#include "platform/numbered_error.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

namespace quillar::test {

// A fresh temporary directory, the current one while it lives: the program
// finds Quillar.ini, COM<N> links and the help document there.
class TemporaryWorkingDir
{
public:
    TemporaryWorkingDir() : m_previous(QDir::currentPath())
    {
        m_valid = m_dir.isValid() && QDir::setCurrent(m_dir.path());
    }
    ~TemporaryWorkingDir() { QDir::setCurrent(m_previous); }
    TemporaryWorkingDir(const TemporaryWorkingDir &) = delete;
    TemporaryWorkingDir &operator=(const TemporaryWorkingDir &) = delete;

    [[nodiscard]] bool isValid() const { return m_valid; }
    [[nodiscard]] QString path() const { return m_dir.path(); }
    [[nodiscard]] QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QString m_previous;
    QTemporaryDir m_dir;
    bool m_valid = false;
};

// The child of that name; a test naming a control the window lacks stops.
template <typename T>
T *namedChild(const QObject &parent, const char *name)
{
    T *child = parent.findChild<T *>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}

// A file's bytes, or "<unreadable>".
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<unreadable>");
}

[[nodiscard]] inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// What a step throws, as "<number> <description>"; empty for nothing.
template <typename F>
QString errorOf(F &&step)
{
    try {
        step();
    } catch (const NumberedError &e) {
        return QString::number(e.number()) + u' ' + e.description();
    }
    return {};
}

} // namespace quillar::test
