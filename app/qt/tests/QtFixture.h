#pragma once
// A test of the screens: a private device (registry, folders) with the project's branding texts,
// the Qt event loop and user interface as lumeno makes them, message boxes answered from a script,
// and helpers that act on a window once it opens and wait for the loop with a watchdog.

#include "QtEventLoop.h"
#include "QtUi.h"
#include "ServiceFixture.h"
#include "testing/ScriptedUiPort.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>

// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

class QtFixture : public ServiceFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs `action` once, on the first visible top-level window of type T, within 10 s; the test
    // fails when none opens.
    template <typename T> void WhenShown(std::function<void(T&)> action)
    {
        WhenShownWidget([](QWidget& widget) { return dynamic_cast<T*>(&widget) != nullptr; },
                        [action = std::move(action)](QWidget& widget) { action(dynamic_cast<T&>(widget)); });
    }
    // Runs the loop until `done()` is true; false after `limit`.
    static bool WaitUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds limit = std::chrono::seconds(10));

    std::unique_ptr<CQtEventLoop> m_loop;
    std::unique_ptr<CQtUi> m_ui;
    CScriptedUiPort m_boxes;

private:
    // Parent of the polls of WhenShown, so that none outlives its test.
    std::unique_ptr<QObject> m_polls;
    void WhenShownWidget(std::function<bool(QWidget&)> matches, std::function<void(QWidget&)> action);
};
