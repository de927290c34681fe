#include "app/mainwindow.h"

#include "app/fprog.h"
#include "app/msgbox.h"
#include "app/pictures.h"
#include "config/ui/fcmess.h"
#include "config/ui/fcmittel.h"
#include "config/ui/fcmoment.h"
#include "eval/channeltable.h"
#include "eval/measurements.h"
#include "eval/messages.h"
#include "eval/postcheck.h"
#include "eval/textout.h"
#include "eval/ui/momentpanel.h"
#include "link/request.h"
#include "link/schedule.h"
#include "link/seriallink.h"
#include "link/ui/fccom.h"
#include "publish/messwerte.h"
#include "publish/publishing.h"
#include "publish/ui/fcformat.h"
#include "publish/ui/fchtml.h"
#include "publish/ui/fcmail.h"
#include "publish/ui/finfo.h"
#include "publish/ui/winsockbox.h"
#include "store/database.h"
#include "store/startup.h"
#include "store/station.h"
#include "store/sysconf.h"
#include "ui_fccom.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QProgressBar>
#include <QScrollBar>

namespace {

constexpr qint32 red = 255;
constexpr qint32 green = 65280;
constexpr qint32 yellow = 65535;

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

QColor fromColourNumber(quint32 colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

} // namespace

MainWindow::MainWindow(const QString &dir, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::MainWindow>()), programDir(QDir(dir).absolutePath()),
      now([] { return QDateTime::currentDateTime(); }), MSComm(new SerialLink(this)) {
    ui->setupUi(this);
    setFixedSize(size());
    MSComm->setProgramDir(programDir);

    imgGreen = new QLabel(this);
    imgYellow = new QLabel(this);
    imgRed = new QLabel(this);
    imgBlack = new QLabel(this);
    for (auto [holder, farbe] :
         {std::pair{imgGreen, green}, {imgYellow, yellow}, {imgRed, red}, {imgBlack, 0}}) {
        holder->setPixmap(Pictures::indicator(farbe));
        holder->hide();
    }
    fTitel = Pictures::programIcon();
    fGruen = Pictures::stateIcon(green);
    fGelb = Pictures::stateIcon(yellow);
    fRot = Pictures::stateIcon(red);
    fSchwarz = Pictures::stateIcon(0);
    setWindowIcon(fTitel);

    AktTimer.setInterval(5000);
    MidTimer.setInterval(60000);
    OutTimer.setInterval(3000);
    connect(&AktTimer, &QTimer::timeout, this, &MainWindow::GetMoment);
    connect(&MidTimer, &QTimer::timeout, this, &MainWindow::midTimerTick);
    connect(&OutTimer, &QTimer::timeout, this, &MainWindow::outTimerTick);
    connect(&miniTimer, &QTimer::timeout, this, &MainWindow::miniTimerTick);

    connect(ui->menComOn, &QAction::triggered, this, &MainWindow::menComOnClick);
    connect(ui->menExit, &QAction::triggered, this, &MainWindow::close);
    connect(ui->menCom, &QAction::triggered, this, [this] { comDialog()->show(); });
    connect(ui->menMess, &QAction::triggered, this,
            [this] { openWindow(fcMess, [this] { return new FcMess(*this); }); });
    connect(ui->memMOM, &QAction::triggered, this,
            [this] { openWindow(fcMoment, [this] { return new FcMoment(*this); }); });
    connect(ui->menMitt, &QAction::triggered, this,
            [this] { openWindow(fcMittel, [this] { return new FcMittel(*this); }); });
    connect(ui->menText, &QAction::triggered, this,
            [this] { openWindow(fcFormat, [this] { return new FcFormat(*this); }); });
    connect(ui->menHtml, &QAction::triggered, this,
            [this] { openWindow(fcHtml, [] { return new FcHtml; }); });
    connect(ui->menMail, &QAction::triggered, this, [this] {
        openWindow(fcMail, [this] {
            auto *dialog = new FcMail(Store::MainDb());
            connect(dialog, &FcMail::failed, this,
                    [this](const QString &text) { AddText(text, MessageKind::unexpectedError); });
            return dialog;
        });
    });
    connect(ui->menInfo, &QAction::triggered, this, [this] { openWindow(fInfo, [] { return new FInfo; }); });
    addPublishingSwitches();
    showWinsockErrors(mailer, this);
    connect(&mailer, &SmtpMailer::message, this, &MainWindow::AddText);
    connect(ui->Command1, &QPushButton::clicked, this, &MainWindow::command1Click);
    connect(MSComm, &SerialLink::portLost, this, &MainWindow::portLost);
    connect(MSComm, &SerialLink::commEvent, this, &MainWindow::onComm);

    labMW[0] = ui->labMW;
    labMK[0] = ui->labMK;
    panel = std::make_unique<MomentPanel>(ui->picRahmen, ui->frmMom, ui->VScroll, labMK, labMW);
    postCheck = std::make_unique<PostCheck>(
        programDirStarter(programDir), [] { QApplication::beep(); },
        [this](const RunError &error) { AddText(error.text, MessageKind::unexpectedError); });
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::setClock(std::function<QDateTime()> clock) {
    now = std::move(clock);
}

void MainWindow::startError(const RunError &error) {
    MsgBox::startError(this, error);
}

bool MainWindow::load() {
    QDir::setCurrent(programDir);
    ui->menComOn->setData(QStringLiteral("0"));

    if (!openDatabase())
        return false;

    const SysConfLoad settings = loadSysConf(Store::MainDb(), SysConf);
    for (const RunError &error : settings.errors)
        startError(error);
    if (settings.MomInter)
        AktTimer.setInterval(*settings.MomInter);

    menHtmlAktiv->setChecked(SysConf.HtmlAktiv);
    menWebAktiv->setChecked(SysConf.WebAktiv);
    menMailAktiv->setChecked(SysConf.MailAktiv);

    firstStartCheck();
    showIdentity();
    if (SysConf.WebAktiv)
        publishPageSet();
    GetNextAcc();
    headerAwaited = false;
    LastTransColor = -1;
    ShowTrans(0);
    return true;
}

bool MainWindow::openDatabase() {
    const Store::StartOutcome outcome =
        Store::openOrRecreate(programDir, {now, Store::StartClock::system().wait});
    if (!outcome.notice.isEmpty())
        AddText(outcome.notice, MessageKind::checkFailed);
    if (outcome.kind != Store::StartOutcome::Kind::Stop)
        return true;
    startError(outcome.error);
    return false;
}

void MainWindow::firstStartCheck() {
    std::optional<RunError> error;
    const auto temp = Station::readTemp(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration, &error);
    if (!temp) {
        if (error)
            startError(*error);
        return;
    }
    if (temp->firstStart) {
        MsgBox::show(this, MsgBox::Icon::Information, QStringLiteral("Erster Start..."),
                     QStringLiteral("Sie starten dieses Programm zum ersten Mal.\r\n"
                                    "Überprüfen Sie deshalb bitte die Schnittstellenkonfiguration."));
        comDialog()->exec();
    }
    if (auto saveError = Station::setConfigured(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration))
        startError(*saveError);
    if (error) {
        startError(*error);
    } else if (temp->LastAccessTime.isValid()) {
        LastAccessTime = temp->LastAccessTime;
        ui->labLastAccess->setText(formatDateTime(LastAccessTime));
    }
}

void MainWindow::showIdentity() {
    std::optional<RunError> error;
    const auto identity =
        Station::readIdentity(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration, &error);
    if (error) {
        startError(*error);
        return;
    }
    if (!identity)
        return;
    ui->labSelStat->setText(identity->StationsNr);
    ui->labStation->setText(identity->Beschreibung);
    ui->labLogger->setText(identity->Name + QStringLiteral("  /  ") + identity->Hersteller);
}

void MainWindow::AddText(const QString &text, int kind) {
    const MessageRoute route = messageRoute(kind);
    switch (route.target) {
    case MessageRoute::Target::ErrorLog:
        WriteLog(stampedLine(now(), text));
        break;
    case MessageRoute::Target::OutputFile:
        if (auto error = appendTextLine(resolveInDir(programDir, SysConf.datname), text))
            MsgBox::show(this, MsgBox::Icon::Critical,
                         QStringLiteral("Unerwarteter Fehler: %1").arg(error->number), error->text);
        break;
    case MessageRoute::Target::StatusLine:
        ui->labStatus->setText(route.timeStamped ? stampedLine(now(), text) : text);
        if (route.colour) {
            QPalette palette = ui->labStatus->palette();
            palette.setColor(QPalette::WindowText, fromColourNumber(*route.colour));
            ui->labStatus->setPalette(palette);
        }
        emit statusShown(ui->labStatus->text());
        break;
    }
    ui->labStatus->setToolTip(ui->labStatus->text());
}

void MainWindow::WriteLog(const QString &text) {
    if (auto error = appendTextLine(QDir(programDir).filePath(errorLogName), text))
        MsgBox::show(this, MsgBox::Icon::Critical,
                     QStringLiteral("Unerwarteter Fehler: %1").arg(error->number), error->text);
}

QLabel *MainWindow::holderFor(qint32 farbe) const {
    switch (farbe) {
    case red:
        return imgRed;
    case green:
        return imgGreen;
    case yellow:
        return imgYellow;
    default:
        return imgBlack;
    }
}

QIcon MainWindow::iconFor(qint32 farbe) const {
    switch (farbe) {
    case red:
        return fRot;
    case green:
        return fGruen;
    case yellow:
        return fGelb;
    default:
        return fSchwarz;
    }
}

void MainWindow::ShowTrans(const qint32 &farbe) {
    if (farbe == LastTransColor)
        return;
    LastTransColor = farbe;
    ui->imgTrans->setPixmap(holderFor(farbe)->pixmap());
    if (isMinimized())
        setWindowIcon(iconFor(farbe));
    // Paint at once, also inside the long loops of the acquisition.
    QCoreApplication::processEvents();
}

void MainWindow::ShowOnline(const qint32 &farbe) {
    if (farbe == LastOnlineColor)
        return;
    LastOnlineColor = farbe;
    ui->imgOnline->setPixmap(holderFor(farbe)->pixmap());
    QCoreApplication::processEvents();
}

FcCOM *MainWindow::comDialog() {
    if (!fcCOM) {
        fcCOM = new FcCOM(Store::MainDb(), this);
        fcCOM->setWindowModality(Qt::NonModal);
        connect(fcCOM, &FcCOM::failed, this,
                [this](const QString &text) { AddText(text, MessageKind::unexpectedError); });
    }
    return fcCOM;
}

qint16 MainWindow::ConnectIt(const bool &State) {
    const Ui::FcCOM &com = comDialog()->controls();
    if (MSComm->isOpen()) {
        qint16 result = -2;
        if (!State) {
            if (auto error = MSComm->close()) {
                AddText(error->text, MessageKind::unexpectedError);
                return 0;
            }
            AddText(QStringLiteral("Schnittstelle geschlossen"), MessageKind::statusMessage);
            ui->menComOn->setText(QStringLiteral("Hers&tellen"));
            ui->menComOn->setData(QStringLiteral("0"));
            result = -1;
        }
        ui->menCom->setEnabled(true);
        return result;
    }
    if (!State) {
        ui->menCom->setEnabled(false);
        return 2;
    }
    const auto fail = [this](const RunError &error) {
        AddText(error.text, MessageKind::unexpectedError);
        return qint16(0);
    };
    if (auto error = MSComm->setCommPort(com.selCom->currentIndex() + 1))
        return fail(*error);
    ui->labSelCom->setText(com.selCom->currentText());
    const QString settings =
        SerialLink::settingsString(com.selBaud->currentText(), com.selPari->currentText(),
                                   com.selData->currentText(), com.selStop->currentText());
    if (auto error = MSComm->setSettings(settings))
        return fail(*error);
    if (auto error = MSComm->setHandshaking(com.selHand->currentIndex()))
        return fail(*error);
    MSComm->setDTREnable(com.selDTR->checkState() != Qt::Unchecked);
    MSComm->setRTSEnable(com.selRTS->checkState() != Qt::Unchecked);
    if (auto error = MSComm->open())
        return fail(*error);
    AddText(QStringLiteral("Schnittstelle geöffnet  ( ") + settings + QStringLiteral(" )"),
            MessageKind::statusMessage);
    ui->menComOn->setText(QStringLiteral("&Trennen"));
    ui->menComOn->setData(QStringLiteral("1"));
    ui->menCom->setEnabled(false);
    return 1;
}

void MainWindow::menComOnClick() {
    if (ui->menComOn->data().toString().toInt() == 1) {
        if (ConnectIt(false) >= 0) {
            ShowOnline(red);
        } else {
            ShowOnline(0);
            MomTimer(false);
            CastTimer(false);
        }
        return;
    }
    if (ConnectIt(true) < 1) {
        ShowOnline(red);
        return;
    }
    ShowOnline(green);
    ReadConfig();
    MomTimer(true);
    CastTimer(true);
    ui->Command1->setEnabled(true);
}

void MainWindow::portLost(const QString &text) {
    // The device behind the port went away: the port is closed already; leave the menu ready to connect
    // again.
    AddText(text, MessageKind::checkFailed);
    AddText(QStringLiteral("Schnittstelle geschlossen"), MessageKind::statusMessage);
    ui->menComOn->setText(QStringLiteral("Hers&tellen"));
    ui->menComOn->setData(QStringLiteral("0"));
    ui->menCom->setEnabled(true);
    MomTimer(false);
    CastTimer(false);
    OutTimer.stop();
    ShowOnline(red);
}

void MainWindow::ReadConfig() {
    for (int channel = 1; channel <= 100; ++channel)
        channelSlots[channel].shown = false;
    channelTableStale = true;
    GetMoment();
}

void MainWindow::stationChanged() {
    std::optional<RunError> error;
    const auto temp = Station::readTemp(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration, &error);
    if (error)
        AddText(error->text, MessageKind::unexpectedError);
    LastAccessTime = temp ? temp->LastAccessTime : QDateTime();
    ui->labLastAccess->setText(formatDateTime(LastAccessTime));
    GetNextAcc();
    if (MSComm->isOpen())
        ReadConfig();
}

void MainWindow::saveFailed(QWidget *dialog, const QString &what, const RunError &error) {
    AddText(error.text, MessageKind::unexpectedError);
    MsgBox::show(dialog, MsgBox::Icon::Critical, dialog->windowTitle(),
                 what + QStringLiteral(" konnte nicht gespeichert werden.\n") + error.text);
}

void MainWindow::MomTimer(const bool &Ein) {
    if (Ein)
        AktTimer.start();
    else
        AktTimer.stop();
}

void MainWindow::CastTimer(const bool &Ein) {
    if (Ein)
        MidTimer.start();
    else
        MidTimer.stop();
}

void MainWindow::GetNextAcc() {
    std::optional<RunError> error;
    const auto next = nextAccessTime(LastAccessTime, now(), SysConf.MittInter, &error);
    if (!next) {
        AddText(error ? error->text : QString(), MessageKind::unexpectedError);
        return;
    }
    NextAccessTime = *next;
    ui->labNextAccess->setText(SysConf.MittelAktiv ? formatDateTime(NextAccessTime)
                                                   : QStringLiteral("deaktiviert"));
}

void MainWindow::GetMoment() {
    if (!SysConf.MomAktiv || fetchCycleActive)
        return;
    if (OutTimer.isActive()) {
        // The previous request is still unanswered.
        ShowTrans(red);
        return;
    }
    if (LastTransColor == red)
        ShowOnline(red);
    ShowTrans(yellow);
    if (auto error = MSComm->write(buildRequest(ui->labSelStat->text(), QStringLiteral("A")))) {
        AddText(error->text, MessageKind::unexpectedError);
        return;
    }
    OutTimer.setInterval(SysConf.MomTimeOut);
    OutTimer.start();
}

void MainWindow::outTimerTick() {
    OutTimer.stop();
    ShowTrans(red);
    if (!fetchCycleActive)
        return;
    AddText(QStringLiteral("Datenlogger antwortet nicht"), MessageKind::checkFailed);
    fetchCycleActive = false;
    ui->menExp->setEnabled(true);
    ui->Command1->setEnabled(true);
    averageAwaited = false;
    headerAwaited = false;
    QCoreApplication::processEvents();
}

void MainWindow::command1Click() {
    ui->Command1->setEnabled(false);
}

bool MainWindow::Sende(const QByteArray &was) {
    if (auto error = MSComm->write(was)) {
        AddText(error->text, MessageKind::unexpectedError);
        return false;
    }
    ShowTrans(yellow);
    return true;
}

void MainWindow::GetHeader() {
    if (!Sende(buildRequest(ui->labSelStat->text(), QStringLiteral("H"))))
        return;
    headerAwaited = true;
    fetchCycleActive = true;
    OutTimer.stop();
    OutTimer.setInterval(SysConf.MittTimeOut);
    QCoreApplication::processEvents();
    OutTimer.start();
}

void MainWindow::midTimerTick() {
    // A fetch under way is left alone: its header would start a second fetch from within it.
    if (fetchCycleActive)
        return;
    if (now() >= NextAccessTime && SysConf.MittelAktiv)
        GetHeader();
}

void MainWindow::CalcNextAcc() {
    if (NextAccessTime.isValid()) {
        if (auto error = Station::storeLastAccess(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration,
                                                  LastAccessTime)) {
            AddText(error->text, MessageKind::unexpectedError);
            return;
        }
    }
    GetNextAcc();
}

void MainWindow::onComm(int code) {
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
        AddText(lineErrorText(code) + ui->labSelCom->text(), MessageKind::checkFailed);
        return;
    default:
        AddText(QStringLiteral("Unbekannte Meldung: %1").arg(code), MessageKind::statusMessage);
        return;
    }
    ShowTrans(green);
    ShowOnline(green);
    // The evaluation may wait for further answers; they arrive through nested calls of this handler, which
    // read on from the same buffer.
    while (MSComm->inBufferCount() > 0) {
        const auto telegram = receiveBuffer.push(MSComm->readChar());
        if (receiveBuffer.takeOverflow())
            AddText(QStringLiteral("Empfangspuffer übergelaufen: Daten ohne STX und CR verworfen"),
                    MessageKind::checkFailed);
        if (telegram)
            Auswertung(*telegram);
    }
}

void MainWindow::reportMessages(const QList<TelegramMessage> &messages) {
    for (const TelegramMessage &message : messages)
        AddText(message.text, message.kind);
}

void MainWindow::Auswertung(const QByteArray &telegram) {
    OutTimer.stop();
    const TelegramResult result = evaluateTelegram(telegram, headerCodes, headerAwaited);
    switch (result.outcome) {
    case TelegramOutcome::Rejected:
    case TelegramOutcome::Failed:
        reportMessages(result.messages);
        return;
    case TelegramOutcome::ChecksumError:
        reportMessages(result.messages);
        ShowTrans(red);
        if (headerAwaited) {
            headerAwaited = false;
            fetchCycleActive = false;
        }
        QCoreApplication::processEvents();
        GetHeader();
        return;
    case TelegramOutcome::Decoded:
        break;
    }
    switch (result.kind) {
    case 'A':
        reportMessages(result.messages);
        evaluateInstant(result);
        ShowTrans(0);
        break;
    case 'H':
        reportMessages(result.messages);
        recordTime = result.recordTime;
        storedRecordCount = result.storedRecordCount;
        headerCodes = result.headerCodes;
        headerAwaited = false;
        GetItAll();
        break;
    case 'M': {
        reportMessages(result.messages);
        recordTime = result.recordTime;
        std::optional<RunError> error;
        const QString line = textOutputLine(recordTime, headerCodes, result.avgValues,
                                            result.valuesPerChannel, outputFormat(), &error);
        if (error) {
            AddText(error->text, MessageKind::unexpectedError);
            return;
        }
        AddText(line, MessageKind::outputLine);
        if (!storeAverage(result))
            return;
        averageAwaited = false;
        QCoreApplication::processEvents();
        break;
    }
    default:
        break;
    }
}

void MainWindow::evaluateInstant(const TelegramResult &result) {
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
        if (auto error = panel->InitMoment(Store::MainDb(), channelSlots))
            AddText(error->text, MessageKind::unexpectedError);
    } else {
        panel->update(result.instValues, channelSlots);
        publishInstant();
        if (SysConf.SaveMom) {
            if (auto error = storeInstantRow(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration,
                                             result.timeStamp, result.instCodes, result.instValues)) {
                AddText(error->text, MessageKind::unexpectedError);
                return;
            }
        }
    }
    postCheck->run(result.timeStamp, result.instValues[PostCheck::checkChannel]);
}

