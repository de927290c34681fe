#include "link/acquisition.h"

#include "eval/channeltable.h"
#include "eval/measurements.h"
#include "eval/messages.h"
#include "eval/textout.h"
#include "link/request.h"
#include "link/schedule.h"
#include "publish/outputformat.h"
#include "publish/publishing.h"
#include "publish/statusfile.h"
#include "store/database.h"
#include "store/startup.h"
#include "store/station.h"
#include "store/sysconf.h"
#include "store/upgrade.h"

#include <QDir>
#include <QHashFunctions>

#include <utility>

namespace {

QString lineErrorText(int code) {
    switch (code) {
    case CommEvent::Break:
        return QStringLiteral("Break on ");
    case CommEvent::Frame:
        return QStringLiteral("Framing Error on ");
    case CommEvent::Overrun:
        return QStringLiteral("Port Overrun - data lost on ");
    case CommEvent::RxOver:
        return QStringLiteral("Receive Buffer Overflow on ");
    case CommEvent::RxParity:
        return QStringLiteral("Parity Error on ");
    case CommEvent::TxFull:
        return QStringLiteral("Transmit Buffer Full on ");
    default:
        return QStringLiteral("Device Control Block Error on ");
    }
}

OutputFormat outputFormat() {
    return OutputFormat{SysConf.Trennen, SysConf.TrennZeichen, SysConf.doKanal, SysConf.doSensor};
}

const QByteArray commandA = QByteArrayLiteral("A");
const QByteArray commandH = QByteArrayLiteral("H");
const QByteArray commandM = QByteArrayLiteral("M");
const QByteArray commandMR = QByteArrayLiteral("MR");

} // namespace

bool RecentRecords::contains(const QByteArray &telegram) const {
    return known.contains(qHash(telegram));
}

void RecentRecords::add(const QByteArray &telegram) {
    const size_t hash = qHash(telegram);
    if (known.contains(hash))
        return;
    known.insert(hash);
    order.enqueue(hash);
    if (order.size() > capacity)
        known.remove(order.dequeue());
}

Acquisition::Acquisition(const QString &programDir, QObject *parent)
    : QObject(parent), dir(QDir(programDir).absolutePath()),
      clock([] { return QDateTime::currentDateTime(); }), MSComm(new SerialLink(this)),
      postCheck(
          programDirStarter(dir), [this] { emit beepRequested(); },
          [this](const RunError &error) { AddText(error.text, MessageKind::unexpectedError); }),
      published(
          dir, [this] { return now(); }, [this](const QString &text, int kind) { AddText(text, kind); }),
      errorLog(dir), spool(QDir(dir).filePath(spoolFileName)) {
    MSComm->setProgramDir(dir);
    AktTimer.setInterval(5000);
    MidTimer.setInterval(60000);
    OutTimer.setInterval(3000);
    OutTimer.setSingleShot(true);
    reconnectTimer.setInterval(reconnectSeconds * 1000);
    minuteTimer.start(60000);
    connect(&minuteTimer, &QTimer::timeout, this, &Acquisition::minuteTick);
    // Monitoring sees the station at once, not only after the first minute.
    QMetaObject::invokeMethod(this, &Acquisition::writeStatus, Qt::QueuedConnection);
    connect(&AktTimer, &QTimer::timeout, this, &Acquisition::GetMoment);
    connect(&MidTimer, &QTimer::timeout, this, &Acquisition::midTimerTick);
    connect(&OutTimer, &QTimer::timeout, this, &Acquisition::outTimerTick);
    connect(&reconnectTimer, &QTimer::timeout, this, &Acquisition::tryReconnect);
    connect(MSComm, &SerialLink::commEvent, this, &Acquisition::onComm);
    connect(MSComm, &SerialLink::portLost, this, &Acquisition::portLost);
}

Acquisition::~Acquisition() {
    // The repeats still counted get their summary line; monitoring sees the station gone.
    if (auto error = errorLog.flush(now()))
        emit writeFailed(*error);
    writeStatus();
}

void Acquisition::setClock(std::function<QDateTime()> newClock) {
    clock = std::move(newClock);
}

