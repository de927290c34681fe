#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>

// Decoded values of one telegram, shared by the decoder and the parts that use them.

// Code byte of the last header per channel 0 ... 100; 0 marks a channel that takes no part in the average
// records.
using HeaderCodes = std::array<quint8, 101>;

// Values of one average record, indexed by channel 0 ... 60 and value number 0 ... 3 (only 1 ... 3 are used).
using AverageValues = std::array<std::array<double, 4>, 61>;

// Instantaneous values of one "A" telegram, indexed by channel 0 ... 60.
using InstValues = std::array<double, 61>;

// Sensor codes of one "A" telegram as the two characters received, indexed by channel 0 ... 60; a channel
// is present in the telegram when its text has exactly two characters.
using InstCodes = std::array<QByteArray, 61>;
