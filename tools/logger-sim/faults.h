#pragma once

#include "telegram.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QRandomGenerator64>
#include <QString>

#include <optional>

// Line faults the simulator can put on its answers, so that the receiving side's checks can be exercised.
namespace loggersim {

enum class FaultKind {
    Ignore,    // the request is not heard: no answer, the logger's memory stays as it is
    Silence,   // the request is carried out but the answer is lost
    Checksum,  // wrong checksum
    Noise,     // garbage bytes (never STX or CR) before the answer
    Split,     // the answer in three pieces: STX and kind letter; body; the rest, 50 ms apart
    Delay,     // the answer comes late
    NoEtb,     // the ETB is missing
    NoCr,      // the closing CR is missing
    WrongKind, // kind letter "X" (checksum fits)
    BadField,  // an empty field at the start of the field list (checksum fits)
    Duplicate, // the answer goes out twice
    Garbage,   // random bytes, STX and CR among them, before the answer
    Vanish,    // the device goes away (delayMs long) instead of answering
};

struct Fault {
    FaultKind kind;
    int delayMs = 0;
};

// KIND@CMD#N: the fault on the N-th request with command CMD ("A", "H", "M", "MR" or "*" for any);
// without "#N" on every one.
struct FaultRule {
    Fault fault;
    QByteArray command;
    int nth = 0;
};

std::optional<FaultRule> parseFaultRule(const QString &text);

QString faultName(const Fault &fault);

// A piece of output and the pause on the line before it.
struct Chunk {
    int pauseMs;
    QByteArray bytes;
};

constexpr int splitPauseMs = 50;

// What goes onto the line for an answer: delayMs before it, spoilt by the faults; noise and garbage are what
// the Noise and Garbage faults put in front. Empty when a fault swallows the answer.
QList<Chunk> transmission(const Answer &answer, const QList<Fault> &faults, int delayMs,
                          const QByteArray &noise, const QByteArray &garbage);

// Decides which faults hit which request: the fixed rules by counting requests per command, and random
// faults at the given rate, drawn from the seed.
class FaultPlan {
public:
    FaultPlan(const QList<FaultRule> &rules, double rate, quint64 seed);

    // Counts one request with this command and returns the faults that hit it.
    QList<Fault> next(const QByteArray &command);

    // Four to twelve garbage bytes, none of them STX or CR.
    QByteArray noise();
    // Four to forty bytes of any value.
    QByteArray garbage();

private:
    QList<FaultRule> rules;
    double rate;
    QRandomGenerator64 random;
    QHash<QByteArray, int> counts;
    int total = 0;
};

} // namespace loggersim