void Acquisition::AddText(const QString &text, int kind) {
    const MessageRoute route = messageRoute(kind);
    switch (route.target) {
    case MessageRoute::Target::ErrorLog:
        WriteLog(text, kind);
        break;
    case MessageRoute::Target::OutputFile:
        if (auto error = appendTextLine(resolveInDir(dir, SysConf.datname), text))
            emit writeFailed(*error);
        break;
    case MessageRoute::Target::StatusLine:
        emit statusShown(route.timeStamped ? stampedLine(now(), text) : text, route.colour);
        break;
    }
}

void Acquisition::WriteLog(const QString &text, int kind) {
    if (auto error = errorLog.write(now(), text, kind))
        emit writeFailed(*error);
}

void Acquisition::minuteTick() {
    const QDateTime t = now();
    if (auto error = errorLog.tick(t))
        emit writeFailed(*error);
    if (const auto report = alarm.tick(t, alarmMinutes()))
        reportAlarm(*report);
    writeStatus();
}

void Acquisition::writeStatus() {
    const QDateTime t = now();
    startDay(t.date());
    const MonitorStatus status{isConnected(),    lastTelegram,       lastFetch,
                               lastFetchRecords, recordsStoredToday, errorLog.messagesLastHour(t),
                               alarm.stopped()};
    if (auto error = writeStatusFile(dir, status))
        AddText(error->text, MessageKind::unexpectedError);
}

void Acquisition::startDay(const QDate &day) {
    if (storedDay != day)
        recordsStoredToday = 0;
    storedDay = day;
}

int Acquisition::alarmMinutes() const {
    // Without polls a valid telegram comes only with the fetch of the averages; without either none at all.
    if (SysConf.AlarmMinuten <= 0 || (!SysConf.MomAktiv && !fetchingOn()))
        return 0;
    return SysConf.MomAktiv ? SysConf.AlarmMinuten : std::max(SysConf.AlarmMinuten, SysConf.MittInter + 5);
}

void Acquisition::reportAlarm(const DataAlarm::Report &report) {
    AddText(report.text(), MessageKind::checkFailed);
    AddText(report.text(), MessageKind::statusMessage);
    if (const auto refusal = sendAlarmMail(published.mailer, report, stationName))
        AddText(*refusal, MessageKind::checkFailed);
}

void Acquisition::ShowTrans(qint32 farbe) {
    if (farbe == LastTransColor)
        return;
    LastTransColor = farbe;
    emit transferColourChanged(farbe);
}

void Acquisition::ShowOnline(qint32 farbe) {
    if (farbe == LastOnlineColor)
        return;
    LastOnlineColor = farbe;
    emit onlineColourChanged(farbe);
}

bool Acquisition::isConnected() const {
    return MSComm->isOpen();
}

std::optional<RunError> Acquisition::openPort(const ComConfig::Entry &settings) {
    if (auto error = MSComm->setCommPort(settings.Com + 1))
        return error;
    const QString line = SerialLink::settingsString(
        ComConfig::baudRates.value(settings.Baudrate), ComConfig::parities.value(settings.Parity),
        ComConfig::dataBits.value(settings.DataBits), ComConfig::stopBits.value(settings.StopBits));
    if (auto error = MSComm->setSettings(line))
        return error;
    if (auto error = MSComm->setHandshaking(settings.HShake))
        return error;
    MSComm->setDTREnable(settings.DTR != 0);
    MSComm->setRTSEnable(settings.rts != 0);
    if (auto error = MSComm->open())
        return error;
    // A telegram cut off by the last close must not run into the first one of this connection.
    receiveBuffer = TelegramFramer();
    portSettings = settings;
    return std::nullopt;
}

qint16 Acquisition::ConnectIt(bool State, const ComConfig::Entry &settings) {
    if (!State && reconnectTimer.isActive()) {
        // The operator gives up waiting for the vanished device.
        reconnectTimer.stop();
        AddText(QStringLiteral("Schnittstelle geschlossen"), MessageKind::statusMessage);
        alarm.stop();
        emit connectionChanged(false, MSComm->portLabel());
        return -1;
    }
    if (MSComm->isOpen()) {
        if (State)
            return -2;
        if (auto error = MSComm->close()) {
            AddText(error->text, MessageKind::unexpectedError);
            return 0;
        }
        AddText(QStringLiteral("Schnittstelle geschlossen"), MessageKind::statusMessage);
        alarm.stop();
        emit connectionChanged(false, MSComm->portLabel());
        return -1;
    }
    if (!State)
        return 2;
    if (auto error = openPort(settings)) {
        AddText(error->text, MessageKind::unexpectedError);
        return 0;
    }
    AddText(QStringLiteral("Schnittstelle geöffnet  ( ") + MSComm->settings() + QStringLiteral(" )"),
            MessageKind::statusMessage);
    alarm.start(now());
    emit connectionChanged(true, MSComm->portLabel());
    return 1;
}

