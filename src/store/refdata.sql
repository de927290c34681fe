-- Reference data of the template database: loggers, station configurations, sensor catalogue,
-- serial configurations, settings for a first start and the intranet page set.

INSERT INTO tblProvider (Id, Name, Hersteller) VALUES
    (1, 'KLD 20', 'Nordfeld Messtechnik'),
    (2, 'AWL 400', 'Tauern Sensorik'),
    (3, 'MiniLog 8', 'Elbtal Elektronik');

INSERT INTO tblConfiguration (ProviderID, KonfigNr, Beschreibung, StationsNr) VALUES
    (1, 1, 'Messfeld Nord, Klimahütte 2 m', '01'),
    (1, 2, 'Messfeld Nord, Bodenmessplatz', '02'),
    (1, 3, 'Dachstation Verwaltungsgebäude', '03'),
    (2, 1, 'Bergstation Hochalm', '07'),
    (2, 2, 'Pegel Talsperre', '08'),
    (3, 1, 'Versuchsfeld Obstbau', '12');

-- No pair has been started yet: each shows the serial set-up hint at its first start.
INSERT INTO tblTemp (ProviderID, ConfigID, Configured, LastAccessTime) VALUES
    (1, 1, 0, NULL),
    (1, 2, 0, NULL),
    (1, 3, 0, NULL),
    (2, 1, 0, NULL),
    (2, 2, 0, NULL),
    (3, 1, 0, NULL);

INSERT INTO tblSensorcodes (Sensor, SensorCode, Beschreibung, KurzText, Sensorart) VALUES
    (1, '01', 'Lufttemperatur 2 m', 'Temp', 'Temperatur'),
    (2, '02', 'Relative Luftfeuchte', 'Feuchte', 'Feuchte'),
    (3, '03', 'Luftdruck', 'Druck', 'Druck'),
    (4, '04', 'Windgeschwindigkeit', 'Wind', 'Wind'),
    (5, '05', 'Windrichtung', 'Richtung', 'Wind'),
    (6, '06', 'Niederschlag', 'Regen', 'Niederschlag'),
    (7, '07', 'Globalstrahlung', 'Strahlung', 'Strahlung'),
    (8, '08', 'Taupunkt', 'Taupunkt', 'Temperatur'),
    (9, '09', 'Bodentemperatur 5 cm', 'Boden 5', 'Temperatur'),
    (10, '0A', 'Windspitze', 'Böe', 'Wind'),
    (11, '0B', 'Sonnenscheindauer', 'Sonne', 'Strahlung'),
    (12, '0C', 'Bodentemperatur 20 cm', 'Boden 20', 'Temperatur'),
    (13, '0D', 'Bodentemperatur 50 cm', 'Boden 50', 'Temperatur'),
    (14, '0E', 'Bodenfeuchte', 'Bodenfeuchte', 'Feuchte'),
    (15, '0F', 'Verdunstung', 'Verdunstung', 'Niederschlag'),
    (16, '10', 'Batteriespannung', 'Batterie', 'Versorgung'),
    (17, '11', 'Gehäusetemperatur', 'Gehäuse', 'Temperatur'),
    (18, '12', 'Lufttemperatur 5 cm', 'Temp 5 cm', 'Temperatur'),
    (19, '13', 'Sichtweite', 'Sicht', 'Sicht'),
    (20, '14', 'Schneehöhe', 'Schnee', 'Niederschlag'),
    (26, '1A', 'UV-Index', 'UV', 'Strahlung');

INSERT INTO tblEinheiten (Id, Sensor, Einheit) VALUES
    (1, 1, '°C'),
    (2, 2, '%'),
    (3, 3, 'hPa'),
    (4, 4, 'm/s'),
    (5, 5, '°'),
    (6, 6, 'mm'),
    (7, 7, 'W/m²'),
    (8, 8, '°C'),
    (9, 9, '°C'),
    (10, 10, 'm/s'),
    (11, 11, 'min'),
    (12, 12, '°C'),
    (13, 13, '°C'),
    (14, 14, '%'),
    (15, 15, 'mm'),
    (16, 16, 'V'),
    (17, 17, '°C'),
    (18, 18, '°C'),
    (19, 19, 'm'),
    (20, 20, 'cm'),
    (21, 26, '-');

-- Channel table of the default station configuration; channel 19 carries the air temperature.
INSERT INTO tblKanal (ProviderID, ConfigID, KanalNr, Sensor, EinheitID, KanalArt) VALUES
    (1, 1, 1, 3, 3, 'Druck'),
    (1, 1, 2, 2, 2, 'Feuchte'),
    (1, 1, 3, 4, 4, 'Wind'),
    (1, 1, 4, 5, 5, 'Wind'),
    (1, 1, 5, 10, 10, 'Wind'),
    (1, 1, 6, 6, 6, 'Niederschlag'),
    (1, 1, 7, 7, 7, 'Strahlung'),
    (1, 1, 8, 8, 8, 'Temperatur'),
    (1, 1, 9, 9, 9, 'Temperatur'),
    (1, 1, 10, 12, 12, 'Temperatur'),
    (1, 1, 11, 13, 13, 'Temperatur'),
    (1, 1, 12, 11, 11, 'Strahlung'),
    (1, 1, 13, 14, 14, 'Feuchte'),
    (1, 1, 14, 18, 18, 'Temperatur'),
    (1, 1, 15, 26, 21, 'Strahlung'),
    (1, 1, 16, 15, 15, 'Niederschlag'),
    (1, 1, 17, 19, 19, 'Sicht'),
    (1, 1, 18, 20, 20, 'Niederschlag'),
    (1, 1, 19, 1, 1, 'Temperatur'),
    (1, 1, 20, 16, 16, 'Versorgung');

-- The usual serial line of a logger: COM 1, 38400 baud, 8 data bits, no parity, one stop bit.
INSERT INTO tblConfigCOM (ConfName, aktiv, Com, Baudrate, Parity, DataBits, StopBits, HShake, DTR, rts) VALUES
    ('Logger COM 1', 1, 0, 9, 0, 3, 0, 0, 1, 1),
    ('Modem COM 2, 9600 Baud', 0, 1, 5, 0, 3, 0, 2, 1, 1);

-- Settings for a first start: instantaneous values every 3 s, averages every hour.
INSERT INTO tblSysConf (Provider, Konfiguration, MittInter, MittelAktiv, MomInter, MomAktiv, SaveMom, SaveMitt,
                        MomTimeOut, MittTimeOut, maxTries, Trennen, TrennZeichen, datname, doKanal, doSensor,
                        doUnit, doPlus)
    VALUES (1, 1, 60, 1, 3000, 1, 0, 1, 2000, 3000, 5, 1, 124, 'Testlog.txt', 1, 1, 1, 0);

INSERT INTO tblWebRoots (Id, ListKey, LinkTo, ListName, HeadLine, Kind, Aktiv) VALUES
    (1, 0, 'index', 'Startseite', 'Wetterstation Messfeld Nord', 0, 1),
    (2, 1, 'aktuell', 'Aktuelle Messwerte', 'Aktuelle Messwerte', 1, 1),
    (3, 1, 'station', 'Die Station', 'Standort und Ausstattung', 0, 1),
    (4, 0, 'archiv', 'Archiv', 'Archiv der Messwerte', 0, 0);