bool MainWindow::storeAverage(const TelegramResult &result) {
    if (!SysConf.SaveMitt)
        return true;
    if (auto error = storeAverageRows(Store::MainDb(), SysConf.Provider, SysConf.Konfiguration, recordTime,
                                      headerCodes, result.avgValues)) {
        AddText(error->text, MessageKind::unexpectedError);
        return false;
    }
    return true;
}

void MainWindow::openWindow(QPointer<QWidget> &window, const std::function<QWidget *()> &create) {
    if (!window)
        window = create();
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::addPublishingSwitches() {
    // Every published output is off until the operator switches it on here.
    ui->menExp->addSeparator();
    menHtmlAktiv = ui->menExp->addAction(QStringLiteral("Messwerte-Seite schreiben"));
    menWebAktiv = ui->menExp->addAction(QStringLiteral("Intranet-Seiten schreiben"));
    menMailAktiv = ui->menExp->addAction(QStringLiteral("E-Mail-Bericht senden"));
    const std::tuple<QAction *, bool SysConfRecord::*, QString> switches[] = {
        {menHtmlAktiv, &SysConfRecord::HtmlAktiv, QStringLiteral("HtmlAktiv")},
        {menWebAktiv, &SysConfRecord::WebAktiv, QStringLiteral("WebAktiv")},
        {menMailAktiv, &SysConfRecord::MailAktiv, QStringLiteral("MailAktiv")}};
    for (const auto &[action, member, column] : switches) {
        action->setCheckable(true);
        connect(action, &QAction::triggered, this,
                [this, member = member, column = column](bool on) { switchPublishing(member, column, on); });
    }
}

void MainWindow::switchPublishing(bool SysConfRecord::*member, const QString &column, bool on) {
    SysConf.*member = on;
    if (auto error = saveSysConf(Store::MainDb(), SysConf, {column}, AktTimer.interval()))
        AddText(error->text, MessageKind::unexpectedError);
    if (!on)
        return;
    // Switched on: the output is made once at once, so the operator sees whether it works.
    if (member == &SysConfRecord::HtmlAktiv) {
        publishInstant();
    } else if (member == &SysConfRecord::WebAktiv) {
        publishPageSet();
    } else if (auto refusal = sendReport()) {
        MsgBox::show(this, MsgBox::Icon::Exclamation, QStringLiteral("E-Mail-Bericht"), *refusal);
    }
}

void MainWindow::publishInstant() {
    const PageContext context{Store::MainDb(), programDir, now(), QLocale()};
    if (SysConf.HtmlAktiv) {
        if (auto error = WriteHtmlOld(context, channelSlots, ui->labStation->text()))
            AddText(error->text, MessageKind::unexpectedError);
    }
    if (SysConf.WebAktiv) {
        if (auto error = WriteHtml(context, channelSlots, ui->labStation->text()))
            AddText(error->text, MessageKind::unexpectedError);
    }
}

void MainWindow::publishPageSet() {
    const PageContext context{Store::MainDb(), programDir, now(), QLocale()};
    if (auto error = WriteWebPageSet(context, channelSlots, ui->labStation->text()))
        AddText(error->text, MessageKind::unexpectedError);
}

std::optional<QString> MainWindow::sendReport() {
    const MailReportValues values = mailReportValues(channelSlots, now());
    return mailer.SendMail(values.Zeit, values.tmp, values.lff, values.feff);
}

void MainWindow::GetItAll() {
    FetchAbort = false;
    ui->menExp->setEnabled(false);
    int completed = 0;
    if (storedRecordCount > 0) {
        fProg = new FProg(ui->prbMittel, this);
        for (QProgressBar *bar : {fProg->prbMittel(), ui->prbMittel}) {
            bar->setMaximum(storedRecordCount);
            bar->setValue(0);
        }
        fProg->setReadDate(formatDateTime(recordTime));
        fProg->show();
        if (SysConf.MittelAktiv && !fetchRecords(completed)) {
            if (shuttingDown)
                return;
            AddText(QStringLiteral("Daten können nicht abgefragt werden."), MessageKind::checkFailed);
            FetchAbort = true;
        }
        if (fProg)
            fProg->unload();
    }
    if (completed > 0) {
        LastAccessTime = now();
        ui->labLastAccess->setText(formatDateTime(LastAccessTime));
        CalcNextAcc();
        if (SysConf.WebAktiv)
            publishPageSet();
        if (SysConf.MailAktiv)
            sendReport();
    }
    ui->prbMittel->setVisible(false);
    FetchAbort = false;
    AddText(QStringLiteral("%1 Datensätze erhalten.").arg(completed), MessageKind::statusMessage);
    fetchCycleActive = false;
    ShowTrans(0);
    ui->menExp->setEnabled(true);
    ui->Command1->setEnabled(true);
    averageAwaited = false;
    QCoreApplication::processEvents();
}

bool MainWindow::fetchRecords(int &completed) {
    const auto request = [this](const QString &command) {
        return Sende(buildRequest(ui->labSelStat->text(), command));
    };
    for (int i = 1; i <= storedRecordCount; ++i) {
        averageAwaited = request(QStringLiteral("M"));
        if (!averageAwaited)
            return true;
        const int tries = SysConf.maxTries;
        bool done = false;
        for (int t = 1; t <= tries && !done; ++t) {
            OutTimer.stop();
            OutTimer.setInterval(SysConf.MittTimeOut);
            QCoreApplication::processEvents();
            OutTimer.start();
            // The answer is received and evaluated by the events processed here; the wait blocks until the
            // next event, it does not spin.
            while (OutTimer.isActive() && averageAwaited && !FetchAbort && !shuttingDown)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (FetchAbort || shuttingDown)
                return false;
            if (averageAwaited) {
                averageAwaited = request(QStringLiteral("MR"));
                AddText(QStringLiteral("Abfrage %1. Versuch...").arg(t + 1), MessageKind::fetchProgress);
            } else {
                done = true;
            }
        }
        if (!done)
            return false;
        completed = i;
        for (QProgressBar *bar : {fProg ? fProg->prbMittel() : nullptr, ui->prbMittel}) {
            if (bar)
                bar->setValue(i);
        }
        if (fProg)
            fProg->setReadDate(formatDateTime(recordTime));
        if (FetchAbort)
            return true;
    }
    return true;
}

void MainWindow::changeEvent(QEvent *event) {
    if (event->type() == QEvent::WindowStateChange) {
        if (isMinimized()) {
            miniTimer.setInterval(100);
            miniTimer.start();
            setWindowIcon(fSchwarz);
        } else {
            miniTimer.stop();
            setWindowIcon(fTitel);
            setWindowTitle(QStringLiteral("Skylog"));
        }
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::miniTimerTick() {
    miniTimer.stop();
    do {
        if (++MiniIndex > 100)
            MiniIndex = 1;
    } while (!channelSlots[MiniIndex].shown && MiniIndex != 1);
    const ChannelSlot &slot = channelSlots[MiniIndex];
    if (!slot.shown)
        return;
    const QString value = MiniIndex <= 60 && labMW[MiniIndex] ? labMW[MiniIndex]->text() : QString();
    setWindowTitle((slot.KurzText + QStringLiteral(": ") + value).trimmed());
    miniTimer.setInterval(1500);
    miniTimer.start();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    // The window sees the arrow keys before its controls: they scroll the instantaneous values.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        QScrollBar *bar = ui->VScroll;
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
            if (bar->minimum() < bar->value())
                bar->setValue(bar->value() - 1);
            return true;
        case Qt::Key_Down:
            if (bar->maximum() > bar->value())
                bar->setValue(bar->value() + 1);
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event) {
    // Every other window closes without saving; with the last window closed the application's loop ends.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window == this || !window->isVisible())
            continue;
        if (auto *progress = qobject_cast<FProg *>(window))
            progress->unload();
        else
            window->close();
    }
    shuttingDown = true;
    AktTimer.stop();
    MidTimer.stop();
    OutTimer.stop();
    miniTimer.stop();
    event->accept();
}