void Acquisition::startAcquisition() {
    ShowOnline(Lamp::green);
    ReadConfig();
    MomTimer(true);
    CastTimer(true);
}

void Acquisition::stopAcquisition() {
    MomTimer(false);
    CastTimer(false);
}

void Acquisition::portLost(const QString &text) {
    // The port is closed already. Only the records that arrived count, and nothing half received is kept.
    AddText(text, MessageKind::checkFailed);
    if (current == Phase::AwaitRecord)
        finishFetch(false);
    else if (current == Phase::AwaitHeader)
        endCycle();
    OutTimer.stop();
    current = Phase::Idle;
    receiveBuffer = TelegramFramer();
    stopAcquisition();
    ShowOnline(Lamp::red);
    if (stopRequested)
        return;
    expectedDevice = MSComm->openedDevice();
    waitForDevice();
}

void Acquisition::awaitPort(const ComConfig::Entry &settings) {
    portSettings = settings;
    if (auto error = MSComm->setCommPort(settings.Com + 1))
        AddText(error->text, MessageKind::checkFailed);
    expectedDevice = MSComm->deviceName();
    waitForDevice();
}

void Acquisition::waitForDevice() {
    AddText(QStringLiteral("Schnittstelle %1 nicht verfügbar, neuer Versuch alle %2 s")
                .arg(MSComm->portLabel())
                .arg(reconnectSeconds),
            MessageKind::statusMessage);
    reconnectTimer.start();
}

void Acquisition::tryReconnect() {
    // Each attempt is silent: only the return of the device is reported. A port that was opened through its
    // link is not taken from another device while the link is gone.
    const bool linkGone = expectedDevice == SerialLink::linkName(dir, MSComm->commPort()) &&
                          MSComm->deviceName() != expectedDevice;
    if (linkGone || openPort(portSettings))
        return;
    reconnectTimer.stop();
    const QString text = QStringLiteral("Schnittstelle %1 wieder verfügbar").arg(MSComm->portLabel());
    AddText(text, MessageKind::checkFailed);
    AddText(text, MessageKind::statusMessage);
    alarm.start(now());
    emit connectionChanged(true, MSComm->portLabel());
    startAcquisition();
    // A fetch that fell due meanwhile is made up at once.
    midTimerTick();
}

void Acquisition::ReadConfig() {
    for (int channel = 1; channel <= 100; ++channel)
        channelSlots[channel].shown = false;
    channelTableStale = true;
    GetMoment();
}

void Acquisition::MomTimer(bool Ein) {
    if (Ein && !stopRequested)
        AktTimer.start();
    else
        AktTimer.stop();
}

void Acquisition::CastTimer(bool Ein) {
    if (Ein && !stopRequested)
        MidTimer.start();
    else
        MidTimer.stop();
}

void Acquisition::arm(int milliseconds) {
    // A new request: what the answers to the previous one left undecided is void.
    pendingFailure = false;
    pendingChecksum = false;
    pendingRetry = commandMR;
    OutTimer.start(milliseconds);
}

bool Acquisition::Sende(const QByteArray &command) {
    if (auto error = MSComm->write(buildRequest(station, QString::fromLatin1(command)))) {
        AddText(error->text, MessageKind::unexpectedError);
        return false;
    }
    ShowTrans(Lamp::yellow);
    emit requestSent(command);
    return true;
}

void Acquisition::GetMoment() {
    if (!SysConf.MomAktiv || fetchCycleActive() || stopRequested)
        return;
    if (OutTimer.isActive()) {
        // The previous request is still unanswered.
        ShowTrans(Lamp::red);
        return;
    }
    if (LastTransColor == Lamp::red)
        ShowOnline(Lamp::red);
    current = Phase::AwaitInstant;
    if (!Sende(commandA)) {
        current = Phase::Idle;
        return;
    }
    arm(SysConf.MomTimeOut);
}

