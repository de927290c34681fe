#include "eval/ui/fverlauf.h"

#include "eval/textout.h"

#include <QAreaSeries>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QMouseEvent>
#include <QSplitter>
#include <QTreeWidget>
#include <QValueAxis>

#include <cmath>

namespace {

enum Period { Day, Week, Month, Year, Dates };

const QColor channelColours[] = {QColor(0, 90, 170),   QColor(200, 40, 30), QColor(20, 140, 60),
                                 QColor(150, 60, 170), QColor(220, 120, 0), QColor(0, 150, 160),
                                 QColor(120, 90, 40),  QColor(90, 90, 90)};

constexpr qint64 msecsPerMinute = 60000;

const QString navigationHint =
    QStringLiteral("Ziehen: Ausschnitt vergrößern · Mausrad: zoomen · rechte Maustaste ziehen: "
                   "verschieben · Doppelklick: ganzer Zeitraum");

QLineSeries *lineOf(const QVector<QPointF> &points, const QPen &pen) {
    auto *series = new QLineSeries;
    series->replace(points);
    series->setPen(pen);
    return series;
}

QString unitTitle(const QString &unit) {
    return unit.isEmpty() ? QStringLiteral("ohne Einheit") : unit;
}

} // namespace

HistoryView::HistoryView(QChart *c, QWidget *parent) : QChartView(c, parent) {
    setRubberBand(QChartView::HorizontalRubberBand);
    setRenderHint(QPainter::Antialiasing);
}

void HistoryView::showRange(double from, double to) {
    const auto axes = chart()->axes(Qt::Horizontal);
    if (!axes.isEmpty() && to - from >= msecsPerMinute)
        axes.first()->setRange(QDateTime::fromMSecsSinceEpoch(qint64(from)),
                               QDateTime::fromMSecsSinceEpoch(qint64(to)));
}

void HistoryView::resizeEvent(QResizeEvent *event) {
    QChartView::resizeEvent(event);
    emit resized();
}

