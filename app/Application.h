#pragma once
// Process start: the system facts, the application title, the five windows in their
// order, and the message loop.

#include <functional>
#include <string>

class QApplication;

// `alertTap`, when given, hears every trend-line alert besides the desktop (the tests' program
// records them).
int RunKoerszicht(QApplication& application, std::function<void(const std::string&)> alertTap = {});