void Acquisition::GetHeader() {
    const Phase before = current;
    // Kept records go into the database before a new fetch; while it takes none, the logger keeps the rest.
    if (before != Phase::AwaitHeader && !storeKeptRecords())
        return;
    // The state is set before the request goes out, so that no answer can find another one.
    current = Phase::AwaitHeader;
    if (!Sende(commandH)) {
        if (before == Phase::AwaitHeader)
            endCycle();
        else
            current = before;
        return;
    }
    if (before != Phase::AwaitHeader)
        emit fetchCycleChanged(true);
    arm(SysConf.MittTimeOut);
}

bool Acquisition::fetchingOn() {
    return SysConf.MittelAktiv && !AverageFetchHold::active();
}

void Acquisition::midTimerTick() {
    // A fetch under way is left alone: its header would start a second fetch from within it.
    if (fetchCycleActive() || stopRequested)
        return;
    if (now() >= NextAccessTime && fetchingOn())
        GetHeader();
}

bool Acquisition::canFetchNow() const {
    return isConnected() && fetchingOn() && !fetchCycleActive() && !stopRequested;
}

void Acquisition::fetchNow() {
    if (canFetchNow())
        GetHeader();
}

void Acquisition::abortFetch() {
    if (current == Phase::AwaitRecord)
        finishFetch(true);
}

void Acquisition::requestStop() {
    stopRequested = true;
    AktTimer.stop();
    MidTimer.stop();
    reconnectTimer.stop();
    // A record under way is waited for, so that the logger does not hand it out in vain.
    if (current == Phase::AwaitRecord)
        return;
    if (current == Phase::AwaitHeader) {
        endCycle();
        return;
    }
    OutTimer.stop();
    current = Phase::Idle;
    QMetaObject::invokeMethod(this, &Acquisition::stopped, Qt::QueuedConnection);
}

void Acquisition::outTimerTick() {
    ShowTrans(Lamp::red);
    switch (current) {
    case Phase::Idle:
        break;
    case Phase::AwaitInstant:
        current = Phase::Idle;
        break;
    case Phase::AwaitHeader:
        AddText(QStringLiteral("Datenlogger antwortet nicht"), MessageKind::checkFailed);
        endCycle();
        break;
    case Phase::AwaitRecord:
        AddText(QStringLiteral("Datenlogger antwortet nicht"), MessageKind::checkFailed);
        if (stopRequested)
            finishFetch(false);
        else
            retryRecord(commandMR);
        break;
    }
}

void Acquisition::onComm(int code) {
    switch (code) {
    case CommEvent::Receive:
        break;
    case 1:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
        return;
    case CommEvent::Break:
    case CommEvent::Frame:
    case CommEvent::Overrun:
    case CommEvent::RxOver:
    case CommEvent::RxParity:
    case CommEvent::TxFull:
    case CommEvent::Dcb:
        AddText(lineErrorText(code) + MSComm->portLabel(), MessageKind::checkFailed);
        return;
    default:
        AddText(QStringLiteral("Unbekannte Meldung: %1").arg(code), MessageKind::statusMessage);
        return;
    }
    ShowTrans(Lamp::green);
    ShowOnline(Lamp::green);
    while (MSComm->inBufferCount() > 0) {
        const auto telegram = receiveBuffer.push(MSComm->readChar());
        if (receiveBuffer.takeOverflow())
            AddText(QStringLiteral("Empfangspuffer übergelaufen: Daten ohne STX und CR verworfen"),
                    MessageKind::checkFailed);
        if (telegram)
            Auswertung(*telegram);
    }
    settle();
}

void Acquisition::reportMessages(const QList<TelegramMessage> &messages) {
    for (const TelegramMessage &message : messages)
        AddText(message.text, message.kind);
}

