#pragma once

#include "eval/history.h"

#include <QChartView>
#include <QDateTime>
#include <QSqlDatabase>
#include <QTimer>
#include <QWidget>

#include <functional>

class QComboBox;
class QDateEdit;
class QDateTimeAxis;
class QLabel;
class QListWidget;
class QTreeWidget;

// The plot area: dragging with the left button zooms into the part marked, the wheel zooms at the pointer,
// dragging with the right button moves the period, a double click shows the whole period again.
class HistoryView : public QChartView {
    Q_OBJECT

public:
    explicit HistoryView(QChart *chart, QWidget *parent = nullptr);

signals:
    void wholePeriodAsked();
    // The plot's size changed: the series are reduced to the new width.
    void resized();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // Shows the x range [from, to] (milliseconds since the epoch).
    void showRange(double from, double to);

    bool panning = false;
    double panStartX = 0;
};

// The window "Verlauf": stored values of chosen channels over a period, with the gaps of the average records.
class FVerlauf : public QWidget {
    Q_OBJECT

public:
    struct Source {
        QSqlDatabase db;
        qint32 provider = 0;
        qint32 config = 0;
        // The averaging grid in minutes.
        int stepMinutes = 0;
        std::function<QDateTime()> now;
    };
    explicit FVerlauf(Source source, QWidget *parent = nullptr);

    // Reads the rows of the chosen period and channels again.
    void reload();

    QComboBox *selPeriod;
    QDateEdit *txtFrom;
    QDateEdit *txtTo;
    QListWidget *lstChannels;
    QTreeWidget *lstGaps;
    QLabel *labGapSum;
    QLabel *labHint;
    HistoryView *view;

private:
    // The series for the x range shown, reduced to the plot's width.
    void redraw();
    void zoomToGap();

    Source source;
    QList<History::Channel> channels;
    QList<int> shownChannels;
    History::Rows rows;
    QList<History::Gap> gaps;
    qint64 periodFrom = 0;
    qint64 periodTo = 0;
    QChart *chart;
    QDateTimeAxis *axisX;
    QTimer redrawTimer;
};
