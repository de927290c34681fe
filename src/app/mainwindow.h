#pragma once

#include "eval/channels.h"
#include "store/runerror.h"

#include <QDateTime>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class FcCOM;
class FProg;
class QLabel;
class SerialLink;

namespace Ui {
class MainWindow;
}

// The main window: owner of the serial port, the timers, the acquisition state and its routines.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // `programDir` holds the database, the template and every file the program names without a path.
    explicit MainWindow(const QString &programDir, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The load handler: opens the database, reads the settings, runs the first-start check and shows the
    // station identity. Runs once, before the window is shown.
    void load();

    // Routes one message by its kind: -3 and -1 to the error log, 0 to the text output file, -2 and 1 (and
    // every other kind) to the status line.
    void AddText(const QString &text, int kind);
    void WriteLog(const QString &text);

    void ShowTrans(const qint32 &farbe);
    void ShowOnline(const qint32 &farbe);

    // Opens (State true) or closes the port with the parameters shown in the serial dialog: 1 opened,
    // 2 nothing to close, -1 closed, -2 already open, 0 failed.
    qint16 ConnectIt(const bool &State);
    void ReadConfig();
    void MomTimer(const bool &Ein);
    void CastTimer(const bool &Ein);
    void GetNextAcc();
    void GetMoment();

    // The serial dialog, loaded hidden when it is not loaded.
    FcCOM *comDialog();

    // Tests fix the clock.
    void setClock(std::function<QDateTime()> clock);

    QTimer AktTimer;
    QTimer MidTimer;
    QTimer OutTimer;
    QTimer miniTimer;

    Ui::MainWindow *controls() const { return ui.get(); }
    SerialLink *port() const { return MSComm; }
    ChannelSlots channelSlots;
    // Rows of the instantaneous-values panel by channel; element 0 is the design-time template.
    std::array<QLabel *, 61> labMK{};
    std::array<QLabel *, 61> labMW{};
    QDateTime LastAccessTime;
    QDateTime NextAccessTime;
    qint32 LastTransColor = 0;
    qint32 LastOnlineColor = 0;
    qint32 MiniIndex = 0;
    bool headerAwaited = false;
    bool fetchCycleActive = false;
    bool averageAwaited = false;
    bool channelTableStale = false;

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startError(const RunError &error);
    void openDatabase();
    void firstStartCheck();
    void showIdentity();
    void menComOnClick();
    void command1Click();
    void outTimerTick();
    void miniTimerTick();
    void portLost(const QString &text);
    QIcon iconFor(qint32 farbe) const;
    QLabel *holderFor(qint32 farbe) const;

    std::unique_ptr<Ui::MainWindow> ui;
    QString programDir;
    std::function<QDateTime()> now;
    SerialLink *MSComm;
    QPointer<FcCOM> fcCOM;

    // Picture holders of the indicators, never visible.
    QLabel *imgGreen;
    QLabel *imgYellow;
    QLabel *imgRed;
    QLabel *imgBlack;
    // The window icons: normal, and one per transfer colour while minimised.
    QIcon fTitel;
    QIcon fGruen;
    QIcon fGelb;
    QIcon fRot;
    QIcon fSchwarz;
};
