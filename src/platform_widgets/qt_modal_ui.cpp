#include "qt_modal_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace quillar {

namespace {
QString forDisplay(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QMessageBox::Icon toQt(ModalUi::Icon icon)
{
    switch (icon) {
    case ModalUi::Icon::Warning:
        return QMessageBox::Warning;
    case ModalUi::Icon::Critical:
        return QMessageBox::Critical;
    case ModalUi::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void QtModalUi::messageBox(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(toQt(icon), title, forDisplay(text), QMessageBox::Ok, parent);
    box.exec();
}

bool QtModalUi::askYesNo(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, forDisplay(text), QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QStringList QtModalUi::nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // "*.*" means every file; here it would hide the names without a dot.
        const QString pattern = parts[i + 1] == QLatin1String("*.*") ? QStringLiteral("*") : parts[i + 1];
        filters << QStringLiteral("%1 (%2)").arg(parts[i], pattern);
    }
    return filters;
}

std::optional<QString> QtModalUi::getSaveFileName(QWidget *parent, const SaveRequest &request)
{
    QFileDialog dialog(parent, request.title, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Only the descriptions are shown, as the filter names them.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(nameFilters(request.filter));
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void QtModalUi::beep()
{
    QApplication::beep();
}

} // namespace quillar
