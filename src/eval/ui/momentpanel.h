#pragma once

#include "eval/channels.h"
#include "eval/values.h"
#include "store/runerror.h"

#include <QObject>
#include <QSqlDatabase>

#include <array>
#include <optional>

class QEvent;
class QLabel;
class QScrollBar;
class QWidget;

// The instantaneous-values panel: one row per shown channel inside the frame frmMom, which is moved up and
// down inside the viewport picRahmen by the scroll bar. The label arrays are the main window's, indexed by
// channel; element 0 of each is the design-time template that the rows copy and stays hidden. The mouse wheel
// over the rows scrolls them as it does over the scroll bar.
class MomentPanel : public QObject {
    Q_OBJECT

public:
    using Labels = std::array<QLabel *, 61>;

    MomentPanel(QWidget *picRahmen, QWidget *frmMom, QScrollBar *VScroll, Labels &labMK, Labels &labMW);
    MomentPanel(const MomentPanel &) = delete;
    MomentPanel &operator=(const MomentPanel &) = delete;

    // Removes the rows of a previous build and creates one row per shown slot, named from tblSensorcodes (a
    // code missing there keeps the slot's own description), then sizes the frame and the scroll bar. On an
    // error the build ends where it stands and panelReady keeps its value.
    std::optional<RunError> InitMoment(const QSqlDatabase &db, const ChannelSlots &channelSlots);

    // Shows the current values of the shown slots. Does nothing until the panel has been built.
    void update(const ChannelSlots &channelSlots);

    // The maximum of the last build in scroll steps; below 1 the scroll bar is disabled and holds the range
    // 0 ... 0.
    int scrollMaximum() const { return maximum; }

    bool panelReady = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void removeRows();
    QLabel *createRow(QLabel *templateLabel, int channel, int topTwips);
    void showValue(QLabel *label, const ChannelSlot &slot);

    QWidget *picRahmen;
    QWidget *frmMom;
    QScrollBar *VScroll;
    Labels &labMK;
    Labels &labMW;
    int maximum = 0;
};
