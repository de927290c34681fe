#include "stationrig.h"

#include "store/database.h"
#include "store/sysconf.h"

#include <QSqlQuery>
#include <QTest>

const QDateTime StationRig::loggerStart(QDate(2026, 12, 5), QTime(10, 0, 0));
const QDateTime StationRig::skylogNow(QDate(2026, 12, 5), QTime(10, 0, 30));

void StationRig::prepare(const QString &settings) {
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
}

bool StationRig::load() {
    f.reset();
    f = std::make_unique<MainWindow>(dir->path());
    f->setClock([] { return skylogNow; });
    connect(f.get(), &MainWindow::statusShown, this, [this](const QString &text) { statusTexts << text; });
    f->load();
    return f->ConnectIt(true) == 1;
}

bool StationRig::start(const QStringList &simulatorArguments, const QString &settings) {
    prepare(settings);
    sim = std::make_unique<Simulator>();
    return sim->start(dir->path(),
                      QStringList{"--start", loggerStart.toString(Qt::ISODate)} + simulatorArguments) &&
           load();
}

bool StationRig::startWithDevice(const QString &settings) {
    prepare(settings);
    device = std::make_unique<PseudoTerminal>();
    return device->linkAs(dir->path(), 1) && load();
}

StationRig::~StationRig() {
    f.reset();
    Store::MainDb().close();
    SysConf = SysConfRecord();
}

bool StationRig::poll() {
    Acquisition *a = f->engine();
    const bool wasOn = std::exchange(SysConf.MomAktiv, true);
    a->GetMoment();
    SysConf.MomAktiv = wasOn;
    return QTest::qWaitFor([a] { return !a->OutTimer.isActive() && a->LastTransColor == 0; }, 10000);
}

bool StationRig::fetch() {
    Acquisition *a = f->engine();
    a->GetHeader();
    return a->fetchCycleActive() && QTest::qWaitFor([a] { return !a->fetchCycleActive(); }, 60000);
}
