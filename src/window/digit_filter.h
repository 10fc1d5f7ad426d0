#pragma once

#include <QObject>

namespace quillar {

// txtCom1_KeyPress and txtBaud1_KeyPress: discards every typed character but
// the digits and the codes below 10. Install it on a box with installOn.
class DigitFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    void installOn(QObject &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace quillar
