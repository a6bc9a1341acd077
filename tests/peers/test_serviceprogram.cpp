// The znl-service program: its help, its refusal of a bad line, and a run that reports its ports,
// serves a greeting and ends on SIGTERM.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "rawclient.h"

using namespace peertest;

namespace {

const QString kProgram = QStringLiteral(ZNL_SERVICE_EXE);

}  // namespace

TEST(ServiceProgram, HelpListsTheOptionsAndABadOptionIsRefused) {
    QProcess help;
    help.start(kProgram, {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(30000));
    EXPECT_EQ(help.exitCode(), 0);
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    for (const char* option : {"--account", "--folder", "--drop-after", "--refuse-login"})
        EXPECT_TRUE(text.contains(QLatin1String(option))) << option;

    QProcess bad;
    bad.start(kProgram, {QStringLiteral("--account"), QStringLiteral("no-colons")});
    ASSERT_TRUE(bad.waitForFinished(30000));
    EXPECT_EQ(bad.exitCode(), 2);
}

TEST(ServiceProgram, ReportsItsPortsServesAndEndsOnSigterm) {
    QProcess service;
    service.start(kProgram, {QStringLiteral("--account"), QStringLiteral("guest:pw:1234:"),
                             QStringLiteral("--keepalive-ms"), QStringLiteral("0")});
    ASSERT_TRUE(service.waitForStarted(30000));
    while (!service.canReadLine()) ASSERT_TRUE(service.waitForReadyRead(30000));
    const QString first = QString::fromUtf8(service.readLine()).trimmed();
    const auto match =
        QRegularExpression(QStringLiteral("^znl-service login=(\\d+) file=(\\d+)$")).match(first);
    ASSERT_TRUE(match.hasMatch()) << first.toStdString();
    const auto filePort = static_cast<std::uint16_t>(match.captured(2).toUInt());
    EXPECT_NE(match.captured(1).toUInt(), 0u);

    {
        RawClient client(filePort);
        ASSERT_TRUE(client.Send(Record("ZNLR", 1003, Blanks(1234, 10))));
        EXPECT_EQ(client.ReadRecord(), "ZNLA000000171003Y");
    }
    service.terminate();
    ASSERT_TRUE(service.waitForFinished(30000));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
}
