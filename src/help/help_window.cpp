#include "help_window.h"

#include "help_file.h"
#include "help_geometry.h"
#include "platform/guarded.h"
#include "platform/modal_ui.h"
#include "platform/twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextDocument>
#include <QTextEdit>

namespace quillar {

namespace {
// Frame margins in twips used while the window system reports none.
constexpr double DesignFrameWidth = 60 + 60;
constexpr double DesignFrameHeight = 450 + 60;

QPixmap iconImage(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0, 0, 128));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    painter.setPen(Qt::white);
    QFont font;
    font.setBold(true);
    font.setPixelSize(size * 3 / 4);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}
} // namespace

HelpWindow::HelpWindow() : QWidget(nullptr), m_view(new QTextEdit(this))
{
    setObjectName(QStringLiteral("frmIstruzioni"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Istruzioni:"));
    QIcon icon;
    icon.addPixmap(iconImage(16));
    icon.addPixmap(iconImage(32));
    setWindowIcon(icon);

    m_view->setObjectName(QStringLiteral("rtfIstruzioni"));
    m_view->setReadOnly(true);
    m_view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_view->setLineWrapMode(QTextEdit::WidgetWidth);
    m_view->setGeometry(0, 0, 511, 257); // design 7665 x 3855 twips; the first resize replaces it

    // Closed from the keyboard as a desktop user closes a reading window.
    QList<QKeySequence> closeKeys{QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)};
    for (const QKeySequence &keys : QKeySequence::keyBindings(QKeySequence::Close)) {
        if (!closeKeys.contains(keys))
            closeKeys << keys;
    }
    auto *closeShortcut = new QShortcut(this);
    closeShortcut->setKeys(closeKeys);
    connect(closeShortcut, &QShortcut::activated, this, &QWidget::close);
}

void HelpWindow::Form_Load()
{
    guarded("frmIstruzioni.Form_Load", [this] {
        const double dpi = logicalDpi();
        resize(twipsToPixels(HelpClientWidthTwips, dpi), twipsToPixels(HelpClientHeightTwips, dpi));
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        move(centredPosition(screen->geometry(), outerSizeTwips(), dpi));
    });
}

QSizeF HelpWindow::outerSizeTwips() const
{
    const double dpi = logicalDpi();
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    if (isVisible() && frame.size() != client.size())
        return {pixelsToTwips(frame.width(), dpi), pixelsToTwips(frame.height(), dpi)};
    return {pixelsToTwips(client.width(), dpi) + DesignFrameWidth,
            pixelsToTwips(client.height(), dpi) + DesignFrameHeight};
}

void HelpWindow::Form_Resize()
{
    if (windowState() & Qt::WindowMinimized)
        return;
    const QSizeF outer = outerSizeTwips();
    const ViewTwips size = helpViewSize(static_cast<float>(outer.width()), static_cast<float>(outer.height()));
    const double dpi = logicalDpi();
    // One twip is less than a pixel; the view keeps at least one pixel.
    m_view->setGeometry(0, 0, std::max(1, twipsToPixels(size.width, dpi)),
                        std::max(1, twipsToPixels(size.height, dpi)));
}

void HelpWindow::Form_Activate()
{
    if (m_closing)
        return;
    const auto path = locateHelpFile(m_helpFileName, installedHelpDirectory(QCoreApplication::applicationDirPath()));
    if (!path) {
        // Closing first keeps the box's own activation changes from asking again.
        m_closing = true;
        modalUi().messageBox(this, QStringLiteral("Manca il file di help ") + m_helpFileName, QStringLiteral("Quillar"),
                             ModalUi::Icon::Critical);
        close();
        return;
    }
    auto document = loadHelpDocument(*path, logicalDpi());
    // A reload keeps the reader's place in the document.
    const int scrolled = m_view->verticalScrollBar()->value();
    // The view deletes a document it made itself; the ones set here belong to
    // the view widget and go when replaced.
    const QPointer<QTextDocument> previous = m_view->document();
    document->setParent(m_view);
    m_view->setDocument(document.release());
    if (previous && previous->parent() == m_view)
        delete previous.data();
    m_view->verticalScrollBar()->setValue(scrolled);
}

bool HelpWindow::event(QEvent *e)
{
    const bool handled = QWidget::event(e);
    if (e->type() == QEvent::WindowActivate)
        guarded("frmIstruzioni.Form_Activate", [this] { Form_Activate(); });
    return handled;
}

void HelpWindow::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    guarded("frmIstruzioni.Form_Resize", [this] { Form_Resize(); });
}

void HelpWindow::closeEvent(QCloseEvent *e)
{
    m_closing = true;
    QWidget::closeEvent(e);
}

} // namespace quillar
