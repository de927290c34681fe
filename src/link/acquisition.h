#pragma once

#include "eval/channels.h"
#include "eval/dataalarm.h"
#include "eval/errorlogfile.h"
#include "eval/postcheck.h"
#include "eval/recordspool.h"
#include "eval/telegram.h"
#include "eval/values.h"
#include "link/comconfig.h"
#include "link/framer.h"
#include "link/seriallink.h"
#include "publish/publication.h"
#include "store/runerror.h"

#include <QDateTime>
#include <QObject>
#include <QQueue>
#include <QSet>
#include <QTimer>

#include <functional>
#include <optional>

// Colours of the two lamps and of the minimised window's icon (blue * 65536 + green * 256 + red).
namespace Lamp {
constexpr qint32 black = 0;
constexpr qint32 red = 255;
constexpr qint32 green = 65280;
constexpr qint32 yellow = 65535;
} // namespace Lamp

// The average records stored lately, known by a hash of their telegram. The logger hands a record out
// again on "MR", and an answer that came late may arrive after its repetition: such a second copy is
// recognised here and never stored twice.
class RecentRecords {
public:
    static constexpr int capacity = 20000;

    bool contains(const QByteArray &telegram) const;
    void add(const QByteArray &telegram);

private:
    QSet<size_t> known;
    QQueue<size_t> order;
};

// The acquisition: the serial link to the logger, the polls of the instantaneous values, the fetch of the
// stored averages with its retries, the evaluation of every answer and what follows from it (channel table,
// stored rows, text output line, post-processing check, published outputs), and the routing of messages.
//
// It is one explicit state machine. Every request first sets the state that expects its answer and arms
// the one answer time-out; every answer, time-out, abort or lost port moves the state on. No step waits in
// an event loop, so no timer tick or answer can run in the middle of one. Windows observe it through its
// signals and drive it through a few calls; it runs the same without any window.
class Acquisition : public QObject {
    Q_OBJECT

public:
    enum class Phase {
        Idle,         // nothing is asked
        AwaitInstant, // "A" is out
        AwaitHeader,  // "H" is out: a fetch cycle has begun
        AwaitRecord,  // "M" or "MR" is out for one record of the fetch
    };

    // Seconds between two attempts to open a port whose device went away.
    static constexpr int reconnectSeconds = 10;

    explicit Acquisition(const QString &programDir, QObject *parent = nullptr);
    ~Acquisition() override;

    // Tests fix the clock.
    void setClock(std::function<QDateTime()> clock);
    QDateTime now() const { return clock(); }
    QString programDir() const { return dir; }

    // Routes one message by its kind: -3 and -1 to the error log, 0 to the text output file, -2 and 1 (and
    // every other kind) to the status line.
    void AddText(const QString &text, int kind);

    // The lamps: a call with the colour already shown changes nothing.
    void ShowTrans(qint32 farbe);
    void ShowOnline(qint32 farbe);

    // Opens (State true) the port with the given parameters or closes it (State false): 1 opened, 2
    // nothing to close, -1 closed, -2 already open, 0 failed (reported). Closing stops the attempts to
    // reopen a port whose device went away.
    qint16 ConnectIt(bool State, const ComConfig::Entry &settings = ComConfig::Entry());
    // After the port opened: polls and due checks start, and the channel table is read again.
    void startAcquisition();
    // After the port closed: polls and due checks stop.
    void stopAcquisition();
    bool isConnected() const;
    // The port could not be opened: it is tried again every reconnectSeconds until it opens.
    void awaitPort(const ComConfig::Entry &settings);
    // The device went away and the port is tried again every reconnectSeconds.
    bool isReconnecting() const { return reconnectTimer.isActive(); }

    void ReadConfig();
    void MomTimer(bool Ein);
    void CastTimer(bool Ein);
    void GetMoment();
    void GetHeader();
    // The once-a-minute check whether the averages are due.
    void midTimerTick();
    // Once a minute: the summaries of the error log, the data-stopped alarm, the status file.
    void minuteTick();
    // Asks for the averages at once, when they are switched on and no fetch runs.
    void fetchNow();
    bool canFetchNow() const;
    // The user stops the running fetch.
    void abortFetch();
    // Ends the acquisition for good: a running fetch stops after the record under way, then no further
    // request goes out and stopped() follows.
    void requestStop();

    // The first steps of a start: the data file is opened (a damaged one moved aside and made anew), its
    // tables brought up to date and the settings read. An error the program goes on after is handed to
    // startError; the one that stops the start is returned.
    std::optional<RunError> openStore(const std::function<void(const RunError &)> &startError);
    // The last steps of a start: the intranet pages, the records an earlier run kept while the database took
    // no data, the next access, the lamp.
    void finishStart();

    void GetNextAcc();
    // Stores the time of the last fetch in tblTemp and computes the next one.
    void CalcNextAcc();
    // After another logger or configuration was chosen: its last access is loaded, the next one computed,
    // and (while connected) the channel table is read again.
    void stationChanged();
    // Fetching is on as the operator set it and not held by an open output format dialog.
    static bool fetchingOn();

