#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <vector>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QVBoxLayout;

namespace quillar {

class PlotData;
class PlotView;

// "Quillar - Grafico": the plot of the numbers in the received lines, with
// its controls: the time span, the x axis (arrival time or sample number),
// autoscale or a typed range of values, pause and back to following, the
// samples kept per series, Clear, and export of the samples as CSV and of
// the view as PNG (through the modal seam); a legend whose entries show and
// hide the series; below, the values under the pointer or what went wrong.
// It looks at the samples once a display frame while shown, and paints
// only when some came.
class PlotWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int FrameMs = 40;

    // exportFolder: where the export dialogs start.
    PlotWindow(PlotData &data, QString exportFolder, QWidget *parent = nullptr);

    [[nodiscard]] PlotView &view() const { return *m_view; }
    [[nodiscard]] QString statusText() const;
    // Svuota: every series emptied.
    void clearSamples();
    void exportCsv();
    void exportPng();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *createControls();
    void createViewControls(QHBoxLayout *row);
    void createSampleControls(QHBoxLayout *row);
    QWidget *createLegend();
    void refresh();
    void syncLegend();
    void autoscaleToggled(bool on);
    void applyValueRange();
    void showStatus(const QString &text);

    PlotData &m_data;
    QString m_exportFolder;
    PlotView *m_view = nullptr;
    QComboBox *m_span = nullptr;
    QComboBox *m_axis = nullptr;
    QCheckBox *m_autoscale = nullptr;
    QLineEdit *m_low = nullptr;
    QLineEdit *m_high = nullptr;
    QPushButton *m_pause = nullptr;
    QSpinBox *m_limit = nullptr;
    QScrollArea *m_legendScroll = nullptr;
    QVBoxLayout *m_legendLayout = nullptr;
    std::vector<QCheckBox *> m_entries;
    QLabel *m_status = nullptr;
    QTimer m_frame;
    quint64 m_seen = ~quint64(0);
    QElapsedTimer m_sincePaint;
};

} // namespace quillar
