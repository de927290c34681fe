#pragma once

#include "link/acquisition.h"
#include "store/runerror.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class FcCOM;
class FProg;
class MomentPanel;
class QLabel;
class QMessageBox;
struct SysConfRecord;

namespace Ui {
class MainWindow;
}

// The main window: a view of the acquisition with the menus, the dialogs, the lamps, the information labels,
// the instantaneous-values panel and the status line.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // `programDir` holds the database, the template and every file the program names without a path.
    explicit MainWindow(const QString &programDir, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The load handler: opens the database, reads the settings, runs the first-start check and shows the
    // station identity. Runs once, before the window is shown. False (reported) when the program cannot run
    // because the database can be neither opened nor recreated.
    bool load();

    Acquisition *engine() const { return acquisition; }

    // Shows the number of average records missing in the last 7 days in the info group.
    void refreshGapCount();

    // Opens a window of the menu, or brings it to the front when it is open.
    void openWindow(QPointer<QWidget> &window, const std::function<QWidget *()> &create);

    // Opens (State true) or closes the port with the parameters shown in the serial dialog: 1 opened,
    // 2 nothing to close, -1 closed, -2 already open, 0 failed.
    qint16 ConnectIt(const bool &State);

    // The station the requests go to, its description and its logger, as the info group shows them.
    void showStation(const QString &number, const QString &description, const QString &logger);

    // A settings dialog could not save: the error goes to the error log and into a message over the dialog,
    // which stays open.
    void saveFailed(QWidget *dialog, const QString &what, const RunError &error);

    // The serial dialog, loaded hidden when it is not loaded.
    FcCOM *comDialog();

    // Tests fix the clock.
    void setClock(std::function<QDateTime()> clock);

    QTimer miniTimer;

    Ui::MainWindow *controls() const { return ui.get(); }
    // Rows of the instantaneous-values panel by channel; element 0 is the design-time template.
    std::array<QLabel *, 61> labMK{};
    std::array<QLabel *, 61> labMW{};
    std::unique_ptr<MomentPanel> panel;
    // The switches of the published outputs in the menu "Datenexport".
    QAction *menHtmlAktiv;
    QAction *menWebAktiv;
    QAction *menMailAktiv;
    qint32 MiniIndex = 0;

signals:
    // Every text the status line shows, in order (its tooltip repeats the last one).
    void statusShown(const QString &text);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectEngine();
    void startError(const RunError &error);
    void firstStartCheck();
    void showIdentity();
    void menComOnClick();
    void showStatus(const QString &text, std::optional<quint32> colour);
    void showWriteFailure(const RunError &error);
    void showTransfer(qint32 farbe);
    void showConnection(bool open, const QString &portLabel);
    void updateFetchNow();
    void mailReportSwitchedOff(const QString &text);
    void fetchStarted(int records, const QDateTime &recordTime);
    void recordFetched(int completed, const QDateTime &recordTime);
    void fetchEnded();
    void fetchCycleChanged(bool active);
    void addPublishingSwitches();
    void switchPublishing(bool SysConfRecord::*member, const QString &column, bool on);
    void miniTimerTick();
    QIcon iconFor(qint32 farbe) const;
    QLabel *holderFor(qint32 farbe) const;

    std::unique_ptr<Ui::MainWindow> ui;
    QString programDir;
    Acquisition *acquisition;
    QPointer<FcCOM> fcCOM;
    QPointer<FProg> fProg;
    QPointer<QWidget> fcMess;
    QPointer<QWidget> fcMoment;
    QPointer<QWidget> fcMittel;
    QPointer<QWidget> fcFormat;
    QPointer<QWidget> fcHtml;
    QPointer<QWidget> fcMail;
    QPointer<QWidget> fInfo;
    // The one box that tells of a line the error log or the text output file did not take.
    QPointer<QMessageBox> writeFailureBox;
    // Set once the acquisition has stopped for the close: the window may go.
    bool stopped = false;

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
