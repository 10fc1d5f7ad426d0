#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quillar {

// Every modal window and the beep go through this seam, so that tests can
// script the answers and never block. While a modal window is open the event
// loop runs on: received data and the line-break timer keep appending.
class ModalUi
{
public:
    enum class Icon { None, Warning, Critical };

    struct SaveRequest
    {
        QString title;
        QString directory;
        QString fileName;
        // Pairs of description and pattern separated by '|', e.g.
        // "File di testo (*.txt)|*.txt|Tutti i file|*.*".
        QString filter;
    };

    virtual ~ModalUi() = default;

    // A box with an OK button; returns when it has been dismissed. Line breaks
    // in text are CR LF.
    virtual void messageBox(QWidget *parent, const QString &text, const QString &title, Icon icon) = 0;

    // A Yes/No question with Yes as the default; true for Yes.
    virtual bool askYesNo(QWidget *parent, const QString &text, const QString &title) = 0;

    // The save dialog: the chosen full path, or nullopt when cancelled. The
    // dialog itself confirms before an existing file is replaced.
    virtual std::optional<QString> getSaveFileName(QWidget *parent, const SaveRequest &request) = 0;

    virtual void beep() = 0;
};

// The seam in use: the one a test installed, else the desktop's. With
// neither (a program without a window), nobody can answer: a message goes
// to the log, a question is answered No and a save is cancelled.
[[nodiscard]] ModalUi &modalUi();
// Installs ui (not owned); nullptr goes back to the desktop's.
void installModalUi(ModalUi *ui);
// The desktop's own boxes and dialogs (not owned), set once by the program
// that makes the window; the layers below the widgets cannot make them.
void setDesktopModalUi(ModalUi *ui);

} // namespace quillar
