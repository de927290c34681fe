#include "app/mainwindow.h"

#include "app/datamenu.h"
#include "app/fprog.h"
#include "app/msgbox.h"
#include "app/pictures.h"
#include "config/ui/fcmess.h"
#include "config/ui/fcmittel.h"
#include "config/ui/fcmoment.h"
#include "eval/messages.h"
#include "eval/textout.h"
#include "eval/ui/momentpanel.h"
#include "link/ui/fccom.h"
#include "publish/ui/fcformat.h"
#include "publish/ui/fchtml.h"
#include "publish/ui/fcmail.h"
#include "publish/ui/finfo.h"
#include "publish/ui/winsockbox.h"
#include "store/database.h"
#include "store/station.h"
#include "store/sysconf.h"
#include "ui_fccom.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>

namespace {

QColor fromColourNumber(quint32 colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

} // namespace

MainWindow::MainWindow(const QString &dir, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::MainWindow>()), programDir(QDir(dir).absolutePath()),
      acquisition(new Acquisition(programDir, this)) {
    ui->setupUi(this);
    setFixedSize(size());

    imgGreen = new QLabel(this);
    imgYellow = new QLabel(this);
    imgRed = new QLabel(this);
    imgBlack = new QLabel(this);
    for (auto [holder, farbe] : {std::pair{imgGreen, Lamp::green},
                                 {imgYellow, Lamp::yellow},
                                 {imgRed, Lamp::red},
                                 {imgBlack, Lamp::black}}) {
        holder->setPixmap(Pictures::indicator(farbe));
        holder->hide();
    }
    fTitel = Pictures::programIcon();
    fGruen = Pictures::stateIcon(Lamp::green);
    fGelb = Pictures::stateIcon(Lamp::yellow);
    fRot = Pictures::stateIcon(Lamp::red);
    fSchwarz = Pictures::stateIcon(Lamp::black);
    setWindowIcon(fTitel);
    connect(&miniTimer, &QTimer::timeout, this, &MainWindow::miniTimerTick);

    connect(ui->menComOn, &QAction::triggered, this, &MainWindow::menComOnClick);
    connect(ui->menFetchNow, &QAction::triggered, acquisition, &Acquisition::fetchNow);
    connect(ui->menDatei, &QMenu::aboutToShow, this, &MainWindow::updateFetchNow);
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
    connect(ui->menMail, &QAction::triggered, this,
            [this] { openWindow(fcMail, [this] { return new FcMail(*this); }); });
    connect(ui->menInfo, &QAction::triggered, this, [this] { openWindow(fInfo, [] { return new FInfo; }); });
    addPublishingSwitches();
    DataMenu::add(*this, programDir, [this] { return acquisition->now(); });
    connect(ui->Command1, &QPushButton::clicked, this, [this] { ui->Command1->setEnabled(false); });

    labMW[0] = ui->labMW;
    labMK[0] = ui->labMK;
    panel = std::make_unique<MomentPanel>(ui->picRahmen, ui->frmMom, ui->VScroll, labMK, labMW);
    connectEngine();
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::connectEngine() {
    Acquisition *a = acquisition;
    connect(a, &Acquisition::statusShown, this, &MainWindow::showStatus);
    connect(a, &Acquisition::writeFailed, this, &MainWindow::showWriteFailure);
    connect(a, &Acquisition::transferColourChanged, this, &MainWindow::showTransfer);
    connect(a, &Acquisition::onlineColourChanged, this,
            [this](qint32 farbe) { ui->imgOnline->setPixmap(holderFor(farbe)->pixmap()); });
    connect(a, &Acquisition::connectionChanged, this, &MainWindow::showConnection);
    connect(a, &Acquisition::channelTableRebuilt, this, [this] {
        if (auto error = panel->InitMoment(Store::MainDb(), acquisition->channelSlots))
            acquisition->AddText(error->text, MessageKind::unexpectedError);
    });
    connect(a, &Acquisition::instantValuesShown, this, [this] { panel->update(acquisition->channelSlots); });
    connect(a, &Acquisition::fetchStarted, this, &MainWindow::fetchStarted);
    connect(a, &Acquisition::recordFetched, this, &MainWindow::recordFetched);
    connect(a, &Acquisition::fetchEnded, this, &MainWindow::fetchEnded);
    connect(a, &Acquisition::fetchEnded, this, &MainWindow::refreshGapCount);
    connect(a, &Acquisition::fetchCycleChanged, this, &MainWindow::fetchCycleChanged);
    connect(a, &Acquisition::lastAccessShown, ui->labLastAccess, &QLabel::setText);
    connect(a, &Acquisition::nextAccessShown, ui->labNextAccess, &QLabel::setText);
    connect(a, &Acquisition::beepRequested, this, [] { QApplication::beep(); });
    connect(a, &Acquisition::stopped, this, [this] {
        stopped = true;
        close();
    });
    connect(a, &Acquisition::mailReportSwitchedOff, this, &MainWindow::mailReportSwitchedOff);
    showWinsockErrors(a->publication().mailer, this);
}

void MainWindow::setClock(std::function<QDateTime()> clock) {
    acquisition->setClock(std::move(clock));
}

void MainWindow::startError(const RunError &error) {
    MsgBox::startError(this, error);
}

bool MainWindow::load() {
    QDir::setCurrent(programDir);
    ui->menComOn->setData(QStringLiteral("0"));

    if (auto error = acquisition->openStore([this](const RunError &warning) { startError(warning); })) {
        startError(*error);
        return false;
    }

    menHtmlAktiv->setChecked(SysConf.HtmlAktiv);
    menWebAktiv->setChecked(SysConf.WebAktiv);
    menMailAktiv->setChecked(SysConf.MailAktiv);

    firstStartCheck();
    showIdentity();
    acquisition->finishStart();
    refreshGapCount();
    return true;
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
        acquisition->LastAccessTime = temp->LastAccessTime;
        ui->labLastAccess->setText(formatDateTime(temp->LastAccessTime));
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
    if (identity)
        showStation(identity->StationsNr, identity->Beschreibung,
                    identity->Name + QStringLiteral("  /  ") + identity->Hersteller);
}

void MainWindow::showStation(const QString &number, const QString &description, const QString &logger) {
    ui->labSelStat->setText(number);
    ui->labStation->setText(description);
    ui->labLogger->setText(logger);
    acquisition->station = number;
    acquisition->stationName = description;
}

void MainWindow::showStatus(const QString &text, std::optional<quint32> colour) {
    ui->labStatus->setText(text);
    if (colour) {
        QPalette palette = ui->labStatus->palette();
        palette.setColor(QPalette::WindowText, fromColourNumber(*colour));
        ui->labStatus->setPalette(palette);
    }
    ui->labStatus->setToolTip(text);
    emit statusShown(text);
}

void MainWindow::showWriteFailure(const RunError &error) {
    // However many lines fail, one box tells of it; the acquisition goes on behind it.
    if (writeFailureBox)
        return;
    writeFailureBox = MsgBox::notify(this, MsgBox::Icon::Critical,
                                     QStringLiteral("Unerwarteter Fehler: %1").arg(error.number), error.text);
}

QLabel *MainWindow::holderFor(qint32 farbe) const {
    switch (farbe) {
    case Lamp::red:
        return imgRed;
    case Lamp::green:
        return imgGreen;
    case Lamp::yellow:
        return imgYellow;
    default:
        return imgBlack;
    }
}

QIcon MainWindow::iconFor(qint32 farbe) const {
    switch (farbe) {
    case Lamp::red:
        return fRot;
    case Lamp::green:
        return fGruen;
    case Lamp::yellow:
        return fGelb;
    default:
        return fSchwarz;
    }
}

void MainWindow::showTransfer(qint32 farbe) {
    ui->imgTrans->setPixmap(holderFor(farbe)->pixmap());
    if (isMinimized())
        setWindowIcon(iconFor(farbe));
}

FcCOM *MainWindow::comDialog() {
    if (!fcCOM) {
        fcCOM = new FcCOM(Store::MainDb(), this);
        fcCOM->setWindowModality(Qt::NonModal);
        connect(fcCOM, &FcCOM::failed, acquisition,
                [this](const QString &text) { acquisition->AddText(text, MessageKind::unexpectedError); });
    }
    return fcCOM;
}

qint16 MainWindow::ConnectIt(const bool &State) {
    // The settings menu item follows the state the port had when this was called.
    const bool wasOpen = acquisition->isConnected() || acquisition->isReconnecting();
    if (State && !wasOpen)
        ui->labSelCom->setText(comDialog()->controls().selCom->currentText());
    const qint16 result = acquisition->ConnectIt(State, comDialog()->shownEntry());
    if (result != 0)
        ui->menCom->setEnabled(wasOpen);
    return result;
}

void MainWindow::showConnection(bool open, const QString &portLabel) {
    ui->menComOn->setText(open ? QStringLiteral("&Trennen") : QStringLiteral("Hers&tellen"));
    ui->menComOn->setData(open ? QStringLiteral("1") : QStringLiteral("0"));
    if (open)
        ui->labSelCom->setText(portLabel);
    else
        ui->menCom->setEnabled(true);
    updateFetchNow();
}

void MainWindow::menComOnClick() {
    if (ui->menComOn->data().toString().toInt() == 1) {
        if (ConnectIt(false) >= 0) {
            acquisition->ShowOnline(Lamp::red);
        } else {
            acquisition->ShowOnline(Lamp::black);
            acquisition->stopAcquisition();
        }
        return;
    }
    if (ConnectIt(true) < 1) {
        acquisition->ShowOnline(Lamp::red);
        return;
    }
    acquisition->startAcquisition();
    ui->Command1->setEnabled(true);
}

void MainWindow::mailReportSwitchedOff(const QString &text) {
    menMailAktiv->setChecked(false);
    showMailMessage(this, text);
}

void MainWindow::updateFetchNow() {
    ui->menFetchNow->setEnabled(acquisition->canFetchNow());
}

void MainWindow::fetchStarted(int records, const QDateTime &recordTime) {
    ui->menExp->setEnabled(false);
    updateFetchNow();
    if (records <= 0)
        return;
    fProg = new FProg(ui->prbMittel, this);
    connect(fProg, &FProg::abortRequested, acquisition, &Acquisition::abortFetch);
    for (QProgressBar *bar : {fProg->prbMittel(), ui->prbMittel}) {
        bar->setMaximum(records);
        bar->setValue(0);
    }
    fProg->setReadDate(formatDateTime(recordTime));
    fProg->show();
}

void MainWindow::recordFetched(int completed, const QDateTime &recordTime) {
    for (QProgressBar *bar : {fProg ? fProg->prbMittel() : nullptr, ui->prbMittel}) {
        if (bar)
            bar->setValue(completed);
    }
    if (fProg)
        fProg->setReadDate(formatDateTime(recordTime));
}

void MainWindow::fetchEnded() {
    if (fProg)
        fProg->unload();
    ui->prbMittel->setVisible(false);
}

void MainWindow::fetchCycleChanged(bool active) {
    if (!active) {
        ui->menExp->setEnabled(true);
        ui->Command1->setEnabled(true);
    }
    updateFetchNow();
}

void MainWindow::saveFailed(QWidget *dialog, const QString &what, const RunError &error) {
    acquisition->AddText(error.text, MessageKind::unexpectedError);
    MsgBox::show(dialog, MsgBox::Icon::Critical, dialog->windowTitle(),
                 what + QStringLiteral(" konnte nicht gespeichert werden.\n") + error.text);
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
    if (auto error = saveSysConf(Store::MainDb(), SysConf, {column}, acquisition->AktTimer.interval()))
        acquisition->AddText(error->text, MessageKind::unexpectedError);
    if (!on)
        return;
    // Switched on: the output is made once at once, so the operator sees whether it works.
    Publication &published = acquisition->publication();
    if (member == &SysConfRecord::HtmlAktiv) {
        published.afterInstant(acquisition->channelSlots, acquisition->stationName);
    } else if (member == &SysConfRecord::WebAktiv) {
        published.writePageSet(acquisition->channelSlots, acquisition->stationName);
    } else if (const auto off = published.sendReport(acquisition->channelSlots)) {
        mailReportSwitchedOff(*off);
    }
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
    } while (!acquisition->channelSlots[MiniIndex].shown && MiniIndex != 1);
    const ChannelSlot &slot = acquisition->channelSlots[MiniIndex];
    if (!slot.shown)
        return;
    const QString value = MiniIndex <= 60 && labMW[MiniIndex] ? labMW[MiniIndex]->text() : QString();
    setWindowTitle((slot.KurzText + QStringLiteral(": ") + value).trimmed());
    miniTimer.setInterval(1500);
    miniTimer.start();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    // The window sees the arrow keys before its controls: they scroll the instantaneous values. The menu bar
    // keeps them, so that Alt and then Down opens a menu.
    const auto *widget = event->type() == QEvent::KeyPress ? qobject_cast<QWidget *>(watched) : nullptr;
    if (widget && widget->window() == this && !ui->menubar->isAncestorOf(widget)) {
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
    if (!stopped) {
        // Every other window closes without saving; a record under way is waited for, then the window goes.
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window == this || !window->isVisible())
                continue;
            if (auto *progress = qobject_cast<FProg *>(window))
                progress->unload();
            else
                window->close();
        }
        if (acquisition->phase() == Acquisition::Phase::AwaitRecord) {
            acquisition->requestStop();
            event->ignore();
            return;
        }
        acquisition->requestStop();
        stopped = true;
    }
    miniTimer.stop();
    event->accept();
}
