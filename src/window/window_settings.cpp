#include "window_settings.h"

#include "frm_quillar.h"
#include "receive/receive_path.h"

#include <QLineEdit>

namespace quillar {

// QLineEdit::setText signals textChanged only when the text differs, so the
// change rules of txtCom1 (tooltip) and Text1 (LineByteCount) run exactly when
// start-up changes a text.
void WindowSettings::setTxtCom1Text(const QString &text) { m_window.txtCom1->setText(text); }
void WindowSettings::setTxtBaud1Text(const QString &text) { m_window.txtBaud1->setText(text); }
void WindowSettings::setText4Text(const QString &text) { m_window.Text4->setText(text); }
void WindowSettings::setText2Text(const QString &text) { m_window.Text2->setText(text); }
void WindowSettings::setText1Text(const QString &text) { m_window.Text1->setText(text); }

// The file holds whole numbers; the window takes them as its 32-bit floats.
void WindowSettings::setLeft(double twips) { m_window.setLeft(static_cast<float>(twips)); }
void WindowSettings::setTop(double twips) { m_window.setTop(static_cast<float>(twips)); }
void WindowSettings::setWidth(double twips) { m_window.setWidth(static_cast<float>(twips)); }
void WindowSettings::setHeight(double twips) { m_window.setHeight(static_cast<float>(twips)); }

void WindowSettings::Command1_Click() { m_window.Command1_Click(); }
void WindowSettings::resetLineByteCount() { m_window.receivePath().setLineByteCount(0); }

QString WindowSettings::txtCom1Text() const { return m_window.txtCom1->text(); }
QString WindowSettings::txtBaud1Text() const { return m_window.txtBaud1->text(); }
double WindowSettings::left() const { return m_window.Left(); }
double WindowSettings::top() const { return m_window.Top(); }
double WindowSettings::width() const { return m_window.Width(); }
double WindowSettings::height() const { return m_window.Height(); }
QString WindowSettings::text4Text() const { return m_window.Text4->text(); }
QString WindowSettings::text2Text() const { return m_window.Text2->text(); }
QString WindowSettings::text1Text() const { return m_window.Text1->text(); }

} // namespace quillar
