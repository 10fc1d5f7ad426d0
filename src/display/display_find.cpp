#include "display_find.h"

#include "receive/display_buffer.h"
#include "display_view.h"
#include "find_bar.h"
#include "receive/text_finder.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalBlocker>

namespace quillar {

namespace {

QAction *windowShortcut(QWidget &owner, const QKeySequence &keys, std::function<void()> run)
{
    auto *action = new QAction(&owner);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, &owner, std::move(run));
    owner.addAction(action);
    return action;
}

} // namespace

DisplayFind::DisplayFind(DisplayView &view)
    : QObject(&view),
      m_view(view),
      m_finder(new TextFinder(view.buffer(), this))
{
    connect(m_finder, &TextFinder::currentChanged, this, &DisplayFind::onFoundChanged);
    connect(m_finder, &TextFinder::countChanged, this, &DisplayFind::showStatus);
    // Wherever the focus is in the window, as the window has no other use for them.
    windowShortcut(view, QKeySequence::Find, [this] { open(); });
    windowShortcut(view, QKeySequence::FindNext, [this] { next(); });
    windowShortcut(view, QKeySequence::FindPrevious, [this] { previous(); });
}

bool DisplayFind::barShown() const
{
    return m_bar && m_bar->isVisible();
}

void DisplayFind::showStatus()
{
    if (m_bar)
        m_bar->setStatus(m_finder->status());
}

void DisplayFind::open()
{
    if (!m_bar) {
        m_bar = new FindBar(&m_view);
        // A bar of ordinary controls, not in the display's font and colours.
        m_bar->setFont(m_view.window()->font());
        m_bar->setPalette(QGuiApplication::palette());
        connect(m_bar, &FindBar::changed, this, &DisplayFind::findFromBar);
        connect(m_bar, &FindBar::nextRequested, this, &DisplayFind::next);
        connect(m_bar, &FindBar::previousRequested, this, &DisplayFind::previous);
        connect(m_bar, &FindBar::closeRequested, this, &DisplayFind::close);
    }
    // A short selection within a line is what the user wants to find.
    const DisplayBuffer &buffer = m_view.buffer();
    const QString before = m_bar->text();
    const QString selected = buffer.selLength() <= 256 ? buffer.selectedText() : QString();
    if (!selected.isEmpty() && !selected.contains(QLatin1Char('\r')) && !selected.contains(QLatin1Char('\n'))) {
        const QSignalBlocker quiet(m_bar->field());
        m_bar->field()->setText(selected);
    }
    const bool wasOpen = m_bar->isVisible();
    m_bar->show();
    emit barToggled();
    if (!wasOpen || m_bar->text() != before)
        findFromBar(m_bar->text(), m_bar->matchCase());
    m_bar->field()->setFocus(Qt::ShortcutFocusReason);
    m_bar->field()->selectAll();
}

// The display takes the focus and the marks go.
void DisplayFind::close()
{
    if (!barShown())
        return;
    m_bar->hide();
    m_finder->find({}, false, 0);
    emit barToggled();
    emit marksChanged();
    m_view.setFocus(Qt::OtherFocusReason);
}

void DisplayFind::findFromBar(const QString &text, bool matchCase)
{
    // Typing on from the match found, or from the top of the view.
    const std::optional<qsizetype> current = m_finder->current();
    const qsizetype from = current ? *current : m_view.buffer().lineStart(m_view.firstVisibleLine());
    m_finder->find(text, matchCase, from);
    showStatus();
    emit marksChanged();
}

// Whether the bar is open with a text to find; if not, it opens.
bool DisplayFind::barReady()
{
    if (barShown() && !m_bar->text().isEmpty())
        return true;
    open();
    return false;
}

// The match the user holds selected, if the selection is the current match;
// otherwise the steps go from the caret.
std::optional<qsizetype> DisplayFind::heldMatch() const
{
    const DisplayBuffer &buffer = m_view.buffer();
    const std::optional<qsizetype> current = m_finder->current();
    if (current && buffer.selStart() == *current && buffer.selLength() == m_finder->currentLength())
        return current;
    return std::nullopt;
}

void DisplayFind::next()
{
    if (!barReady())
        return;
    const std::optional<qsizetype> held = heldMatch();
    m_finder->next(held ? *held + 1 : m_view.buffer().caret());
}

void DisplayFind::previous()
{
    if (!barReady())
        return;
    const std::optional<qsizetype> held = heldMatch();
    m_finder->previous(held ? *held : m_view.buffer().selStart());
}

void DisplayFind::onFoundChanged()
{
    showStatus();
    const std::optional<qsizetype> found = m_finder->current();
    if (!found)
        return;
    const qsizetype end = *found + m_finder->currentLength();
    m_view.buffer().setSelection(*found, end);
    emit matchSelected();
    m_view.ensureVisible(end);
    m_view.ensureVisible(*found);
}

} // namespace quillar
