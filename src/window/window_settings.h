#pragma once

#include "startup.h"

namespace quillar {

class frmQuillar;

// frmQuillar as start-up and shut-down see it. A class of its own because the
// names start-up uses (width(), height(), ...) would hide QWidget's own in
// the window; it sets and reads the very boxes and outer geometry the window
// shows, so every change rule the window has runs as if the user typed.
class WindowSettings final : public SettingsWindow
{
public:
    explicit WindowSettings(frmQuillar &window) : m_window(window) {}

    void setTxtCom1Text(const QString &text) override;
    void setTxtBaud1Text(const QString &text) override;
    void setLeft(double twips) override;
    void setTop(double twips) override;
    void setWidth(double twips) override;
    void setHeight(double twips) override;
    void setText4Text(const QString &text) override;
    void setText2Text(const QString &text) override;
    void setText1Text(const QString &text) override;
    void Command1_Click() override;
    void resetLineByteCount() override;

    [[nodiscard]] QString txtCom1Text() const override;
    [[nodiscard]] QString txtBaud1Text() const override;
    [[nodiscard]] double left() const override;
    [[nodiscard]] double top() const override;
    [[nodiscard]] double width() const override;
    [[nodiscard]] double height() const override;
    [[nodiscard]] QString text4Text() const override;
    [[nodiscard]] QString text2Text() const override;
    [[nodiscard]] QString text1Text() const override;

private:
    frmQuillar &m_window;
};

} // namespace quillar
