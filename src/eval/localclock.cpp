#include "eval/localclock.h"

namespace {

constexpr qint64 msecsPerDay = 86400000;
// QDate::toJulianDay() of 1970-01-01.
constexpr qint64 epochJulianDay = 2440588;

int digits(QStringView text, int from, int count, bool &ok) {
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        ok = ok && c >= u'0' && c <= u'9';
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

Reading readingOf(const QDate &date, int minuteOfDay) {
    return date.toJulianDay() * minutesPerDay + minuteOfDay;
}

Reading readingOf(const QDateTime &t) {
    return readingOf(t.date(), t.time().msecsSinceStartOfDay() / 60000);
}

QDate dateOf(Reading r) {
    return QDate::fromJulianDay(r / minutesPerDay);
}

int minuteOf(Reading r) {
    return static_cast<int>(r % minutesPerDay);
}

std::optional<WallTime> parseStoredTime(QStringView text) {
    // "yyyy-MM-dd HH:mm:ss", as the program writes it; QDateTime::fromString is far too slow for a year.
    if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' || text[13] != u':' ||
        text[16] != u':')
        return std::nullopt;
    bool ok = true;
    const QDate date(digits(text, 0, 4, ok), digits(text, 5, 2, ok), digits(text, 8, 2, ok));
    const QTime time(digits(text, 11, 2, ok), digits(text, 14, 2, ok), digits(text, 17, 2, ok));
    if (!ok || !date.isValid() || !time.isValid())
        return std::nullopt;
    return WallTime{date, time.msecsSinceStartOfDay()};
}

LocalClock::Candidates LocalClock::candidates(const QDate &date, int msecsOfDay) {
    const qint64 day = date.toJulianDay();
    if (day != cachedDay) {
        cachedDay = day;
        offsetBefore = QDateTime(date.addDays(-1), QTime(12, 0)).offsetFromUtc();
        offsetAfter = QDateTime(date.addDays(1), QTime(12, 0)).offsetFromUtc();
    }
    Candidates c;
    c.wall = (day - epochJulianDay) * msecsPerDay + msecsOfDay;
    c.first = c.wall - offsetBefore * 1000LL;
    if (offsetBefore == offsetAfter)
        return c;
    // The day the clock is changed: the time is read with the offsets before and after the change; a reading
    // is valid when the instant it gives shows that offset.
    const auto shows = [](qint64 instant, int offset) {
        return QDateTime::fromMSecsSinceEpoch(instant).offsetFromUtc() == offset;
    };
    const qint64 after = c.wall - offsetAfter * 1000LL;
    const bool firstValid = shows(c.first, offsetBefore);
    const bool afterValid = shows(after, offsetAfter);
    if (firstValid && afterValid) {
        c.first = std::min(c.first, after);
    } else if (afterValid) {
        c.first = after;
    } else if (!firstValid) {
        c.valid = false;
    }
    return c;
}

qint64 LocalClock::msecs(const QDate &date, int msecsOfDay) {
    return candidates(date, msecsOfDay).first;
}

int LocalClock::offsetSeconds(const QDate &date, int msecsOfDay) {
    const Candidates c = candidates(date, msecsOfDay);
    return static_cast<int>((c.wall - c.first) / 1000);
}

bool LocalClock::exists(Reading r) {
    return candidates(dateOf(r), minuteOf(r) * 60000).valid;
}
