// Desktop integration: the command line's one word, and a second start that brings the running
// copy to the front and ends.

#include "CommandLine.h"
#include "InstanceLink.h"
#include "testing/TempDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace {

TEST(InstanceTest, OnlyTheExactWordCirMarksAStartForAPush)
{
    struct Case {
        QStringList arguments;
        bool forPush;
    };
    const Case cases[] = {
        {{QStringLiteral("lumeno"), QStringLiteral("CIR")}, true},
        {{QStringLiteral("lumeno"), QStringLiteral("cir")}, false},
        {{QStringLiteral("lumeno"), QStringLiteral("CIR2")}, false},
        {{QStringLiteral("lumeno")}, false},
        {{QStringLiteral("lumeno"), QStringLiteral("document.txt"), QStringLiteral("CIR")}, false},
    };
    for (const Case& line : cases)
        EXPECT_EQ(IsStartedByPush(line.arguments), line.forPush)
            << line.arguments.join(QLatin1Char(' ')).toStdString();
}

TEST(InstanceTest, ASecondStartAsksTheRunningCopyToComeToTheFront)
{
    TempDir device;
    ScopedEnv root("LUMENO_DEVICE_ROOT", device.Path().string());
    EXPECT_FALSE(CInstanceLink::AskToRaise(2, 10)) << "nobody listens yet";
    CInstanceLink link;
    int raised = 0;
    QString error;
    ASSERT_TRUE(link.Listen([&] { ++raised; }, error)) << error.toStdString();
    ASSERT_TRUE(CInstanceLink::AskToRaise(1, 10));
    QElapsedTimer watch;
    watch.start();
    while (raised == 0 && watch.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(raised, 1);
}

TEST(InstanceTest, TheProgramStartsOffscreenAndASecondStartEndsAtOnce)
{
    TempDir device;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LUMENO_DEVICE_ROOT"), QString::fromStdString(device.Path().string()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(LUMENO_QT_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // The first copy holds the guard once its process id is in the lock file.
    QFile lock(QString::fromStdString((device.Path() / "data" / "Lumeno.lock").string()));
    QElapsedTimer watch;
    watch.start();
    while (!(lock.open(QIODevice::ReadOnly) && lock.readAll().trimmed().toLongLong() == first.processId())) {
        lock.close();
        ASSERT_LT(watch.elapsed(), 10000) << "the first copy did not start";
        QThread::msleep(20);
    }
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(LUMENO_QT_PROGRAM), {QStringLiteral("CIR")});
    ASSERT_TRUE(second.waitForFinished(15000)) << "the second start did not end";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(first.state(), QProcess::Running) << first.readAllStandardError().toStdString();
    first.kill();
    first.waitForFinished(5000);
}

} // namespace
