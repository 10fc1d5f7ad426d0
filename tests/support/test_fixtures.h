#pragma once

#include <QDir>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

namespace quillar::test {

// A fresh temporary directory that is the current directory while it lives,
// since the program finds Quillar.ini, COM<N> links and the help document
// there. The previous current directory comes back afterwards.
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

// The child of parent with this object name; a test that names a control the
// window lacks stops at once.
template <typename T>
T *namedChild(const QObject &parent, const char *name)
{
    T *child = parent.findChild<T *>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}

} // namespace quillar::test
