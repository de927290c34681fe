#include "publish/smtpdialogue.h"

#include <QTest>

namespace {

using Sends = QList<QByteArray>;

} // namespace

class TestSmtpDialogue : public QObject {
    Q_OBJECT

private slots:
    void subject_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("filled");
        QTest::newRow("time and date") << "Messwerte #dt# #tm#"
                                       << "Messwerte 12.06.2012 10:03";
        QTest::newRow("every occurrence") << "#dt#/#dt#"
                                          << "12.06.2012/12.06.2012";
        QTest::newRow("upper case stays") << "#DT# #Tm#"
                                          << "#DT# #Tm#";
        QTest::newRow("message placeholders stay") << "#ct# #crf#"
                                                   << "#ct# #crf#";
        QTest::newRow("no placeholder") << "Bericht"
                                        << "Bericht";
    }

    void subject() {
        QFETCH(QString, subject);
        QFETCH(QString, filled);
        QCOMPARE(mailSubjectText(subject, QStringLiteral("10:03"), QStringLiteral("12.06.2012")), filled);
    }

    void message_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("feff");
        QTest::addColumn<QString>("filled");
        QTest::newRow("all five") << "T=#ct#\r\nF=#crf#\r\nTd=#cfef#\r\n#dt# #tm#"
                                  << "9,1 °C"
                                  << "T=23,4 °C\r\nF=55 %\r\nTd=9,1 °C\r\n12.06.2012 10:03";
        QTest::newRow("twice") << "#ct##ct#"
                               << ""
                               << "23,4 °C23,4 °C";
        QTest::newRow("upper case stays") << "#CT# #Crf#"
                                          << ""
                                          << "#CT# #Crf#";
        // The values go in before the time and date: a value holding a placeholder gets it filled too.
        QTest::newRow("values first") << "#cfef#"
                                      << "#dt#"
                                      << "12.06.2012";
    }

    void message() {
        QFETCH(QString, message);
        QFETCH(QString, feff);
        QFETCH(QString, filled);
        QCOMPARE(mailMessageText(message, QStringLiteral("23,4 °C"), QStringLiteral("55 %"), feff,
                                 QStringLiteral("10:03"), QStringLiteral("12.06.2012")),
                 filled);
    }

    void refusal_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QStringList>("recipients");
        QTest::addColumn<QString>("reason");
        const QString refused = QStringLiteral("Die E-Mail wird nicht gesendet: ");
        QTest::newRow("complete") << "mail.example.org"
                                  << "station@example.org" << QStringList{"a@example.org", " b@example.org"}
                                  << "";
        QTest::newRow("no host") << "  "
                                 << "station@example.org" << QStringList{"a@example.org"}
                                 << refused + "Es ist kein SMTP-Host eingetragen.";
        QTest::newRow("sender without @") << "mail"
                                          << " station " << QStringList{"a@example.org"}
                                          << refused + "Der Absender \"station\" enthält kein \"@\".";
        QTest::newRow("empty recipient list")
            << "mail"
            << "s@x" << QStringList{""} << refused + "Es ist kein Empfänger eingetragen.";
        QTest::newRow("blanks only") << "mail"
                                     << "s@x" << QStringList{"  ", " "}
                                     << refused + "Es ist kein Empfänger eingetragen.";
        QTest::newRow("no list at all")
            << "mail"
            << "s@x" << QStringList{} << refused + "Es ist kein Empfänger eingetragen.";
        QTest::newRow("trailing comma")
            << "mail"
            << "s@x" << QStringList{"a@x", ""}
            << refused + "Der 2. Eintrag der Empfängerliste ist leer (überzähliges "
                         "Komma?).";
    }

    void refusal() {
        QFETCH(QString, host);
        QFETCH(QString, sender);
        QFETCH(QStringList, recipients);
        QFETCH(QString, reason);
        const std::optional<QString> refused = mailRefusal(host, sender, recipients);
        QCOMPARE(refused.value_or(QString()), reason);
    }

    // A whole mail to two recipients, one reply at a time.
    void fullDialogue() {
        SmtpDialogue dialogue(QStringLiteral("  wetter@station.example "),
                              {QStringLiteral("a@example.org"), QStringLiteral(" b@example.org")},
                              QStringLiteral("Messwerte 12.06.2012"),
                              QStringLiteral("Zeile 1\r\nZeile ä\r\nZeile 3"));
        const QList<std::pair<QByteArray, Sends>> exchange{
            {"220 mail.example.org ESMTP\r\n", {"HELO wetter\r\n"}},
            {"250 Hello\r\n", {"MAIL FROM:wetter@station.example\r\n"}},
            {"250 OK\r\n", {"RCPT TO:a@example.org\r\n"}},
            {"250 Accepted\r\n", {"RCPT TO:b@example.org\r\n"}},
            {"250 Accepted\r\n", {"DATA\r\n"}},
            {"354 Go ahead\r\n",
             {"Subject:Messwerte 12.06.2012\n", "Zeile 1\n", "Zeile \xe4\n", "Zeile 3\n", ".\r\n"}},
            {"250 OK id=1\r\n", {"QUIT\r\n"}},
        };
        const QList<qint32> steps{1, 2, 2, 3, 4, 5, 6};
        for (qsizetype i = 0; i < exchange.size(); ++i) {
            const SmtpDialogue::Step step = dialogue.reply(exchange.at(i).first);
            QCOMPARE(step.sends, exchange.at(i).second);
            QVERIFY(!step.close);
            QVERIFY(!step.error);
            QCOMPARE(dialogue.SmtpStep, steps.at(i));
        }
        QCOMPARE(dialogue.RcptIndex, 2);

        const SmtpDialogue::Step last = dialogue.reply("221 Bye\r\n");
        QVERIFY(last.sends.isEmpty());
        QVERIFY(last.close);
        QVERIFY(!last.error);
        QCOMPARE(dialogue.SmtpStep, 6);
    }

    // Any accepted code moves the dialogue on, whichever step it answers.
    void acceptedCodes_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("220") << QByteArray("220 x");
        QTest::newRow("250 as greeting") << QByteArray("250");
        QTest::newRow("354") << QByteArray("354 y\r\n");
        QTest::newRow("221") << QByteArray("221");
    }

    void acceptedCodes() {
        QFETCH(QByteArray, reply);
        SmtpDialogue dialogue(QStringLiteral("s@x"), {QStringLiteral("r@y")}, QString(), QString());
        QCOMPARE(dialogue.reply(reply).sends, Sends{"HELO s\r\n"});
        QCOMPARE(dialogue.SmtpStep, 1);
    }

    void rejectedReply_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("entry");
        QTest::newRow("greeting refused")
            << 0 << QByteArray("554 No SMTP service here\r\n") << "SMTP Error: 554 No SMTP service here";
        QTest::newRow("recipient unknown")
            << 3 << QByteArray("550 5.1.1 <r@y>: unknown\r\n") << "SMTP Error: 550 5.1.1 <r@y>: unknown";
        QTest::newRow("temporary failure, two lines")
            << 5 << QByteArray("451-busy\r\n451 try later\r\n") << "SMTP Error: 451-busy\r\n451 try later";
        QTest::newRow("no code") << 1 << QByteArray("hello") << "SMTP Error: hello";
        QTest::newRow("code 251 is not accepted")
            << 2 << QByteArray("251 forwarded\r\n") << "SMTP Error: 251 forwarded";
    }

    // A refused step closes, logs the reply and stays where it was.
    void rejectedReply() {
        QFETCH(int, step);
        QFETCH(QByteArray, reply);
        QFETCH(QString, entry);
        SmtpDialogue dialogue(QStringLiteral("s@x"), {QStringLiteral("r@y")}, QStringLiteral("S"),
                              QStringLiteral("M"));
        for (int i = 0; i < step; ++i)
            QVERIFY(!dialogue.reply("250 ok\r\n").error);
        QCOMPARE(dialogue.SmtpStep, step);
        const SmtpDialogue::Step result = dialogue.reply(reply);
        QVERIFY(result.sends.isEmpty());
        QVERIFY(result.close);
        QCOMPARE(result.error.value_or(QString()), entry);
        QCOMPARE(dialogue.SmtpStep, step);
    }

    void messageLines_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<Sends>("sends");
        QTest::newRow("three lines") << "a\r\nb\r\nc" << Sends{"Subject:S\n", "a\n", "b\n", "c\n", ".\r\n"};
        QTest::newRow("empty message") << "" << Sends{"Subject:S\n", ".\r\n"};
        QTest::newRow("trailing line break") << "a\r\n" << Sends{"Subject:S\n", "a\n", "\n", ".\r\n"};
        QTest::newRow("lone LF stays inside its line") << "a\nb" << Sends{"Subject:S\n", "a\nb\n", ".\r\n"};
        QTest::newRow("outside Latin-1") << "5 €" << Sends{"Subject:S\n", "5 ?\n", ".\r\n"};
    }

    void messageLines() {
        QFETCH(QString, message);
        QFETCH(Sends, sends);
        SmtpDialogue dialogue(QStringLiteral("s@x"), {QStringLiteral("r@y")}, QStringLiteral("S"), message);
        for (int i = 0; i < 4; ++i)
            dialogue.reply("250\r\n");
        QCOMPARE(dialogue.SmtpStep, 4);
        QCOMPARE(dialogue.reply("354\r\n").sends, sends);
    }

    void nothingAfterTheEnd() {
        SmtpDialogue dialogue(QStringLiteral("s@x"), {QStringLiteral("r@y")}, QString(), QString());
        dialogue.SmtpStep = 7;
        const SmtpDialogue::Step step = dialogue.reply("250\r\n");
        QVERIFY(step.sends.isEmpty());
        QVERIFY(!step.close);
        QCOMPARE(dialogue.SmtpStep, 7);
    }
};

QTEST_GUILESS_MAIN(TestSmtpDialogue)
#include "tst_smtpdialogue.moc"