    // Evaluates one complete answer telegram.
    void Auswertung(const QByteArray &telegram);
    // The serial port's event: received characters (2) or a line error.
    void onComm(int code);

    Phase phase() const { return current; }
    bool fetchCycleActive() const { return current == Phase::AwaitHeader || current == Phase::AwaitRecord; }
    SerialLink *port() const { return MSComm; }
    Publication &publication() { return published; }

    QTimer AktTimer;
    QTimer MidTimer;
    QTimer OutTimer;
    QTimer reconnectTimer;
    // Once a minute: the summaries of the error log, the data-stopped alarm and the status file.
    QTimer minuteTimer;

    // The station number every request carries, and the station's description for the pages.
    QString station;
    QString stationName;
    ChannelSlots channelSlots;
    HeaderCodes headerCodes{};
    bool channelTableStale = false;
    qint32 storedRecordCount = 0;
    QDateTime recordTime;
    QDateTime LastAccessTime;
    QDateTime NextAccessTime;
    qint32 LastTransColor = 0;
    qint32 LastOnlineColor = 0;

signals:
    // A status line text; a colour (blue * 65536 + green * 256 + red) or none to keep the colour.
    void statusShown(const QString &text, std::optional<quint32> colour);
    // A line of the error log or the text output file could not be written.
    void writeFailed(const RunError &error);
    void transferColourChanged(qint32 farbe);
    void onlineColourChanged(qint32 farbe);
    // The port opened or closed; while a vanished device is waited for, the connection counts as wanted.
    void connectionChanged(bool open, const QString &portLabel);
    void channelTableRebuilt();
    void instantValuesShown(const InstValues &values);
    // A request went onto the line: "A", "H", "M" or "MR".
    void requestSent(const QByteArray &command);
    void fetchCycleChanged(bool active);
    // The records of a fetch: how many are stored in the logger, how many have come, the time of the last.
    void fetchStarted(int records, const QDateTime &recordTime);
    void recordFetched(int completed, const QDateTime &recordTime);
    void fetchEnded(int completed);
    void lastAccessShown(const QString &text);
    void nextAccessShown(const QString &text);
    void stopped();
    // The post-processing program was started: a short beep where there is a speaker.
    void beepRequested();
    // The mail report was switched off because its settings cannot give a mail; the text says why.
    void mailReportSwitchedOff(const QString &text);

private:
    // The records of the fetch under way: how many came, whether the last one had to be kept for later,
    // which one is asked for, its try and the number of tries it gets, and the request that asked last.
    struct Fetch {
        int completed = 0;
        bool kept = false;
        int index = 0;
        int tryNumber = 0;
        int tries = 0;
        QByteArray command;
    };

    bool Sende(const QByteArray &command);
    void arm(int milliseconds);
    void outTimerTick();
    void reportMessages(const QList<TelegramMessage> &messages);
    void answerFailed(bool checksum);
    void settle();
    void evaluateInstant(const TelegramResult &result);
    // What became of an average record: refused (its line cannot be built; reported), stored, or kept in
    // the spool because the database took no data (reported).
    enum class RecordFate { Refused, Stored, Kept };
    // Stores an average record, or keeps it, and then writes its text output line.
    RecordFate storeRecord(const QByteArray &telegram, const TelegramResult &result);
    // Stores the kept records; false (reported) while the database still takes none.
    bool storeKeptRecords();
    void acceptRecord(const QByteArray &telegram, const TelegramResult &result);
    void GetItAll();
    // The first try for record `index` of the fetch.
    void askRecord(int index);
    // The next try for the record under way, after its answer was not accepted.
    void retryRecord(const QByteArray &command);
    void finishFetch(bool failed);
    void endCycle();
    void WriteLog(const QString &text, int kind);
    // Rewrites the status file for monitoring.
    void writeStatus();
    // The count of records stored today starts anew with the day.
    void startDay(const QDate &day);
    int alarmMinutes() const;
    void reportAlarm(const DataAlarm::Report &report);
    std::optional<RunError> openPort(const ComConfig::Entry &settings);
    void portLost(const QString &text);
    void waitForDevice();
    void tryReconnect();

    QString dir;
    std::function<QDateTime()> clock;
    SerialLink *MSComm;
    TelegramFramer receiveBuffer;
    PostCheck postCheck;
    Publication published;
    ErrorLog errorLog;
    DataAlarm alarm;
    // For the status file.
    QDateTime lastTelegram;
    QDateTime lastFetch;
    int lastFetchRecords = 0;
    int recordsStoredToday = 0;
    QDate storedDay;
    Phase current = Phase::Idle;
    Fetch fetch;
    RecentRecords recentRecords;
    RecordSpool spool;
    ComConfig::Entry portSettings;
    // The device waited for: the port's link, or the platform's name when the port has no link.
    QString expectedDevice;
    // What the telegrams of one receive event left to decide once all of them are evaluated.
    bool pendingFailure = false;
    bool pendingChecksum = false;
    QByteArray pendingRetry = QByteArrayLiteral("MR");
    bool stopRequested = false;
};
