#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quillar {

class DisplayBuffer;

// Save (Command4): writes the display, or only its selection, to a text file
// chosen in the save dialog, each character as the byte it was received as,
// followed by CR LF. Keeps nothing between uses.
class CaptureSave
{
public:
    static constexpr const char *DialogTitle = "Salva File";
    static constexpr const char *Filter = "File di testo (*.txt)|*.txt|Tutti i file|*.*";
    static constexpr const char *ProposedName = "Debug.txt";
    static constexpr const char *SelectionQuestion = "Salvare solo il testo selezionato ?";

    // programDir: the proposed folder (the program's own directory); the
    // current directory is proposed instead when it cannot be written.
    // focusDisplay gives the display (Text3) the keyboard focus.
    CaptureSave(const DisplayBuffer &display, std::function<void()> focusDisplay, QString programDir,
                QWidget *dialogParent = nullptr);

    // An empty display does nothing at all. Otherwise: the dialog; the file
    // is created or emptied; when something is selected, the question whether
    // to save only that; the text, read now, is written. Cancel is silent; any
    // other failure shows "Errore n.<number>" with its description. The file
    // is closed on every path, and the display gets the focus.
    void Command4_Click();

    // The folder the dialog proposes.
    [[nodiscard]] QString proposedDirectory() const;

private:
    void save();

    const DisplayBuffer &m_display;
    std::function<void()> m_focusDisplay;
    QString m_programDir;
    QWidget *m_dialogParent;
};

} // namespace quillar
