#pragma once

#include "text_blocks.h"

#include <QMimeData>

namespace quillar {

// Text for the clipboard that shares the display's blocks instead of
// copying them: Copy all of a hundred million characters costs nothing
// until something pastes it, and then only the UTF-8 the paste asks for.
class ClipboardText final : public QMimeData
{
    Q_OBJECT

public:
    explicit ClipboardText(TextSlice text) : m_text(std::move(text)) { }

    [[nodiscard]] bool hasFormat(const QString &mimeType) const override;
    [[nodiscard]] QStringList formats() const override;

protected:
    [[nodiscard]] QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    TextSlice m_text;
};

} // namespace quillar
