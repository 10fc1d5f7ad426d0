#include "plot_window.h"

#include "platform/file_errors.h"
#include "platform/guarded.h"
#include "platform/modal_ui.h"
#include "plot/plot_csv.h"
#include "plot/plot_data.h"
#include "plot_palette.h"
#include "plot_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>

#include <cerrno>
#include <cmath>
#include <optional>
#include <functional>

namespace quillar {

namespace {

struct Span
{
    const char16_t *label;
    qint64 ms;
};
constexpr Span Spans[] = {{u"10 s", 10'000}, {u"1 min", 60'000}, {u"10 min", 600'000}, {u"Tutto", 0}};

// A control named as its label, for a screen reader.
template <typename Control>
Control *labelled(QHBoxLayout *row, const QString &label, Control *control)
{
    auto *text = new QLabel(label);
    text->setBuddy(control);
    control->setAccessibleName(QString(label).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    row->addWidget(text);
    row->addWidget(control);
    return control;
}

QIcon legendIcon(int index)
{
    QPixmap pixmap(24, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(seriesPen(index));
    p.drawLine(1, 6, 23, 6);
    return QIcon(pixmap);
}

std::optional<double> typedNumber(QString text)
{
    bool ok = false;
    const double value = text.replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

// Writes a file as a whole or not at all; what failed, as Save says it.
void writeFile(const QString &path, const std::function<bool(QSaveFile &)> &write)
{
    QSaveFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly)) {
        const int err = errno;
        throw writeFailure(path, WritePhase::Open, err, file.errorString());
    }
    if (!write(file) || !file.commit()) {
        const int err = errno;
        throw writeFailure(path, WritePhase::Write, err, file.errorString());
    }
}

} // namespace

PlotWindow::PlotWindow(PlotData &data, QString exportFolder, QWidget *parent)
    : QWidget(parent, Qt::Window),
      m_data(data),
      m_exportFolder(std::move(exportFolder)),
      m_view(new PlotView(data))
{
    setObjectName(QStringLiteral("frmGrafico"));
    setWindowTitle(QStringLiteral("Quillar - Grafico"));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(860, 520);

    m_status = new QLabel;
    m_status->setAccessibleName(QStringLiteral("Valori sotto il puntatore"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *middle = new QHBoxLayout;
    middle->addWidget(m_view, 1);
    middle->addWidget(createLegend());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(createControls());
    layout->addLayout(middle, 1);
    layout->addWidget(m_status);

    connect(m_view, &PlotView::hoverChanged, m_status, &QLabel::setText);
    connect(m_view, &PlotView::heldChanged, this, [this](bool held) {
        const QSignalBlocker quiet(m_pause);
        m_pause->setChecked(held);
    });
    m_frame.setInterval(FrameMs);
    connect(&m_frame, &QTimer::timeout, this, [this] { guarded("plot frame", [this] { refresh(); }); });
    auto *close = new QAction(this);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    m_view->setFocus();
}

QWidget *PlotWindow::createControls()
{
    auto *controls = new QWidget;
    auto *rows = new QVBoxLayout(controls);
    rows->setContentsMargins(0, 0, 0, 0);
    auto *first = new QHBoxLayout;
    auto *second = new QHBoxLayout;
    rows->addLayout(first);
    rows->addLayout(second);
    createViewControls(first);
    createSampleControls(second);
    return controls;
}

void PlotWindow::createViewControls(QHBoxLayout *first)
{
    m_span = labelled(first, QStringLiteral("&Intervallo:"), new QComboBox);
    for (const Span &span : Spans)
        m_span->addItem(QString::fromUtf16(span.label), span.ms);
    m_span->setCurrentIndex(1);
    m_view->setSpanMs(Spans[1].ms);
    connect(m_span, &QComboBox::currentIndexChanged, this,
            [this] { m_view->setSpanMs(m_span->currentData().toLongLong()); });
    m_axis = labelled(first, QStringLiteral("Asse &X:"), new QComboBox);
    m_axis->addItems({QStringLiteral("Ora di arrivo"), QStringLiteral("Numero del campione")});
    connect(m_axis, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_view->setAxis(index == 0 ? XAxis::Time : XAxis::Number); });
    m_autoscale = new QCheckBox(QStringLiteral("Scala &automatica"));
    m_autoscale->setChecked(true);
    first->addWidget(m_autoscale);
    connect(m_autoscale, &QCheckBox::toggled, this, &PlotWindow::autoscaleToggled);
    m_low = labelled(first, QStringLiteral("&Da:"), new QLineEdit);
    m_high = labelled(first, QStringLiteral("A:"), new QLineEdit);
    for (QLineEdit *box : {m_low, m_high}) {
        box->setEnabled(false);
        box->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("-0.000000e+00")));
        connect(box, &QLineEdit::editingFinished, this, &PlotWindow::applyValueRange);
    }
    m_pause = new QPushButton(QStringLiteral("&Pausa"));
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, m_view, &PlotView::setHeld);
    auto *follow = new QPushButton(QStringLiteral("&Segui"));
    connect(follow, &QPushButton::clicked, m_view, [this] { m_view->setHeld(false); });
    first->addWidget(m_pause);
    first->addWidget(follow);
    first->addStretch();
}

void PlotWindow::createSampleControls(QHBoxLayout *second)
{
    m_limit = labelled(second, QStringLiteral("&Campioni per serie:"), new QSpinBox);
    m_limit->setRange(1000, 10'000'000);
    m_limit->setSingleStep(10'000);
    m_limit->setGroupSeparatorShown(true);
    m_limit->setValue(int(m_data.limit()));
    connect(m_limit, &QSpinBox::editingFinished, this, [this] { m_data.setLimit(m_limit->value()); });
    const auto button = [&](const QString &text, void (PlotWindow::*run)()) {
        auto *b = new QPushButton(text);
        connect(b, &QPushButton::clicked, this,
                [this, run] { guarded("plot button", [this, run] { (this->*run)(); }); });
        second->addWidget(b);
    };
    button(QStringLiteral("Svuo&ta"), &PlotWindow::clearSamples);
    second->addStretch();
    button(QStringLiteral("Esporta CS&V\u2026"), &PlotWindow::exportCsv);
    button(QStringLiteral("Esporta P&NG\u2026"), &PlotWindow::exportPng);
}

QWidget *PlotWindow::createLegend()
{
    auto *box = new QGroupBox(QStringLiteral("Serie"));
    auto *scroll = m_legendScroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *entries = new QWidget;
    m_legendLayout = new QVBoxLayout(entries);
    m_legendLayout->addStretch();
    scroll->setWidget(entries);
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(scroll);
    box->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 12);
    return box;
}

QString PlotWindow::statusText() const
{
    return m_status->text();
}

void PlotWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    m_frame.start();
}

void PlotWindow::hideEvent(QHideEvent *event)
{
    m_frame.stop();
    QWidget::hideEvent(event);
}

void PlotWindow::refresh()
{
    syncLegend();
    if (m_data.revision() == m_seen)
        return;
    // A pixel column that lasts longer than a frame need not be painted
    // every frame: the line moves by less than a pixel.
    if (m_sincePaint.isValid() && m_sincePaint.elapsed() < std::min<qint64>(m_view->msPerColumn(), 1000))
        return;
    m_seen = m_data.revision();
    m_sincePaint.start();
    m_view->follow();
    // The values under a pointer that stays still change as the view moves.
    if (const QString hover = m_view->hoverText(); !hover.isEmpty())
        m_status->setText(hover);
}

void PlotWindow::syncLegend()
{
    for (std::size_t i = m_entries.size(); i < m_data.series().size(); ++i) {
        auto *entry = new QCheckBox(m_data.series()[i].name);
        entry->setIcon(legendIcon(int(i)));
        entry->setChecked(true);
        connect(entry, &QCheckBox::toggled, m_view, [this, i](bool on) { m_view->setShown(i, on); });
        m_legendLayout->insertWidget(int(i), entry);
        m_entries.push_back(entry);
        // Every name whole: the legend widens with the longest.
        m_legendScroll->setMinimumWidth(m_legendScroll->widget()->sizeHint().width()
                                        + m_legendScroll->verticalScrollBar()->sizeHint().width());
    }
}

void PlotWindow::autoscaleToggled(bool on)
{
    m_low->setEnabled(!on);
    m_high->setEnabled(!on);
    if (on) {
        m_view->setValueRange(std::nullopt);
        return;
    }
    if (m_low->text().isEmpty() && m_high->text().isEmpty()) {
        const auto [low, high] = m_view->paintedValues();
        m_low->setText(QString::number(low, 'g', 6));
        m_high->setText(QString::number(high, 'g', 6));
    }
    applyValueRange();
}

void PlotWindow::applyValueRange()
{
    if (m_autoscale->isChecked())
        return;
    const auto low = typedNumber(m_low->text());
    const auto high = typedNumber(m_high->text());
    if (!low || !high || *low >= *high) {
        showStatus(QStringLiteral("Intervallo dei valori non valido: scrivere due numeri, il primo minore del "
                                  "secondo"));
        return;
    }
    m_view->setValueRange(std::pair(*low, *high));
    showStatus({});
}

void PlotWindow::showStatus(const QString &text)
{
    m_status->setText(text);
}

void PlotWindow::clearSamples()
{
    m_data.clear();
    m_view->update();
}

void PlotWindow::exportCsv()
{
    const auto path =
        modalUi().getSaveFileName(this,
                                  {QStringLiteral("Esporta i campioni"), m_exportFolder, QStringLiteral("Grafico.csv"),
                                   QStringLiteral("File CSV (*.csv)|*.csv|Tutti i file|*.*")});
    if (!path)
        return;
    try {
        writeFile(*path, [this](QSaveFile &file) { return writeCsv(m_data, file); });
    } catch (const NumberedError &e) {
        modalUi().messageBox(this, e.description(), QStringLiteral("Errore n.%1").arg(e.number()), ModalUi::Icon::None);
    }
}

void PlotWindow::exportPng()
{
    const auto path =
        modalUi().getSaveFileName(this,
                                  {QStringLiteral("Esporta l'immagine"), m_exportFolder, QStringLiteral("Grafico.png"),
                                   QStringLiteral("Immagine PNG (*.png)|*.png|Tutti i file|*.*")});
    if (!path)
        return;
    const QImage image = m_view->picture();
    try {
        writeFile(*path, [&image](QSaveFile &file) { return image.save(&file, "PNG"); });
    } catch (const NumberedError &e) {
        modalUi().messageBox(this, e.description(), QStringLiteral("Errore n.%1").arg(e.number()), ModalUi::Icon::None);
    }
}

} // namespace quillar
