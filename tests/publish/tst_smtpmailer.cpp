#include "publish/publishing.h"
#include "publish/smtpmailer.h"
#include "publish/ui/winsockbox.h"
#include "store/sysconf.h"
#include "support/cases.h"
#include "support/mailservers.h"
#include "support/programdir.h"

#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

constexpr int Wait = 10000;
const QDateTime now(QDate(2012, 6, 12), QTime(10, 3, 0));

// A greeting with 250 is taken as a greeting.
const Sends oneMail{"250 hi\r\n", "250 hello\r\n", "250 ok\r\n", "250 a\r\n",  "250 b\r\n",
                    "250 c\r\n",  "354 go\r\n",    "250 ok\r\n", "221 bye\r\n"};

struct Mailer {
    explicit Mailer(quint16 port) {
        mailer.setClock([] { return now; });
        mailer.setPort(port);
        QObject::connect(&mailer, &SmtpMailer::failed, [this](const QString &text) { failures << text; });
    }
    // The report as the main window sends it: a value, an error mark, a channel that is not shown.
    std::optional<QString> send() {
        ChannelSlots c;
        c[19] = {23.4, "°C", {}, "Lufttemperatur 2 m", 0x01, true};
        c[2] = {99999900, "%", {}, "Relative Luftfeuchte", 0x02, true};
        c[8] = {9.1, "°C", {}, "Taupunkt", 0x08, false};
        const MailReportValues v = mailReportValues(c, now);
        return mailer.SendMail(v.Zeit, v.tmp, v.lff, v.feff);
    }
    SmtpMailer mailer;
    QStringList failures;
    QSignalSpy errorSpy{&mailer, &SmtpMailer::socketError};
};

// The server's replies `script` and the last command sent, or a setting that gives no mail and its value.
struct Failure {
    const char *name;
    QString entry;
    QString SysConfRecord::*setting = nullptr;
    QString value = {};
    Sends script = {};
    QByteArray lastSent = {};
    int step = 0;
};

} // namespace