void HistoryView::mousePressEvent(QMouseEvent *event) {
    // The right button moves the period instead of zooming out.
    if (event->button() == Qt::RightButton) {
        panning = true;
        panStartX = event->position().x();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void HistoryView::mouseMoveEvent(QMouseEvent *event) {
    if (!panning) {
        QChartView::mouseMoveEvent(event);
        return;
    }
    const auto *axis = qobject_cast<QDateTimeAxis *>(chart()->axes(Qt::Horizontal).value(0));
    const double width = chart()->plotArea().width();
    if (axis && width > 0) {
        const double from = double(axis->min().toMSecsSinceEpoch());
        const double to = double(axis->max().toMSecsSinceEpoch());
        const double shift = (panStartX - event->position().x()) * (to - from) / width;
        panStartX = event->position().x();
        showRange(from + shift, to + shift);
    }
    event->accept();
}

void HistoryView::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton) {
        panning = false;
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void HistoryView::mouseDoubleClickEvent(QMouseEvent *event) {
    emit wholePeriodAsked();
    event->accept();
}

void HistoryView::wheelEvent(QWheelEvent *event) {
    const auto *axis = qobject_cast<QDateTimeAxis *>(chart()->axes(Qt::Horizontal).value(0));
    const QRectF area = chart()->plotArea();
    if (!axis || area.width() <= 0)
        return;
    const double from = double(axis->min().toMSecsSinceEpoch());
    const double to = double(axis->max().toMSecsSinceEpoch());
    // The time under the pointer stays where it is.
    const double at = from + (event->position().x() - area.left()) / area.width() * (to - from);
    const double factor = event->angleDelta().y() > 0 ? 0.8 : 1.25;
    showRange(at - (at - from) * factor, at + (to - at) * factor);
    event->accept();
}

FVerlauf::FVerlauf(Source src, QWidget *parent)
    : QWidget(parent, Qt::Window), source(std::move(src)), chart(new QChart), axisX(new QDateTimeAxis) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Verlauf"));
    resize(1100, 600);

    selPeriod = new QComboBox;
    selPeriod->addItems({QStringLiteral("Letzte 24 Stunden"), QStringLiteral("Letzte 7 Tage"),
                         QStringLiteral("Letzte 30 Tage"), QStringLiteral("Letztes Jahr"),
                         QStringLiteral("Von – bis")});
    selPeriod->setCurrentIndex(Week);
    txtFrom = new QDateEdit;
    txtTo = new QDateEdit;
    for (QDateEdit *edit : {txtFrom, txtTo}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        edit->setEnabled(false);
    }
    const QDate today = source.now().date();
    txtFrom->setDate(today.addDays(-7));
    txtTo->setDate(today);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Zeitraum:")));
    top->addWidget(selPeriod);
    top->addWidget(new QLabel(QStringLiteral("von")));
    top->addWidget(txtFrom);
    top->addWidget(new QLabel(QStringLiteral("bis")));
    top->addWidget(txtTo);
    top->addStretch();

    lstChannels = new QListWidget;
    std::optional<RunError> error;
    channels = History::channels(source.db, source.provider, source.config, &error);
    for (const History::Channel &channel : channels) {
        auto *item =
            new QListWidgetItem(QStringLiteral("%1 %2").arg(channel.number).arg(channel.name), lstChannels);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(lstChannels->count() == 1 ? Qt::Checked : Qt::Unchecked);
    }

    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale());
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    axisX->setTickCount(7);
    chart->addAxis(axisX, Qt::AlignBottom);
    view = new HistoryView(chart);

    lstGaps = new QTreeWidget;
    lstGaps->setHeaderLabels({QStringLiteral("Von"), QStringLiteral("Bis"), QStringLiteral("Fehlend")});
    lstGaps->setRootIsDecorated(false);
    lstGaps->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lstGaps->header()->setStretchLastSection(false);
    labGapSum = new QLabel;
    auto *gapBox = new QGroupBox(QStringLiteral("Lücken"));
    auto *gapLayout = new QVBoxLayout(gapBox);
    gapLayout->addWidget(labGapSum);
    gapLayout->addWidget(lstGaps);

    auto *splitter = new QSplitter;
    splitter->addWidget(lstChannels);
    splitter->addWidget(view);
    splitter->addWidget(gapBox);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({200, 640, 300});

    labHint = new QLabel;
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    layout->addWidget(labHint);

    // Zooming and moving change the range many times in a row: the series follow once they rest.
    redrawTimer.setSingleShot(true);
    redrawTimer.setInterval(30);
    connect(&redrawTimer, &QTimer::timeout, this, &FVerlauf::redraw);
    connect(axisX, &QDateTimeAxis::rangeChanged, &redrawTimer, qOverload<>(&QTimer::start));
    connect(view, &HistoryView::resized, &redrawTimer, qOverload<>(&QTimer::start));
    connect(view, &HistoryView::wholePeriodAsked, this, [this] {
        axisX->setRange(QDateTime::fromMSecsSinceEpoch(periodFrom), QDateTime::fromMSecsSinceEpoch(periodTo));
    });
    connect(selPeriod, &QComboBox::currentIndexChanged, this, [this](int index) {
        txtFrom->setEnabled(index == Dates);
        txtTo->setEnabled(index == Dates);
        reload();
    });
    connect(txtFrom, &QDateEdit::dateChanged, this, &FVerlauf::reload);
    connect(txtTo, &QDateEdit::dateChanged, this, &FVerlauf::reload);
    connect(lstChannels, &QListWidget::itemChanged, this, &FVerlauf::reload);
    connect(lstGaps, &QTreeWidget::itemDoubleClicked, this, &FVerlauf::zoomToGap);
    reload();
    if (error)
        labHint->setText(error->described());
}

