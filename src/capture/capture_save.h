#pragma once

#include <QString>

class QWidget;

namespace quillar {

class DisplayBuffer;

// What Save needs of the main window (the window's seam style: see
// PortToggleUi).
class CaptureUi
{
public:
    virtual ~CaptureUi() = default;
    virtual void focusDisplay() = 0; // Text3
    // Owner of the dialog and the message boxes.
    [[nodiscard]] virtual QWidget *dialogParent() = 0;
};

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

    // settingsFolder: the proposed folder, where Quillar.ini and the port
    // links are kept (never the folder of an installed program, which belongs
    // to the system); the home folder is proposed instead when it cannot be
    // written.
    CaptureSave(const DisplayBuffer &display, CaptureUi &ui, QString settingsFolder);

    // An empty display does nothing at all. Otherwise: the dialog; the file
    // is created or emptied; when something is selected, the question whether
    // to save only that; the text, read now, is written. Cancel is silent; any
    // other failure shows "Errore n.<number>" with its description. The file
    // is closed on every path, and the display gets the focus.
    void save(); // the click of Command4

    // The folder the dialog proposes.
    [[nodiscard]] QString proposedDirectory() const;

private:
    void writeChosenFile();

    const DisplayBuffer &m_display;
    CaptureUi &m_ui;
    QString m_settingsFolder;
};

} // namespace quillar
