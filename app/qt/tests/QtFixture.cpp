#include "QtFixture.h"

#include <QElapsedTimer>

namespace {
constexpr int kWatchdogMs = 10000;
constexpr int kPollMs = 10;
} // namespace

void QtFixture::SetUp()
{
    ServiceFixture::SetUp();
    m_loop = std::make_unique<CQtEventLoop>();
    m_ui = std::make_unique<CQtUi>(*m_loop);
    m_polls = std::make_unique<QObject>();
    CUiPort::Install(&m_boxes);
}

void QtFixture::TearDown()
{
    CUiPort::Install(nullptr);
    m_polls.reset();
    m_ui.reset();
    m_loop.reset();
    for (QWidget* window : QApplication::topLevelWidgets())
        window->close();
    // A test whose program ended called QCoreApplication::exit, after which every modal loop of the
    // binary would return at once; the application's own loop clears that as it ends.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    ServiceFixture::TearDown();
}

bool QtFixture::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    QElapsedTimer watch;
    watch.start();
    while (!done()) {
        if (watch.elapsed() > limit.count())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, kPollMs);
    }
    return true;
}

void QtFixture::WhenShownWidget(std::function<bool(QWidget&)> matches, std::function<void(QWidget&)> action)
{
    auto* poll = new QTimer(m_polls.get());
    auto watch = std::make_shared<QElapsedTimer>();
    watch->start();
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && matches(*window)) {
                poll->stop();
                poll->deleteLater();
                action(*window);
                return;
            }
        }
        if (watch->elapsed() > kWatchdogMs) {
            ADD_FAILURE() << "the window a test waited for did not open";
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(kPollMs);
}