void FVerlauf::reload() {
    const QDateTime now = source.now();
    QDateTime from;
    QDateTime to = now;
    switch (selPeriod->currentIndex()) {
    case Day:
        from = now.addDays(-1);
        break;
    case Week:
        from = now.addDays(-7);
        break;
    case Month:
        from = now.addDays(-30);
        break;
    case Year:
        from = now.addYears(-1);
        break;
    default:
        from = QDateTime(txtFrom->date(), QTime(0, 0));
        to = QDateTime(txtTo->date().addDays(1), QTime(0, 0));
        break;
    }
    shownChannels.clear();
    for (int i = 0; i < lstChannels->count(); ++i) {
        if (lstChannels->item(i)->checkState() == Qt::Checked)
            shownChannels.append(channels[i].number);
    }
    std::optional<RunError> error;
    rows = History::read(source.db, source.provider, source.config, shownChannels, from, to, &error);
    if (!error)
        gaps = History::storedGaps(source.db, source.provider, source.config, source.stepMinutes,
                                   rows.records, from, to, now, &error);
    labHint->setText(error ? error->described() : navigationHint);

    lstGaps->clear();
    int missing = 0;
    for (const History::Gap &gap : gaps) {
        missing += gap.missing;
        const auto shown = [](Reading r) {
            return QLocale().toString(QDateTime(dateOf(r), QTime(0, 0).addSecs(minuteOf(r) * 60)),
                                      QLocale::ShortFormat);
        };
        auto *item =
            new QTreeWidgetItem(lstGaps, {shown(gap.first), shown(gap.last), QString::number(gap.missing)});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    const QString gapCount = gaps.size() == 1
                                 ? QStringLiteral("1 Lücke")
                                 : QStringLiteral("%1 Lücken").arg(QLocale().toString(gaps.size()));
    const QString missingCount =
        missing == 1 ? QStringLiteral("1 fehlender Datensatz")
                     : QStringLiteral("%1 fehlende Datensätze").arg(QLocale().toString(missing));
    labGapSum->setText(gaps.isEmpty() ? QStringLiteral("Keine Lücken")
                                      : gapCount + QStringLiteral(", ") + missingCount);

    periodFrom = from.toMSecsSinceEpoch();
    periodTo = to.toMSecsSinceEpoch();
    const qint64 span = periodTo - periodFrom;
    axisX->setFormat(span <= 8 * 86400000LL    ? QStringLiteral("dd.MM. HH:mm")
                     : span <= 40 * 86400000LL ? QStringLiteral("dd.MM.")
                                               : QStringLiteral("dd.MM.yy"));
    axisX->setRange(from, to);
    redraw();
}

void FVerlauf::redraw() {
    redrawTimer.stop();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes(Qt::Vertical)) {
        chart->removeAxis(axis);
        delete axis;
    }
    const qint64 from = axisX->min().toMSecsSinceEpoch();
    const qint64 to = axisX->max().toMSecsSinceEpoch();
    const int width =
        std::max(100, int(chart->plotArea().width() > 0 ? chart->plotArea().width() : view->width()));

    // The gaps, shaded behind everything over the whole height.
    if (!gaps.isEmpty()) {
        LocalClock clock;
        auto *edge = new QLineSeries;
        for (const History::Gap &gap : gaps) {
            const double start = double(clock.msecs(gap.first));
            const double end = double(clock.msecs(History::slotEnd(gap.last, source.stepMinutes)));
            edge->append({QPointF(start, 0), QPointF(start, 1), QPointF(end, 1), QPointF(end, 0)});
        }
        auto *shade = new QAreaSeries(edge);
        edge->setParent(shade);
        shade->setName(QStringLiteral("Lücken"));
        shade->setColor(QColor(240, 150, 40, 70));
        shade->setBorderColor(Qt::transparent);
        auto *shadeAxis = new QValueAxis;
        shadeAxis->setRange(0, 1);
        shadeAxis->setVisible(false);
        chart->addAxis(shadeAxis, Qt::AlignRight);
        chart->addSeries(shade);
        shade->attachAxis(axisX);
        shade->attachAxis(shadeAxis);
    }

    struct UnitAxis {
        QValueAxis *axis;
        double min;
        double max;
    };
    QMap<QString, UnitAxis> unitAxes;
    QList<QPair<QAbstractSeries *, QString>> attached;
    const auto add = [&](QAbstractSeries *series, const QString &unit, const QString &name) {
        chart->addSeries(series);
        series->setName(name);
        attached.append({series, unit});
        if (name.isEmpty())
            chart->legend()->markers(series).value(0)->setVisible(false);
    };
    const auto widen = [&](const QString &unit, const History::Plot &plot) {
        if (std::isnan(plot.minY))
            return;
        auto it = unitAxes.find(unit);
        if (it == unitAxes.end()) {
            unitAxes.insert(unit, {new QValueAxis, plot.minY, plot.maxY});
            return;
        }
        it->min = std::min(it->min, plot.minY);
        it->max = std::max(it->max, plot.maxY);
    };

    for (int i = 0; i < shownChannels.size(); ++i) {
        const auto channel = std::find_if(channels.cbegin(), channels.cend(), [&](const History::Channel &c) {
            return c.number == shownChannels[i];
        });
        const QColor colour = channelColours[i % std::size(channelColours)];
        const qint64 step = std::max(1, source.stepMinutes) * msecsPerMinute;
        const History::Plot averages =
            History::decimate(rows.channels[i].averages, from, to, width, step * 3 / 2);
        const History::Plot instants = History::decimate(rows.channels[i].instants, from, to, width, step);
        widen(channel->unit, averages);
        widen(channel->unit, instants);
        QColor bandColour = colour;
        bandColour.setAlpha(55);
        for (const History::Band &band : averages.bands) {
            QLineSeries *upper = lineOf(band.upper, QPen());
            QLineSeries *lower = lineOf(band.lower, QPen());
            auto *area = new QAreaSeries(upper, lower);
            upper->setParent(area);
            lower->setParent(area);
            area->setColor(bandColour);
            area->setBorderColor(Qt::transparent);
            add(area, channel->unit, QString());
        }
        QString title = channel->name +
                        (channel->unit.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(channel->unit));
        for (const QVector<QPointF> &points : averages.lines) {
            add(lineOf(points, QPen(colour, 1.5)), channel->unit, title);
            title.clear();
        }
        QString instantTitle = channel->name + QStringLiteral(" (Momentanwerte)");
        for (const QVector<QPointF> &points : instants.lines) {
            add(lineOf(points, QPen(colour.lighter(140), 1, Qt::DashLine)), channel->unit, instantTitle);
            instantTitle.clear();
        }
    }

    int side = 0;
    for (auto it = unitAxes.begin(); it != unitAxes.end(); ++it) {
        const double margin = it->max > it->min ? (it->max - it->min) * 0.05 : 1;
        it->axis->setRange(it->min - margin, it->max + margin);
        it->axis->applyNiceNumbers();
        it->axis->setTitleText(unitTitle(it.key()));
        it->axis->setLabelFormat(QStringLiteral("%.1f"));
        chart->addAxis(it->axis, side++ % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
    }
    for (const auto &[series, unit] : attached) {
        series->attachAxis(axisX);
        series->attachAxis(unitAxes.value(unit).axis);
    }
    chart->setTitle(rows.records.isEmpty() &&
                            std::all_of(rows.channels.cbegin(), rows.channels.cend(),
                                        [](const History::ChannelRows &c) { return c.instants.isEmpty(); })
                        ? QStringLiteral("Keine Messwerte in diesem Zeitraum")
                        : QString());
}

void FVerlauf::zoomToGap() {
    const int index = lstGaps->indexOfTopLevelItem(lstGaps->currentItem());
    if (index < 0 || index >= gaps.size())
        return;
    LocalClock clock;
    const qint64 margin = qint64(std::max(1, source.stepMinutes)) * 3 * msecsPerMinute;
    axisX->setRange(QDateTime::fromMSecsSinceEpoch(clock.msecs(gaps[index].first) - margin),
                    QDateTime::fromMSecsSinceEpoch(
                        clock.msecs(History::slotEnd(gaps[index].last, source.stepMinutes)) + margin));
}