class TestSmtpMailer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinGermanLocale(); }

    void init() {
        SysConf.MailHost = QStringLiteral(" 127.0.0.1 ");
        SysConf.MailSender = QStringLiteral(" wetter@station.example ");
        // Recipients one per line and separated by a semicolon: three RCPT commands.
        SysConf.MailRecList =
            mailRecipients(QStringLiteral("a@example.org\r\nb@example.org; c@example.org\r\n"));
        // Every placeholder is filled, wherever it stands; one in capitals is not a placeholder. No empty
        // line follows the subject: the first line must not look like a header field ("Name: text").
        SysConf.MailSubject = QStringLiteral("Messwerte #tm# (#dt#, #DT#)");
        SysConf.MailMessage = QStringLiteral("Wetterstation Messfeld Nord – Klimahütte\r\nTemperatur: "
                                             "#ct#\r\nFeuchte: #crf#\r\nTaupunkt: #cfef#\r\n");
    }

    // The exact bytes of a whole dialogue, templates filled in, on a second connection: the server left the
    // first mail unanswered, the mailer hung up after its reply timeout, the next mail was queued until then.
    // Then the alert mail of the data-stopped alarm (as a real server takes it: tst_acquisition); without a
    // mail host none is sent.
    void dialogueBytes() {
        ScriptedServer server(Sends{"220 hi\r\n", ""} + oneMail + oneMail);
        Mailer m(server.serverPort());
        m.mailer.setReplyTimeout(300);
        QVERIFY(!m.send());
        QTRY_COMPARE_WITH_TIMEOUT(server.received, Sends{"HELO wetter\r\n"}, Wait);
        QVERIFY(!m.send());
        QTRY_COMPARE_WITH_TIMEOUT(server.received.size(), 2, Wait);
        m.mailer.setReplyTimeout(Wait);
        QTRY_COMPARE_WITH_TIMEOUT(m.mailer.WSock.state(), QAbstractSocket::UnconnectedState, Wait);
        QCOMPARE(m.errorSpy.count(), 0); // the server's close after QUIT is no error
        const QByteArray envelope = "HELO wetter\r\nMAIL FROM:wetter@station.example\r\n"
                                    "RCPT TO:a@example.org\r\nRCPT TO:b@example.org\r\n"
                                    "RCPT TO:c@example.org\r\nDATA\r\n";
        QCOMPARE(server.received.value(1),
                 envelope + "Subject:Messwerte 12.06.2012 10:03:00 (12.06.2012, #DT#)\n"
                            "Wetterstation Messfeld Nord ? Klimah\xfctte\nTemperatur: 23,4 \xb0"
                            "C\nFeuchte: Fehler\nTaupunkt: ---\n\n.\r\nQUIT\r\n");
        DataAlarm alarm;
        alarm.start(now);
        const auto report = alarm.tick(now.addSecs(600), 10);
        QVERIFY(report);
        QCOMPARE(sendAlarmMail(m.mailer, *report, "Messfeld Nord"), std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(server.received.value(2).endsWith("QUIT\r\n"), Wait);
        QCOMPARE(server.received.value(2),
                 envelope +
                     "Subject:Skylog: keine Daten von Messfeld Nord seit 12.06.2012 10:03:00\n"
                     "Skylog meldet einen Datenausfall an der Station Messfeld Nord.\nKeine g\xfcltigen "
                     "Daten vom Datenlogger seit 12.06.2012 10:03:00 (10 Min.).\nSolange der Ausfall "
                     "dauert, wird diese Meldung st\xfcndlich wiederholt.\n.\r\nQUIT\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(m.mailer.WSock.state(), QAbstractSocket::UnconnectedState, Wait);
        QCOMPARE(m.failures.join('|'),
                 "SMTP-Server antwortet nicht: Verbindung nach 0.3 s ohne Antwort getrennt (Schritt 1).");
        SysConf.MailHost.clear();
        QCOMPARE(sendAlarmMail(m.mailer, *report, "Messfeld Nord"), std::nullopt);
        QCOMPARE(m.mailer.WSock.state(), QAbstractSocket::UnconnectedState);
    }

    // A reply other than 220, 250, 354, 221 (one log line also when it has several lines), a lost connection
    // and a socket error end in failed(); a socket error also shows the "Winsock Error" box, but never a
    // second one over it. Settings that give no mail are refused before any connection; the step stays.
    void failures_data() {
        const QString refused = QStringLiteral("Die E-Mail wird nicht gesendet: ");
        const QString control = QStringLiteral(" enthält ein Steuerzeichen (z. B. einen Zeilenumbruch).");
        addCases<Failure>({
            {"rejected", "SMTP Error: 251 forwarded", nullptr, "",
             oneMail.first(4) + Sends{"251 forwarded\r\n"}, "RCPT TO:b@example.org\r\n", 2},
            {"refusal of two lines in two pieces", "SMTP Error: 554-first 554 second", nullptr, "",
             oneMail.first(2) + Sends{"554-first\r\n|554 second\r\n"}, "MAIL FROM:wetter@station.example\r\n",
             2},
            {"hung up", "SMTP-Server hat die Verbindung vor dem Ende der Mail getrennt (Schritt 1).", nullptr,
             "", Sends{"220 hi\r\n", "close"}, "HELO wetter\r\n", 1},
            {"connection refused", "E-Mail nicht gesendet: Winsock Error number 10061 (Connection refused)"},
            {"no recipient", refused + "Es ist kein Empfänger eingetragen.", &SysConfRecord::MailRec,
             " , \n"},
            {"trailing comma", refused + "Der 2. Eintrag der Empfängerliste ist leer (überzähliges Komma?).",
             &SysConfRecord::MailRec, "a@x,"},
            {"no @", refused + "Der Absender \"wetter\" enthält kein \"@\".", &SysConfRecord::MailSender,
             " wetter "},
            {"control character in the host", refused + "Der SMTP-Host" + control, &SysConfRecord::MailHost,
             "127.0.0.1\tx"},
            {"line break in the sender", refused + "Der Absender" + control, &SysConfRecord::MailSender,
             "w@station.example\r\nRCPT TO:x@y.example"},
            {"control character in a recipient", refused + "Der 2. Eintrag der Empfängerliste" + control,
             &SysConfRecord::MailRec, "a@x;b\x7f@x"},
            {"line break in the subject", refused + "Der Betreff" + control, &SysConfRecord::MailSubject,
             "Messwerte\r\nBcc: x@y.example"},
        });
    }

    void failures() {
        QFETCH(Failure, c);
        if (c.setting)
            SysConf.*c.setting = c.value;
        if (c.setting == &SysConfRecord::MailRec)
            SysConf.MailRecList = mailRecipients(c.value);
        MessageBoxes boxes;
        QWidget owner;
        ScriptedServer server(c.script);
        const bool refusal = c.setting;
        const bool refusedConnection = c.script.isEmpty() && !refusal;
        Mailer m(refusedConnection ? freePort() : server.serverPort());
        showWinsockErrors(m.mailer, &owner);
        boxes.onShow = [&m](const MsgBox::Request &) { emit m.mailer.socketError(10053, "zweiter"); };
        QCOMPARE(m.send().value_or(QString()), refusal ? c.entry : QString());
        QTRY_COMPARE_WITH_TIMEOUT(m.mailer.WSock.state(), QAbstractSocket::UnconnectedState, Wait);
        QCOMPARE(m.failures, refusal ? QStringList() : QStringList{c.entry});
        QCOMPARE(server.received.size(), refusal || refusedConnection ? 0 : 1);
        QVERIFY(server.received.value(0).endsWith(c.lastSent));
        QCOMPARE(m.mailer.SmtpStep(), c.step);
        QCOMPARE(boxes.asked.size(), refusedConnection ? 1 : 0);
        if (refusedConnection) {
            QCOMPARE(boxes.asked[0].title + '|' + boxes.asked[0].text,
                     "Winsock Error|Winsock Error number 10061\r\n" + m.mailer.WSock.errorString());
            // While that box is open no other one is shown; once the operator has closed it, the next one is.
            showMailMessage(&owner, "nicht gezeigt");
            QCOMPARE(boxes.asked.size(), 1);
            for (QMessageBox *box : owner.findChildren<QMessageBox *>())
                box->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            showMailMessage(&owner, "weiter");
            QCOMPARE(boxes.asked.last().text, "weiter");
        }
    }
};

QTEST_MAIN(TestSmtpMailer)
#include "tst_smtpmailer.moc"
