#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace quillar {

class DisplayView;
class FindBar;
class TextFinder;

// Find on the display: the bar below the text (made when first opened), the
// finder that searches the buffer, and the rules between them and the
// selection. The bar opens with a short selection as the text to find;
// steps go from the match the user holds selected, or else from the caret;
// the match found is selected and brought into view, as the user would
// select it, so the view stays there while data arrives.
class DisplayFind : public QObject
{
    Q_OBJECT

public:
    explicit DisplayFind(DisplayView &view);

    [[nodiscard]] TextFinder &finder() const { return *m_finder; }
    [[nodiscard]] FindBar *bar() const { return m_bar; }
    [[nodiscard]] bool barShown() const;

    void open();
    void close();
    void next();
    void previous();

signals:
    // The bar came or went: the view makes room for it.
    void barToggled();
    // The marks may have changed anywhere in the text.
    void marksChanged();
    // A match was selected: what the view kept of the caret's last column is
    // of no use now.
    void matchSelected();

private:
    void findFromBar(const QString &text, bool matchCase);
    [[nodiscard]] bool barReady();
    [[nodiscard]] std::optional<qsizetype> heldMatch() const;
    void onFoundChanged();
    void showStatus();

    DisplayView &m_view;
    TextFinder *m_finder;
    FindBar *m_bar = nullptr;
};

} // namespace quillar