void Acquisition::Auswertung(const QByteArray &telegram) {
    const TelegramResult result = evaluateTelegram(telegram, headerCodes, current == Phase::AwaitHeader);
    switch (result.outcome) {
    case TelegramOutcome::Rejected:
    case TelegramOutcome::Failed:
        reportMessages(result.messages);
        answerFailed(false);
        return;
    case TelegramOutcome::ChecksumError:
        reportMessages(result.messages);
        ShowTrans(Lamp::red);
        answerFailed(true);
        return;
    case TelegramOutcome::Decoded:
        break;
    }
    lastTelegram = now();
    if (const auto report = alarm.telegram(lastTelegram))
        reportAlarm(*report);
    switch (result.kind) {
    case 'A':
        reportMessages(result.messages);
        if (current == Phase::AwaitInstant) {
            OutTimer.stop();
            current = Phase::Idle;
        }
        evaluateInstant(result);
        break;
    case 'H':
        reportMessages(result.messages);
        recordTime = result.recordTime;
        storedRecordCount = result.storedRecordCount;
        headerCodes = result.headerCodes;
        GetItAll();
        break;
    case 'M':
        reportMessages(result.messages);
        if (current == Phase::AwaitRecord) {
            acceptRecord(telegram, result);
        } else if (!recentRecords.contains(telegram)) {
            // A record that came after its wait ended was handed out by the logger all the same.
            storeRecord(telegram, result);
        }
        break;
    default:
        break;
    }
}

void Acquisition::answerFailed(bool checksum) {
    switch (current) {
    case Phase::Idle:
        break;
    case Phase::AwaitInstant:
        // Any answer ends the wait for the instantaneous values.
        OutTimer.stop();
        current = Phase::Idle;
        break;
    case Phase::AwaitHeader:
    case Phase::AwaitRecord:
        pendingFailure = true;
        break;
    }
    pendingChecksum = pendingChecksum || checksum;
}

void Acquisition::settle() {
    // Decided once every telegram of the receive event is evaluated: a rejected answer followed by the
    // right one in the same event costs no further request.
    const bool failure = std::exchange(pendingFailure, false);
    const bool checksum = std::exchange(pendingChecksum, false);
    const QByteArray retry = std::exchange(pendingRetry, commandMR);
    switch (current) {
    case Phase::AwaitHeader:
        if (!failure)
            break;
        // A header spoilt on the line is asked for again at once; any other failed header ends the cycle.
        if (checksum && !stopRequested)
            GetHeader();
        else
            endCycle();
        break;
    case Phase::AwaitRecord:
        if (!failure)
            break;
        if (stopRequested)
            finishFetch(false);
        else
            retryRecord(retry);
        break;
    case Phase::Idle:
    case Phase::AwaitInstant:
        if (checksum && !stopRequested)
            GetHeader();
        break;
    }
}

void Acquisition::evaluateInstant(const TelegramResult &result) {
    if (channelTableStale) {
        QStringList warnings;
        if (auto error = rebuildChannelTable(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration,
                                             result.instCodes, result.instValues, channelSlots, warnings)) {
            AddText(error->text, MessageKind::unexpectedError);
            return;
        }
        for (const QString &warning : warnings)
            AddText(warning, MessageKind::checkFailed);
        channelTableStale = false;
        emit channelTableRebuilt();
    } else {
        takeInstantValues(channelSlots, result.instValues);
        emit instantValuesShown(result.instValues);
        published.afterInstant(channelSlots, stationName);
        if (SysConf.SaveMom) {
            if (auto error = storeInstantRow(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration,
                                             result.timeStamp, result.instCodes, result.instValues)) {
                AddText(error->text, MessageKind::unexpectedError);
                return;
            }
        }
    }
    postCheck.run(result.timeStamp, result.instValues[PostCheck::checkChannel]);
    ShowTrans(Lamp::black);
}

