#pragma once

#include "eval/channels.h"
#include "eval/values.h"
#include "store/runerror.h"

#include <QSqlDatabase>
#include <QStringList>

#include <optional>

// Rebuilds the channel table of one logger and configuration from an "A" telegram: the tblKanal rows of the
// pair are replaced by one row per channel 1 ... 60 present in the telegram, and the slots of those channels
// are filled from the sensor catalogue (tblEinheiten, tblSensorcodes) and shown; every other slot is no
// longer shown. The catalogue is read once per rebuild.
//
// A sensor code is two hexadecimal digits (either case); anything else is a type mismatch. A code missing
// from tblSensorcodes still gives a shown channel, described as "Sensor 0x1B (unbekannt)" with the short text
// "Kanal 7" and no kind; one missing from tblEinheiten has no unit and no unit key. Each code missing from a
// catalogue table adds one line to warnings (for the error log, kind -1) that names the channels carrying it.
// A Null unit or name in a catalogue row that is used is an error.
//
// The rows are replaced in one transaction. On any error nothing is changed, neither the table nor the slots
// nor warnings, and the error is returned.
std::optional<RunError> rebuildChannelTable(const QSqlDatabase &db, qint32 provider, qint32 config,
                                            const InstCodes &codes, const InstValues &values,
                                            ChannelSlots &channelSlots, QStringList &warnings);

// Takes the values of an "A" telegram into the shown slots (0 for a channel missing from the telegram).
void takeInstantValues(ChannelSlots &channelSlots, const InstValues &values);

// "1B" for sensor code 27: how codes are named in the texts shown to the operator.
QString sensorCodeText(quint8 code);
