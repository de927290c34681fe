#pragma once

#include <QString>

class QFileDevice;

// A run-time error as the error routines report it: a number and a German description. The numbers follow
// the classic BASIC run-time error numbers.
struct RunError {
    int number = 0;
    QString text;

    // "Fehler <number>: <text>", as every report of a run-time error reads.
    QString described() const { return QStringLiteral("Fehler %1: %2").arg(number).arg(text); }

    static RunError invalidArgument() {
        return {5, QStringLiteral("Ungültiger Prozeduraufruf oder ungültiges Argument")};
    }
    static RunError overflow() { return {6, QStringLiteral("Überlauf")}; }
    static RunError subscriptOutOfRange() {
        return {9, QStringLiteral("Index außerhalb des gültigen Bereichs")};
    }
    static RunError divisionByZero() { return {11, QStringLiteral("Division durch Null")}; }
    static RunError typeMismatch() { return {13, QStringLiteral("Typen unverträglich")}; }
    static RunError fileNotFound() { return {53, QStringLiteral("Datei nicht gefunden")}; }
    static RunError diskFull() { return {61, QStringLiteral("Datenträger voll")}; }
    static RunError permissionDenied() { return {70, QStringLiteral("Zugriff verweigert")}; }
    static RunError pathNotFound() { return {76, QStringLiteral("Pfad nicht gefunden")}; }
    static RunError invalidUseOfNull() { return {94, QStringLiteral("Unzulässige Verwendung von Null")}; }
    // A file that could not be opened, moved or copied ("Pfad-/Dateizugriffsfehler"), and one that did not
    // take what was written to it ("Geräte-E/A-Fehler"), with the reason given.
    static RunError fileAccess(const QString &reason) { return {75, reason}; }
    static RunError deviceIo(const QString &reason) { return {57, reason}; }
    static RunError itemNotFound() {
        return {3265, QStringLiteral("Element in dieser Auflistung nicht gefunden.")};
    }
};

// Why an operation on `file` has just failed, given the system's error number `err` taken right after it: in
// German for the causes an operator meets (full or read-only disk, no permission, a folder in the file's
// place), the system's own text for rarer ones.
QString fileFailureReason(const QFileDevice &file, int err);
