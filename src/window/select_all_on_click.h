#pragma once

#include <QObject>

class QLineEdit;

namespace quillar {

// txtCom1_Click, txtBaud1_Click, Text1_Click, Text2_Click, Text4_Click: once a
// click into the box has been handled, its whole text is selected with the
// caret at the end (Home, then Shift+End), so the next typed character replaces
// the value. Moving in with Tab selects nothing.
class SelectAllOnClick : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    void installOn(QLineEdit &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace quillar
