#include "highlight_rules.h"

#include <QByteArray>
#include <QStringList>

namespace quillar {

QString HighlightRule::toChoice() const
{
    const auto flag = [](bool on, const char *yes, const char *no) { return QString::fromLatin1(on ? yes : no); };
    return QStringList{flag(enabled, "on", "off"),
                       flag(regex, "regex", "word"),
                       flag(caseSensitive, "case", "anycase"),
                       flag(wholeLine, "line", "match"),
                       QStringLiteral("%1").arg(colour, 6, 16, QLatin1Char('0')),
                       QString::fromLatin1(pattern.toUtf8().toPercentEncoding())}
        .join(QLatin1Char(','));
}

std::optional<HighlightRule> HighlightRule::fromChoice(const QString &choice)
{
    const QStringList parts = choice.split(QLatin1Char(','));
    if (parts.size() != 6)
        return std::nullopt;
    bool ok = false;
    const uint colour = parts[4].toUInt(&ok, 16);
    if (!ok || colour > 0xFFFFFF)
        return std::nullopt;
    HighlightRule rule;
    rule.enabled = parts[0] == QLatin1String("on");
    rule.regex = parts[1] == QLatin1String("regex");
    rule.caseSensitive = parts[2] == QLatin1String("case");
    rule.wholeLine = parts[3] == QLatin1String("line");
    rule.colour = colour;
    rule.pattern = QString::fromUtf8(QByteArray::fromPercentEncoding(parts[5].toLatin1()));
    return rule;
}

QList<HighlightRule> readyHighlightRules()
{
    return {{.pattern = QStringLiteral("error"), .wholeLine = true, .enabled = false, .colour = 0xFF8080},
            {.pattern = QStringLiteral("warn"), .wholeLine = true, .enabled = false, .colour = 0xFFE060}};
}

void Highlighter::setRules(const QList<HighlightRule> &rules)
{
    m_rules = rules;
    m_compiled.clear();
    for (const HighlightRule &rule : rules) {
        if (!rule.enabled || rule.pattern.isEmpty())
            continue;
        QRegularExpression expression(rule.regex ? rule.pattern : QRegularExpression::escape(rule.pattern),
                                      rule.caseSensitive ? QRegularExpression::NoPatternOption
                                                         : QRegularExpression::CaseInsensitiveOption);
        // A rule that is no valid expression marks nothing.
        if (expression.isValid())
            m_compiled.push_back({std::move(expression), rule.colour, rule.wholeLine});
    }
}

void Highlighter::applySides(ShownLine &line) const
{
    for (qsizetype side = 0; side < m_sidePrefixes.size() && side < 2; ++side) {
        const QString &prefix = m_sidePrefixes[side];
        if (prefix.isEmpty() || std::size_t(prefix.size()) > line.cells.size())
            continue;
        bool starts = true;
        for (qsizetype i = 0; i < prefix.size() && starts; ++i)
            starts = line.cells[std::size_t(i)].code == char32_t(prefix[i].unicode());
        if (!starts)
            continue;
        const quint32 colour = SideColours[side];
        for (qsizetype i = 0; i < prefix.size(); ++i)
            line.cells[std::size_t(i)].style.foreground =
                CellStyle::rgb(int(colour >> 16), int(colour >> 8 & 0xFF), int(colour & 0xFF));
        return;
    }
}

void Highlighter::apply(ShownLine &line) const
{
    applySides(line);
    if (m_compiled.empty())
        return;
    // The shown text, and for each of its UTF-16 units the cell it is in.
    QString text;
    std::vector<std::size_t> cellOf;
    for (std::size_t i = 0; i < line.cells.size(); ++i) {
        const char32_t code = line.cells[i].code;
        const QString piece = QString::fromUcs4(&code, 1);
        text += piece;
        cellOf.insert(cellOf.end(), std::size_t(piece.size()), i);
    }
    const CellStyle::Attribute keep = CellStyle::Underline;
    for (const Compiled &rule : m_compiled) {
        const quint32 colour = CellStyle::rgb(int(rule.colour >> 16), int(rule.colour >> 8), int(rule.colour));
        for (auto matches = rule.expression.globalMatch(text); matches.hasNext();) {
            const QRegularExpressionMatch match = matches.next();
            if (match.capturedLength() == 0)
                continue;
            if (rule.wholeLine) {
                line.background = colour;
                break;
            }
            for (qsizetype at = match.capturedStart(); at < match.capturedEnd(); ++at) {
                CellStyle &style = line.cells[cellOf[std::size_t(at)]].style;
                style = {.foreground = CellStyle::rgb(0, 0, 0),
                         .background = colour,
                         .attributes = quint8(style.attributes & keep)};
            }
        }
    }
    if (line.background != CellStyle::Default) {
        for (ShownCell &cell : line.cells) {
            if (cell.style.background == CellStyle::Default)
                cell.style = {.foreground = CellStyle::rgb(0, 0, 0),
                              .background = line.background,
                              .attributes = quint8(cell.style.attributes & keep)};
        }
    }
}

} // namespace quillar
