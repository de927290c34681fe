-- Schema of the Skylog database. The template SkylogIni.db is generated from this file and refdata.sql.
-- Dates are ISO 8601 text in local time ("2026-12-05 16:07:38"), Yes/No columns hold 0 or 1.

-- Marks the file as a Skylog database ('SkyL'), so a foreign SQLite file is never taken for one.
PRAGMA application_id = 1399552332;
PRAGMA user_version = 1;

CREATE TABLE tblSysConf (
    Provider INTEGER DEFAULT 1,
    Konfiguration INTEGER DEFAULT 1,
    MittInter INTEGER DEFAULT 60,
    MittelAktiv INTEGER DEFAULT 0,
    MomInter INTEGER DEFAULT 3000,
    MomAktiv INTEGER DEFAULT 0,
    SaveMom INTEGER DEFAULT 0,
    SaveMitt INTEGER DEFAULT 1,
    MomTimeOut INTEGER DEFAULT 2000,
    MittTimeOut INTEGER DEFAULT 3000,
    maxTries INTEGER DEFAULT 5,
    Trennen INTEGER DEFAULT 1,
    TrennZeichen INTEGER DEFAULT 124,
    datname TEXT DEFAULT 'Testlog.txt',
    doKanal INTEGER DEFAULT 1,
    doSensor INTEGER DEFAULT 1,
    doUnit INTEGER DEFAULT 1,
    doPlus INTEGER DEFAULT 0,
    MailHost TEXT,
    MailSender TEXT,
    MailRec TEXT,
    MailMessage TEXT,
    MailSubject TEXT,
    HtmlAktiv INTEGER DEFAULT 0,
    WebAktiv INTEGER DEFAULT 0,
    MailAktiv INTEGER DEFAULT 0,
    AlarmMinuten INTEGER DEFAULT 10
);

CREATE TABLE tblProvider (
    Id INTEGER PRIMARY KEY,
    Name TEXT,
    Hersteller TEXT
);

CREATE TABLE tblConfiguration (
    ProviderID INTEGER NOT NULL,
    KonfigNr INTEGER NOT NULL,
    Beschreibung TEXT,
    StationsNr TEXT
);
CREATE UNIQUE INDEX idxConfiguration ON tblConfiguration (ProviderID, KonfigNr);

CREATE VIEW qryConfigure AS
    SELECT c.KonfigNr AS KonfigNr, c.ProviderID AS ProviderID, c.StationsNr AS StationsNr,
           c.Beschreibung AS Beschreibung, p.Name AS Name, p.Hersteller AS Hersteller
    FROM tblConfiguration AS c JOIN tblProvider AS p ON p.Id = c.ProviderID;

CREATE TABLE tblTemp (
    ProviderID INTEGER NOT NULL,
    ConfigID INTEGER NOT NULL,
    Configured INTEGER,
    LastAccessTime TEXT
);
CREATE UNIQUE INDEX idxTemp ON tblTemp (ProviderID, ConfigID);

CREATE TABLE tblConfigCOM (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ConfName TEXT NOT NULL CHECK (length(trim(ConfName)) > 0),
    aktiv INTEGER DEFAULT 0,
    Com INTEGER DEFAULT 0,
    Baudrate INTEGER DEFAULT 9,
    Parity INTEGER DEFAULT 0,
    DataBits INTEGER DEFAULT 3,
    StopBits INTEGER DEFAULT 0,
    HShake INTEGER DEFAULT 2,
    DTR INTEGER DEFAULT 0,
    rts INTEGER DEFAULT 0
);

CREATE TABLE tblMesswerte (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Provider INTEGER,
    Konfiguration INTEGER,
    was INTEGER,
    MeasTime TEXT,
    Kanal1 REAL,
    Kanal2 REAL,
    Kanal3 REAL,
    Kanal4 REAL,
    Kanal5 REAL,
    Kanal6 REAL,
    Kanal7 REAL,
    Kanal8 REAL,
    Kanal9 REAL,
    Kanal10 REAL,
    Kanal11 REAL,
    Kanal12 REAL,
    Kanal13 REAL,
    Kanal14 REAL,
    Kanal15 REAL,
    Kanal16 REAL,
    Kanal17 REAL,
    Kanal18 REAL,
    Kanal19 REAL,
    Kanal20 REAL,
    Kanal21 REAL,
    Kanal22 REAL,
    Kanal23 REAL,
    Kanal24 REAL,
    Kanal25 REAL,
    Kanal26 REAL,
    Kanal27 REAL,
    Kanal28 REAL,
    Kanal29 REAL,
    Kanal30 REAL,
    Kanal31 REAL,
    Kanal32 REAL,
    Kanal33 REAL,
    Kanal34 REAL,
    Kanal35 REAL,
    Kanal36 REAL,
    Kanal37 REAL,
    Kanal38 REAL,
    Kanal39 REAL,
    Kanal40 REAL,
    Kanal41 REAL,
    Kanal42 REAL,
    Kanal43 REAL,
    Kanal44 REAL,
    Kanal45 REAL,
    Kanal46 REAL,
    Kanal47 REAL,
    Kanal48 REAL,
    Kanal49 REAL,
    Kanal50 REAL,
    Kanal51 REAL,
    Kanal52 REAL,
    Kanal53 REAL,
    Kanal54 REAL,
    Kanal55 REAL,
    Kanal56 REAL,
    Kanal57 REAL,
    Kanal58 REAL,
    Kanal59 REAL,
    Kanal60 REAL
);
CREATE INDEX idxMesswerteTime ON tblMesswerte (Provider, Konfiguration, MeasTime);
-- The plots and the gap monitor read one kind of row of one logger over a period.
CREATE INDEX IF NOT EXISTS idxMesswerteKind ON tblMesswerte (Provider, Konfiguration, was, MeasTime);

CREATE TABLE tblKanal (
    ProviderID INTEGER,
    ConfigID INTEGER,
    KanalNr INTEGER,
    Sensor INTEGER,
    EinheitID INTEGER,
    KanalArt TEXT
);

CREATE TABLE tblEinheiten (
    Id INTEGER PRIMARY KEY,
    Sensor INTEGER,
    Einheit TEXT
);

CREATE TABLE tblSensorcodes (
    Sensor INTEGER,
    SensorCode TEXT,
    Beschreibung TEXT,
    KurzText TEXT,
    Sensorart TEXT
);

CREATE TABLE tblWebRoots (
    Id INTEGER PRIMARY KEY,
    ListKey INTEGER,
    LinkTo TEXT,
    ListName TEXT,
    HeadLine TEXT,
    Kind INTEGER,
    Aktiv INTEGER
);