Acquisition::RecordFate Acquisition::storeRecord(const QByteArray &telegram, const TelegramResult &result) {
    // The line is built first: a record that cannot be written as a line is not stored either.
    std::optional<RunError> error;
    const QString line = textOutputLine(result.recordTime, headerCodes, result.avgValues,
                                        result.valuesPerChannel, outputFormat(), &error);
    if (error) {
        AddText(error->text, MessageKind::unexpectedError);
        return RecordFate::Refused;
    }
    // The logger has handed the record out: from here on it is the program's to keep.
    recentRecords.add(telegram);
    if (SysConf.SaveMitt) {
        const AverageRecord record{SysConf.Provider, SysConf.Konfiguration, result.recordTime, headerCodes,
                                   result.avgValues};
        if (auto storeError = storeAverageRows(Store::MainDb(), record)) {
            const auto spoolError = spool.keep(record, line);
            const QString where = spoolError
                                      ? QStringLiteral("bleibt im Speicher, denn %1 nimmt ihn nicht auf (%2)")
                                            .arg(spoolFileName, spoolError->text)
                                      : QStringLiteral("ist in %1 aufbewahrt").arg(spoolFileName);
            AddText(
                QStringLiteral("Die Datenbank nimmt keine Daten an (%1). Der Datensatz vom %2 %3 und wird "
                               "gespeichert, sobald die Datenbank wieder Daten annimmt; bis dahin werden "
                               "keine Mittelwerte abgefragt.")
                    .arg(storeError->text, formatDateTime(record.recordTime), where),
                MessageKind::checkFailed);
            if (!spoolError)
                AddText(line, MessageKind::outputLine);
            return RecordFate::Kept;
        }
        startDay(now().date());
        ++recordsStoredToday;
    }
    AddText(line, MessageKind::outputLine);
    return RecordFate::Stored;
}

bool Acquisition::storeKeptRecords() {
    if (spool.isEmpty())
        return true;
    QStringList lines;
    int stored = 0;
    if (auto error = spool.store(Store::MainDb(), &lines, &stored)) {
        AddText(QStringLiteral("Die Datenbank nimmt noch keine Daten an (%1). %2 aufbewahrte Datensätze "
                               "warten; die Mittelwerte werden erst danach wieder abgefragt.")
                    .arg(error->text)
                    .arg(spool.size()),
                MessageKind::checkFailed);
        return false;
    }
    for (const QString &line : lines)
        AddText(line, MessageKind::outputLine);
    startDay(now().date());
    recordsStoredToday += stored;
    AddText(QStringLiteral("%1 aufbewahrte Datensätze in der Datenbank gespeichert.").arg(stored),
            MessageKind::checkFailed);
    return true;
}

std::optional<RunError> Acquisition::openStore(const std::function<void(const RunError &)> &startError) {
    const Store::StartOutcome outcome =
        Store::openOrRecreate(dir, {[this] { return now(); }, Store::StartClock::system().wait});
    if (!outcome.notice.isEmpty())
        AddText(outcome.notice, MessageKind::checkFailed);
    if (outcome.kind == Store::StartOutcome::Kind::Stop)
        return outcome.error;
    if (auto error = Store::upgradeSchema(Store::MainDb()))
        startError(*error);
    const SysConfLoad settings = loadSysConf(Store::MainDb(), SysConf);
    for (const RunError &error : settings.errors)
        startError(error);
    if (settings.MomInter)
        AktTimer.setInterval(*settings.MomInter);
    return std::nullopt;
}

