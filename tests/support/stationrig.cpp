#include "stationrig.h"

#include "app/fprog.h"
#include "store/database.h"
#include "store/sysconf.h"

#include <QSqlQuery>
#include <QTest>

const QDateTime StationRig::loggerStart(QDate(2026, 12, 5), QTime(10, 0, 0));
const QDateTime StationRig::skylogNow(QDate(2026, 12, 5), QTime(10, 0, 30));

bool StationRig::start(const QStringList &simulatorArguments, const QString &settings) {
    pinGermanLocale();
    dir = std::make_unique<ProgramDir>();
    boxes = std::make_unique<MessageBoxes>();
    {
        QSqlQuery query(dir->createDataFile("prepare"));
        query.exec("UPDATE tblTemp SET Configured = 1");
        query.exec(
            "UPDATE tblSysConf SET MomAktiv = 0, MittelAktiv = 1, MittTimeOut = 1500, MomTimeOut = 1500" +
            (settings.isEmpty() ? QString() : ", " + settings));
    }
    QSqlDatabase::removeDatabase("prepare");
    sim = std::make_unique<Simulator>();
    if (!sim->start(dir->path(),
                    QStringList{"--start", loggerStart.toString(Qt::ISODate)} + simulatorArguments))
        return false;
    f = std::make_unique<MainWindow>(dir->path());
    f->setClock([] { return skylogNow; });
    connect(f.get(), &MainWindow::statusShown, this, [this](const QString &text) { statusTexts << text; });
    f->load();
    return f->ConnectIt(true) == 1;
}

StationRig::~StationRig() {
    f.reset();
    sim.reset();
    boxes.reset();
    Store::MainDb().close();
    SysConf = SysConfRecord();
    FetchAbort = false;
}

bool StationRig::poll() {
    const bool wasOn = std::exchange(SysConf.MomAktiv, true);
    f->GetMoment();
    SysConf.MomAktiv = wasOn;
    return QTest::qWaitFor([this] { return !f->OutTimer.isActive() && f->LastTransColor == 0; }, 10000);
}

bool StationRig::fetch() {
    f->GetHeader();
    return f->fetchCycleActive && QTest::qWaitFor([this] { return !f->fetchCycleActive; }, 60000);
}
