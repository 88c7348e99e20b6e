#pragma once
// lumeno's command line, once Qt has taken its own options out: one optional word. "CIR" (exactly
// so) says that the program was started for a push, so that the next registration only waits for
// the push with the keys; anything else is ignored.

#include <QStringList>

bool IsStartedByPush(const QStringList& arguments);