void Acquisition::finishStart() {
    if (SysConf.WebAktiv)
        publication().writePageSet(channelSlots, stationName);
    const QString damagedName =
        QStringLiteral("Skylog-defekt-%1.spool").arg(now().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    if (const auto problem = spool.load(damagedName))
        AddText(*problem, MessageKind::checkFailed);
    storeKeptRecords();
    GetNextAcc();
    LastTransColor = -1;
    ShowTrans(Lamp::black);
}

void Acquisition::acceptRecord(const QByteArray &telegram, const TelegramResult &result) {
    if (recentRecords.contains(telegram)) {
        // A second copy of a record already taken. As the answer to "MR" it means the logger never handed
        // out the record asked for: the next try asks for it with "M". Otherwise an earlier answer came
        // late; the one asked for is still on its way.
        if (fetch.command == commandMR) {
            pendingFailure = true;
            pendingRetry = commandM;
        }
        return;
    }
    recordTime = result.recordTime;
    const RecordFate fate = storeRecord(telegram, result);
    if (fate == RecordFate::Refused) {
        pendingFailure = true;
        return;
    }
    ++fetch.completed;
    emit recordFetched(fetch.completed, recordTime);
    // While the database takes no data, the logger keeps the rest better than a growing spool would.
    fetch.kept = fate == RecordFate::Kept;
    if (fetch.kept || stopRequested || fetch.completed >= storedRecordCount) {
        finishFetch(false);
        return;
    }
    askRecord(fetch.index + 1);
}

void Acquisition::GetItAll() {
    fetch = Fetch();
    current = Phase::AwaitRecord;
    OutTimer.stop();
    emit fetchStarted(storedRecordCount, recordTime);
    if (storedRecordCount <= 0 || !fetchingOn() || stopRequested) {
        finishFetch(false);
        return;
    }
    askRecord(1);
}

void Acquisition::askRecord(int index) {
    fetch.index = index;
    fetch.tryNumber = 1;
    fetch.tries = SysConf.maxTries;
    fetch.command = commandM;
    if (!Sende(commandM)) {
        finishFetch(false);
        return;
    }
    if (fetch.tries < 1) {
        finishFetch(true);
        return;
    }
    arm(SysConf.MittTimeOut);
}

void Acquisition::retryRecord(const QByteArray &command) {
    fetch.command = command;
    if (!Sende(command)) {
        finishFetch(false);
        return;
    }
    AddText(QStringLiteral("Abfrage %1. Versuch...").arg(fetch.tryNumber + 1), MessageKind::fetchProgress);
    // The request of the last try is not waited for.
    if (++fetch.tryNumber > fetch.tries) {
        finishFetch(true);
        return;
    }
    arm(SysConf.MittTimeOut);
}

void Acquisition::finishFetch(bool failed) {
    OutTimer.stop();
    current = Phase::Idle;
    if (failed)
        AddText(QStringLiteral("Daten können nicht abgefragt werden."), MessageKind::checkFailed);
    const int completed = fetch.completed;
    emit fetchEnded(completed);
    lastFetch = now();
    lastFetchRecords = completed;
    // Only a fetch that stored what it received counts as an access: after a record had to be kept, the
    // next due check asks again.
    if (completed > 0 && !fetch.kept) {
        LastAccessTime = now();
        emit lastAccessShown(formatDateTime(LastAccessTime));
        CalcNextAcc();
        if (SysConf.WebAktiv)
            published.writePageSet(channelSlots, stationName);
        if (SysConf.MailAktiv) {
            if (const auto off = published.sendReport(channelSlots))
                emit mailReportSwitchedOff(*off);
        }
    }
    AddText(QStringLiteral("%1 Datensätze erhalten.").arg(completed), MessageKind::statusMessage);
    ShowTrans(Lamp::black);
    emit fetchCycleChanged(false);
    if (stopRequested)
        QMetaObject::invokeMethod(this, &Acquisition::stopped, Qt::QueuedConnection);
}

void Acquisition::endCycle() {
    OutTimer.stop();
    current = Phase::Idle;
    emit fetchCycleChanged(false);
    if (stopRequested)
        QMetaObject::invokeMethod(this, &Acquisition::stopped, Qt::QueuedConnection);
}

void Acquisition::GetNextAcc() {
    std::optional<RunError> error;
    const auto next = nextAccessTime(LastAccessTime, now(), SysConf.MittInter, &error);
    if (!next) {
        AddText(error ? error->text : QString(), MessageKind::unexpectedError);
        return;
    }
    NextAccessTime = *next;
    // The operator's own setting, also while an open output format dialog holds the fetch back.
    emit nextAccessShown(SysConf.MittelAktiv ? formatDateTime(NextAccessTime)
                                             : QStringLiteral("deaktiviert"));
}

void Acquisition::CalcNextAcc() {
    if (NextAccessTime.isValid()) {
        if (auto error = Station::storeLastAccess(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration,
                                                  LastAccessTime)) {
            AddText(error->text, MessageKind::unexpectedError);
            return;
        }
    }
    GetNextAcc();
}

void Acquisition::stationChanged() {
    std::optional<RunError> error;
    const auto temp = Station::readTemp(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration, &error);
    if (error)
        AddText(error->text, MessageKind::unexpectedError);
    LastAccessTime = temp ? temp->LastAccessTime : QDateTime();
    emit lastAccessShown(formatDateTime(LastAccessTime));
    GetNextAcc();
    if (isConnected())
        ReadConfig();
}
