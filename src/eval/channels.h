#pragma once

#include <QString>

#include <array>

// What the program knows about one channel of the logger, filled when the channel table is rebuilt.
struct ChannelSlot {
    double value = 0;
    QString unit;
    QString KurzText;
    QString Beschreibung;
    quint8 sensorCode = 0;
    // The channel belongs to the current channel table and has a row in the panel.
    bool shown = false;
};

// Indexed by channel number 0 ... 100.
using ChannelSlots = std::array<ChannelSlot, 101>;
