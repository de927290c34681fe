#pragma once

#include "eval/channels.h"
#include "eval/telegram.h"
#include "eval/values.h"
#include "link/framer.h"
#include "publish/smtpmailer.h"
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
class MomentPanel;
class PostCheck;
class QLabel;
class SerialLink;
struct SysConfRecord;

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
    // station identity. Runs once, before the window is shown. False (reported) when the program cannot run
    // because the database can be neither opened nor recreated.
    bool load();

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
    // Stores the time of the last fetch in tblTemp and computes the next one.
    void CalcNextAcc();
    void GetMoment();
    void GetHeader();
    // Writes a request to the logger; false (and reported) when the port refuses it.
    bool Sende(const QByteArray &was);
    // Fetches the stored average records one by one, after a header has been evaluated.
    void GetItAll();
    // Evaluates one complete answer telegram.
    void Auswertung(const QByteArray &telegram);
    // The serial port's event: received characters (2) or a line error.
    void onComm(int code);
    // The once-a-minute check whether the averages are due.
    void midTimerTick();

    // After the user chose another logger or configuration: the last access of the new pair is loaded, the
    // next one recomputed, and (while connected) the channel table is read again from the logger.
    void stationChanged();

    // A settings dialog could not save: the error goes to the error log and into a message over the dialog,
    // which stays open.
    void saveFailed(QWidget *dialog, const QString &what, const RunError &error);

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
    std::unique_ptr<MomentPanel> panel;
    // Starts the post-processing program at its hours.
    std::unique_ptr<PostCheck> postCheck;
    // The mail report's SMTP dialogue on its socket WSock.
    SmtpMailer mailer;
    // The switches of the published outputs in the menu "Datenexport".
    QAction *menHtmlAktiv;
    QAction *menWebAktiv;
    QAction *menMailAktiv;
    QDateTime LastAccessTime;
    QDateTime NextAccessTime;
    qint32 LastTransColor = 0;
    qint32 LastOnlineColor = 0;
    qint32 MiniIndex = 0;
    bool headerAwaited = false;
    bool fetchCycleActive = false;
    bool averageAwaited = false;
    bool channelTableStale = false;
    qint32 storedRecordCount = 0;
    QDateTime recordTime;
    HeaderCodes headerCodes{};
    // The characters received since the last telegram boundary.
    TelegramFramer receiveBuffer;

signals:
    // Every text the status line shows, in order (its tooltip repeats the last one).
    void statusShown(const QString &text);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startError(const RunError &error);
    bool openDatabase();
    void firstStartCheck();
    void showIdentity();
    void menComOnClick();
    void command1Click();
    void outTimerTick();
    // Requests the records one by one with their tries; false when a record could not be had or the user
    // stopped the fetch while it waited. `completed` counts the records received.
    bool fetchRecords(int &completed);
    void reportMessages(const QList<TelegramMessage> &messages);
    // The steps of an "A" telegram: channel table or panel, storing, post-processing check.
    void evaluateInstant(const TelegramResult &result);
    // Stores an evaluated average record; false (reported) when the rows could not be written.
    bool storeAverage(const TelegramResult &result);
    // Opens a window of the menu, or brings it to the front when it is open.
    void openWindow(QPointer<QWidget> &window, const std::function<QWidget *()> &create);
    void addPublishingSwitches();
    void switchPublishing(bool SysConfRecord::*member, const QString &column, bool on);
    // The published outputs: the pages after an instantaneous-values telegram, the page set and the mail
    // report after a fetch that received records.
    void publishInstant();
    void publishPageSet();
    // Sends the mail report; gives the reason when the settings cannot give a mail.
    std::optional<QString> sendReport();
    void miniTimerTick();
    void portLost(const QString &text);
    QIcon iconFor(qint32 farbe) const;
    QLabel *holderFor(qint32 farbe) const;

    std::unique_ptr<Ui::MainWindow> ui;
    QString programDir;
    std::function<QDateTime()> now;
    SerialLink *MSComm;
    QPointer<FcCOM> fcCOM;
    QPointer<FProg> fProg;
    QPointer<QWidget> fcMess;
    QPointer<QWidget> fcMoment;
    QPointer<QWidget> fcMittel;
    QPointer<QWidget> fcFormat;
    QPointer<QWidget> fcHtml;
    QPointer<QWidget> fcMail;
    QPointer<QWidget> fInfo;
    // Set when the window closes: waits end at once and nothing more is sent.
    bool shuttingDown = false;

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
