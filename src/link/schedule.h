#pragma once

#include "store/runerror.h"

#include <QDateTime>

#include <optional>

// When the next fetch of stored averages is due, for a fetch every intervalMinutes minutes.
//
// The candidate is the last access plus the interval, or now plus the interval when there was no access yet
// (invalid lastAccess), the last access is not before now, or its candidate is already past. The candidate is
// then put back onto the interval's grid, which starts anew at local midnight of the candidate's day: the
// wall-clock minutes since midnight (rounded to the nearest minute, half to even) are cut down to a multiple
// of the interval. An interval of a day or more therefore gives that midnight.
//
// On the day the clock is put forward a grid point it skips becomes the first minute that exists after it;
// on the day it is put back a grid point that occurs twice is taken at its later occurrence when that is not
// after the candidate.
//
// An interval of 0 or less gives no time and sets error to a division by zero; otherwise error is cleared.
std::optional<QDateTime> nextAccessTime(const QDateTime &lastAccess, const QDateTime &now,
                                        int intervalMinutes, std::optional<RunError> *error);
