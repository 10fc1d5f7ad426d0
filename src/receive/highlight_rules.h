#pragma once

#include "terminal_decoder.h"

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quillar {

// One highlight: a word (or regular expression), with or without regard to
// case, marks what it matches, or the whole line, in a colour (0xRRGGBB).
struct HighlightRule
{
    QString pattern;
    bool regex = false;
    bool caseSensitive = false;
    bool wholeLine = false;
    bool enabled = true;
    quint32 colour = 0xFFFF00;

    // As the choices file keeps it: printable ASCII, the pattern
    // percent-encoded last.
    [[nodiscard]] QString toChoice() const;
    [[nodiscard]] static std::optional<HighlightRule> fromChoice(const QString &choice);
    friend bool operator==(const HighlightRule &, const HighlightRule &) = default;
};

// The rules a display starts with: error and warn, ready but off.
[[nodiscard]] QList<HighlightRule> readyHighlightRules();

// The enabled rules, applied to a line as shown: the cells a match covers
// take the rule's colour as their background and black text; a whole-line
// rule colours the line's row. A later rule paints over an earlier one.
class Highlighter
{
public:
    void setRules(const QList<HighlightRule> &rules);
    [[nodiscard]] const QList<HighlightRule> &rules() const { return m_rules; }
    // The texts that start the lines of a pair's sides (sidePrefix), by
    // side: a line that starts with one shows it in its side's colour
    // (SideColours), under the rules; none: no pair.
    void setSidePrefixes(const QStringList &prefixes) { m_sidePrefixes = prefixes; }
    [[nodiscard]] const QStringList &sidePrefixes() const { return m_sidePrefixes; }
    [[nodiscard]] bool active() const { return !m_compiled.empty() || !m_sidePrefixes.isEmpty(); }
    void apply(ShownLine &line) const;

    // Cyan and yellow of the terminal palette: apart on the black display,
    // also to colour-blind eyes.
    static constexpr quint32 SideColours[2] = {0x46C8D2, 0xDCC83C};

private:
    void applySides(ShownLine &line) const;

    struct Compiled
    {
        QRegularExpression expression;
        quint32 colour;
        bool wholeLine;
    };
    QList<HighlightRule> m_rules;
    std::vector<Compiled> m_compiled;
    QStringList m_sidePrefixes;
};

} // namespace quillar
