#include "faults.h"

#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace loggersim {

namespace {

struct KindName {
    FaultKind kind;
    const char *name;
};

const KindName kindNames[] = {
    {FaultKind::Ignore, "ignore"},  {FaultKind::Silence, "silence"},     {FaultKind::Checksum, "checksum"},
    {FaultKind::Noise, "noise"},    {FaultKind::Split, "split"},         {FaultKind::Delay, "delay"},
    {FaultKind::NoEtb, "noetb"},    {FaultKind::NoCr, "nocr"},           {FaultKind::WrongKind, "kind"},
    {FaultKind::BadField, "field"}, {FaultKind::Duplicate, "duplicate"}, {FaultKind::Garbage, "garbage"},
    {FaultKind::Vanish, "vanish"},
};

bool hasFault(const QList<Fault> &faults, FaultKind kind) {
    return std::any_of(faults.begin(), faults.end(), [kind](const Fault &f) { return f.kind == kind; });
}

} // namespace

std::optional<FaultRule> parseFaultRule(const QString &text) {
    static const QRegularExpression pattern(
        QStringLiteral("^([a-z]+)(?:=(\\d+))?@(A|H|M|MR|\\*)(?:#(\\d+))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QString name = m.captured(1).toLower();
    const auto found = std::find_if(std::begin(kindNames), std::end(kindNames),
                                    [&name](const KindName &k) { return name == QLatin1String(k.name); });
    if (found == std::end(kindNames))
        return std::nullopt;
    FaultRule rule{{found->kind, 0}, m.captured(3).toUpper().toLatin1(), 0};
    const bool hasValue = m.hasCaptured(2) && !m.captured(2).isEmpty();
    const bool takesValue = found->kind == FaultKind::Delay || found->kind == FaultKind::Vanish;
    if (takesValue != hasValue)
        return std::nullopt;
    if (hasValue) {
        bool ok = false;
        rule.fault.delayMs = m.captured(2).toInt(&ok);
        if (!ok || rule.fault.delayMs > 600000)
            return std::nullopt;
    }
    if (m.hasCaptured(4) && !m.captured(4).isEmpty()) {
        bool ok = false;
        rule.nth = m.captured(4).toInt(&ok);
        if (!ok || rule.nth < 1)
            return std::nullopt;
    }
    return rule;
}

QString faultName(const Fault &fault) {
    for (const KindName &k : kindNames) {
        if (k.kind != fault.kind)
            continue;
        if (fault.kind == FaultKind::Delay || fault.kind == FaultKind::Vanish)
            return QStringLiteral("%1=%2").arg(QLatin1String(k.name)).arg(fault.delayMs);
        return QLatin1String(k.name);
    }
    return QString();
}

QList<Chunk> transmission(const Answer &answer, const QList<Fault> &faults, int delayMs,
                          const QByteArray &noise, const QByteArray &garbage) {
    if (hasFault(faults, FaultKind::Ignore) || hasFault(faults, FaultKind::Silence))
        return {};
    const char kind = hasFault(faults, FaultKind::WrongKind) ? 'X' : answer.kind;
    QByteArray body = answer.body;
    if (hasFault(faults, FaultKind::BadField)) {
        const qsizetype fieldsAt = body.indexOf('|');
        body.insert(fieldsAt < 0 ? body.size() : fieldsAt, "||");
    }
    QByteArray telegram = frameAnswer(kind, body);
    // telegram: STX kind body ETB d d d CR
    const qsizetype etbAt = 2 + body.size();
    if (hasFault(faults, FaultKind::Checksum)) {
        const quint8 wrong = checksum(telegram.left(etbAt + 1)) ^ 0x55;
        telegram.replace(etbAt + 1, 3, checksumText(wrong));
    }
    if (hasFault(faults, FaultKind::NoCr))
        telegram.chop(1);
    if (hasFault(faults, FaultKind::NoEtb))
        telegram.remove(etbAt, 1);

    int pause = delayMs;
    for (const Fault &f : faults) {
        if (f.kind == FaultKind::Delay)
            pause += f.delayMs;
    }
    QList<Chunk> chunks;
    if (hasFault(faults, FaultKind::Noise)) {
        chunks.append({pause, noise});
        pause = 0;
    }
    if (hasFault(faults, FaultKind::Garbage)) {
        chunks.append({pause, garbage});
        pause = 0;
    }
    if (hasFault(faults, FaultKind::Split)) {
        chunks.append({pause, telegram.left(2)});
        chunks.append({splitPauseMs, telegram.mid(2, etbAt - 2)});
        chunks.append({splitPauseMs, telegram.mid(etbAt)});
    } else {
        chunks.append({pause, telegram});
    }
    if (hasFault(faults, FaultKind::Duplicate))
        chunks.append({0, telegram});
    return chunks;
}

FaultPlan::FaultPlan(const QList<FaultRule> &rulesValue, double rateValue, quint64 seed)
    : rules(rulesValue), rate(rateValue), random(seed ^ 0x5A17C0DEull) {}

QList<Fault> FaultPlan::next(const QByteArray &command) {
    const int nthOfCommand = ++counts[command];
    const int nthOfAll = ++total;
    QList<Fault> faults;
    for (const FaultRule &r : rules) {
        const bool any = r.command == "*";
        if (!any && r.command != command)
            continue;
        const int n = any ? nthOfAll : nthOfCommand;
        if (r.nth == 0 || r.nth == n)
            faults.append(r.fault);
    }
    if (rate > 0.0 && random.generateDouble() < rate) {
        static const FaultKind randomKinds[] = {FaultKind::Ignore, FaultKind::Silence,   FaultKind::Checksum,
                                                FaultKind::Noise,  FaultKind::Split,     FaultKind::Delay,
                                                FaultKind::NoEtb,  FaultKind::WrongKind, FaultKind::BadField,
                                                FaultKind::NoCr,   FaultKind::Duplicate, FaultKind::Garbage,
                                                FaultKind::Vanish};
        const FaultKind kind = randomKinds[random.bounded(static_cast<quint64>(std::size(randomKinds)))];
        int delayMs = 0;
        if (kind == FaultKind::Delay)
            delayMs = 200 + static_cast<int>(random.bounded(2000ull));
        else if (kind == FaultKind::Vanish)
            delayMs = 5000 + static_cast<int>(random.bounded(55000ull));
        faults.append({kind, delayMs});
    }
    return faults;
}

QByteArray FaultPlan::garbage() {
    QByteArray bytes;
    const int length = 4 + static_cast<int>(random.bounded(37ull));
    while (bytes.size() < length)
        bytes.append(static_cast<char>(random.bounded(256ull)));
    return bytes;
}

QByteArray FaultPlan::noise() {
    QByteArray bytes;
    const int length = 4 + static_cast<int>(random.bounded(9ull));
    while (bytes.size() < length) {
        const char c = static_cast<char>(random.bounded(256ull));
        if (c != stx && c != cr)
            bytes.append(c);
    }
    return bytes;
}

} // namespace loggersim
